#include "corvel/process/HeadlessTerminal.h"

#include <limits>

namespace corvel {

namespace {

unsigned short clampToShort(int value)
{
    if (value < 0)
        return 0;
    if (value > std::numeric_limits<unsigned short>::max())
        return std::numeric_limits<unsigned short>::max();
    return static_cast<unsigned short>(value);
}

} // namespace

HeadlessTerminal::HeadlessTerminal(Executor& executor, const TerminalOptions& options, EndHandler onEnd)
    : onEnd(std::move(onEnd))
{
    terminal_ = std::make_unique<Terminal>(this, options);
    terminal_->setExecutor(&executor);
    process_ = std::make_unique<LocalProcess>(this, executor);
}

HeadlessTerminal::~HeadlessTerminal()
{
    // The process goes first: it may still hold chunks for this delegate.
    process_.reset();
    terminal_->setDelegate(nullptr);
}

void HeadlessTerminal::setProcess(std::unique_ptr<LocalProcess> process)
{
    process_ = std::move(process);
}

void HeadlessTerminal::send(std::span<const std::uint8_t> data)
{
    process_->send(data);
}

void HeadlessTerminal::send(std::string_view text)
{
    send(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void HeadlessTerminal::changeScrollback(std::optional<int> lines)
{
    terminal_->changeScrollback(lines);
}

std::string HeadlessTerminal::screenText()
{
    std::vector<std::string> rows;
    for (int row = 0; row < terminal_->rows; ++row)
        rows.push_back(terminal_->lineText(row));
    while (!rows.empty() && rows.back().empty())
        rows.pop_back();
    std::string text;
    for (const std::string& row : rows) {
        text += row;
        text += '\n';
    }
    return text;
}

void HeadlessTerminal::processTerminated(LocalProcess& /*source*/, std::optional<std::int32_t> exitCode)
{
    if (onEnd)
        onEnd(exitCode);
}

void HeadlessTerminal::dataReceived(std::span<const std::uint8_t> slice)
{
    terminal_->parser().parse(slice);
}

winsize HeadlessTerminal::getWindowSize()
{
    return winsize {clampToShort(terminal_->rows), clampToShort(terminal_->cols), 16, 16};
}

void HeadlessTerminal::send(Terminal& /*source*/, std::span<const std::uint8_t> data)
{
    send(data);
}

void HeadlessTerminal::mouseModeChanged(Terminal& /*source*/) {}

void HeadlessTerminal::hostCurrentDirectoryUpdated(Terminal& source)
{
    dir = source.hostCurrentDirectory;
}

void HeadlessTerminal::colorChanged(Terminal& /*source*/, std::optional<int> /*idx*/) {}

void HeadlessTerminal::createImageFromBitmap(Terminal& /*source*/, std::vector<std::uint8_t>&& bytes, int width,
    int height)
{
    images.push_back({std::move(bytes), width, height});
}

} // namespace corvel
