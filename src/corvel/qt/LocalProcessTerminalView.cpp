#include "corvel/qt/LocalProcessTerminalView.h"

#include <algorithm>

#include <QClipboard>
#include <QGuiApplication>
#include <QStringDecoder>

#include "corvel/process/PseudoTerminalHelpers.h"

namespace corvel {

namespace {

unsigned short fitShort(long long value) { return static_cast<unsigned short>(std::clamp(value, 0LL, 65535LL)); }

} // namespace

LocalProcessTerminalView::LocalProcessTerminalView(QWidget* parent) : TerminalView(parent)
{
    setTerminalDelegate(this);
    process_ = std::make_unique<LocalProcess>(this, executor());
}

LocalProcessTerminalView::~LocalProcessTerminalView()
{
    setTerminalDelegate(nullptr);
    process_->setDelegate(nullptr);
}

void LocalProcessTerminalView::startProcess(const std::string& executable, const std::vector<std::string>& args,
                                            const std::optional<std::vector<std::string>>& environment,
                                            const std::optional<std::string>& execName,
                                            const std::optional<std::string>& currentDirectory)
{
    if (process_->running())
        return;
    process_->startProcess(executable, args, environment, execName, currentDirectory);
    // A program that cannot run says why where the user looks for it.
    if (process_->startError() != 0)
        feed(PseudoTerminalHelpers::cannotRunMessage(executable, process_->startError()) + "\r\n");
}

void LocalProcessTerminalView::terminate() { process_->terminate(); }

void LocalProcessTerminalView::setHostLogging(const std::optional<std::string>& directory)
{
    process_->setHostLogging(directory);
}

winsize LocalProcessTerminalView::getWindowSize()
{
    winsize size{};
    size.ws_row = fitShort(getTerminal().rows);
    size.ws_col = fitShort(getTerminal().cols);
    size.ws_xpixel = fitShort(width());
    size.ws_ypixel = fitShort(height());
    return size;
}

void LocalProcessTerminalView::sizeChanged(TerminalView&, int newCols, int newRows)
{
    if (!process_->running())
        return;
    PseudoTerminalHelpers::setWinSize(process_->childfd(), getWindowSize());
    if (processDelegate_)
        processDelegate_->sizeChanged(*this, newCols, newRows);
}

void LocalProcessTerminalView::setTerminalTitle(TerminalView&, const std::string& title)
{
    if (processDelegate_)
        processDelegate_->setTerminalTitle(*this, title);
}

void LocalProcessTerminalView::hostCurrentDirectoryUpdate(TerminalView&, const std::optional<std::string>& directory)
{
    if (processDelegate_)
        processDelegate_->hostCurrentDirectoryUpdate(*this, directory);
}

void LocalProcessTerminalView::send(TerminalView&, std::span<const uint8_t> data) { process_->send(data); }
std::size_t LocalProcessTerminalView::unsentBytes(TerminalView&) { return process_->unsentBytes(); }

void LocalProcessTerminalView::scrolled(TerminalView&, double) {}

void LocalProcessTerminalView::clipboardCopy(TerminalView&, std::span<const uint8_t> content)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(
        QByteArrayView(reinterpret_cast<const char*>(content.data()), static_cast<qsizetype>(content.size())));
    if (decoder.hasError())
        return;
    QGuiApplication::clipboard()->clear();
    QGuiApplication::clipboard()->setText(text);
}

void LocalProcessTerminalView::rangeChanged(TerminalView&, int, int) {}

void LocalProcessTerminalView::processTerminated(LocalProcess&, std::optional<int32_t> exitCode)
{
    if (processDelegate_)
        processDelegate_->processTerminated(*this, exitCode);
}

void LocalProcessTerminalView::dataReceived(std::span<const uint8_t> slice) { feed(slice); }

} // namespace corvel
