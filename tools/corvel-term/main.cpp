// corvel-term: one window running the login shell in a terminal view.
//
//   corvel-term [--shell PATH] [--dump-on-exit FILE]
//   corvel-term --help | --version
//
// --shell runs PATH as a login shell instead of the user's own shell.
// --dump-on-exit writes the text of the screen to FILE when the shell ends.
// The window's title follows the terminal's title; the window closes when
// the shell exits. Without a display, or when the shell cannot be started,
// it says why on standard error and exits with status 1. Ctrl+Shift+F shows
// the find bar, Ctrl+Shift+G finds the next hit and Ctrl+Shift+E searches
// for the selected text.

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>

#include "corvel/process/PseudoTerminalHelpers.h"
#include "corvel/qt/LocalProcessTerminalView.h"
#include "corvel/qt/ProgramStart.h"

namespace {

const QString defaultTitle = QStringLiteral("corvel-term");

class TerminalWindow final : public corvel::LocalProcessTerminalViewDelegate {
public:
    explicit TerminalWindow(std::optional<QString> dumpFile) : dumpFile_(std::move(dumpFile))
    {
        view_.setProcessDelegate(this);
        view_.setWindowTitle(defaultTitle);
        view_.configureNativeColors();
        const QSizeF cell = view_.cellDimension();
        view_.resize(static_cast<int>(std::ceil(cell.width() * 80)) + view_.scrollerWidth(),
                     static_cast<int>(std::ceil(cell.height() * 24)));
        using FindCommand = corvel::TerminalView::FindCommand;
        addFindAction(QStringLiteral("Ctrl+Shift+F"), FindCommand::showFindInterface);
        addFindAction(QStringLiteral("Ctrl+Shift+G"), FindCommand::nextMatch);
        addFindAction(QStringLiteral("Ctrl+Shift+E"), FindCommand::useSelectionForFind);
    }

    ~TerminalWindow() override { view_.setProcessDelegate(nullptr); }

    bool start(const std::string& shell)
    {
        view_.show();
        view_.setFocus();
        view_.startProcess(shell,
                           {},
                           corvel::PseudoTerminalHelpers::getEnvironmentVariables("xterm-256color", true, shell),
                           corvel::PseudoTerminalHelpers::loginShellArgv0(shell),
                           QDir::homePath().toStdString());
        // A shell that already ended is no failure; only a start that failed is.
        if (const int error = view_.process().startError(); error != 0) {
            std::fprintf(stderr, "%s\n", corvel::PseudoTerminalHelpers::cannotRunMessage(shell, error).c_str());
            return false;
        }
        return true;
    }

    void sizeChanged(corvel::LocalProcessTerminalView&, int, int) override {}

    void setTerminalTitle(corvel::LocalProcessTerminalView&, const std::string& title) override
    {
        view_.setWindowTitle(title.empty() ? defaultTitle : QString::fromStdString(title));
    }

    void hostCurrentDirectoryUpdate(corvel::LocalProcessTerminalView&, const std::optional<std::string>&) override {}

    void processTerminated(corvel::LocalProcessTerminalView&, std::optional<int32_t> exitCode) override
    {
        if (dumpFile_)
            dumpScreen(*dumpFile_);
        QApplication::exit(exitCode.value_or(0));
    }

private:
    void addFindAction(const QString& keys, corvel::TerminalView::FindCommand command)
    {
        auto* action = new QAction(&view_);
        action->setShortcut(QKeySequence(keys));
        QObject::connect(action, &QAction::triggered, &view_, [this, command] {
            if (view_.isFindCommandEnabled(command))
                view_.performFindCommand(command);
        });
        view_.addAction(action);
    }

    void dumpScreen(const QString& path)
    {
        const std::vector<uint8_t> text = view_.getTerminal().getBufferAsData(corvel::Terminal::BufferKind::active);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "corvel-term: cannot write %s\n", qPrintable(path));
            return;
        }
        file.write(reinterpret_cast<const char*>(text.data()), static_cast<qint64>(text.size()));
    }

    corvel::LocalProcessTerminalView view_;
    std::optional<QString> dumpFile_;
};

} // namespace

int main(int argc, char** argv)
{
    const QStringList arguments = corvel::ProgramStart::arguments(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A terminal window running the login shell."));
    const QCommandLineOption shellOption(
        QStringLiteral("shell"), QStringLiteral("Run PATH as the login shell."), QStringLiteral("PATH"));
    const QCommandLineOption dumpOption(QStringLiteral("dump-on-exit"),
                                        QStringLiteral("Write the screen's text to FILE when the shell ends."),
                                        QStringLiteral("FILE"));
    parser.addOption(shellOption);
    parser.addOption(dumpOption);
    const corvel::ProgramStart::Program program{
        defaultTitle, QStringLiteral("[--shell PATH] [--dump-on-exit FILE]"), QStringLiteral(CORVEL_TOOLS_VERSION)};
    if (const std::optional<int> exitCode = corvel::ProgramStart::readCommandLine(parser, program, arguments))
        return *exitCode;
    if (const std::optional<int> exitCode = corvel::ProgramStart::requireDisplay(defaultTitle, arguments))
        return *exitCode;

    QApplication app(argc, argv);
    QApplication::setApplicationName(defaultTitle);

    const std::string shell = parser.isSet(shellOption) ? parser.value(shellOption).toStdString()
                                                        : corvel::PseudoTerminalHelpers::loginShell();
    std::optional<QString> dumpFile;
    if (parser.isSet(dumpOption))
        dumpFile = parser.value(dumpOption);

    TerminalWindow window(dumpFile);
    if (!window.start(shell))
        return 1;
    return QApplication::exec();
}
