#pragma once

#include <sys/ioctl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "corvel/process/LocalProcess.h"
#include "corvel/process/LocalProcessDelegate.h"
#include "corvel/qt/LocalProcessTerminalViewDelegate.h"
#include "corvel/qt/TerminalView.h"
#include "corvel/qt/TerminalViewDelegate.h"

namespace corvel {

// A terminal view that runs a child program on a pseudo-terminal: the
// child's output is fed to the view's terminal on the GUI thread, and every
// byte the view produces (keys, pastes, the terminal's replies) is written
// to the child. The pseudo-terminal's window size follows the grid, set
// before the host hears of a new size.
//
// The view is its own host (TerminalViewDelegate) and the delegate of its
// process; its own host is the processDelegate. Destroying the view stops
// its child as terminate() does.
class LocalProcessTerminalView : public TerminalView, public TerminalViewDelegate, public LocalProcessDelegate {
    Q_OBJECT
public:
    // The view starts with the default font; setTerminalFont() changes it.
    explicit LocalProcessTerminalView(QWidget* parent = nullptr);
    ~LocalProcessTerminalView() override;

    LocalProcess& process() { return *process_; }
    LocalProcessTerminalViewDelegate* processDelegate() const { return processDelegate_; }
    void setProcessDelegate(LocalProcessTerminalViewDelegate* delegate) { processDelegate_ = delegate; }

    // Does nothing while a child runs. environment: "NAME=value" entries,
    // nothing for the engine's own; execName: the child's argv[0]. A program
    // that cannot be started leaves process().startError() set and its
    // reason on the screen ("corvel: cannot run PATH: REASON").
    virtual void startProcess(const std::string& executable, const std::vector<std::string>& args = {},
                              const std::optional<std::vector<std::string>>& environment = std::nullopt,
                              const std::optional<std::string>& execName = std::nullopt,
                              const std::optional<std::string>& currentDirectory = std::nullopt);
    virtual void terminate();
    // Every chunk read from the child also goes to a numbered file there.
    virtual void setHostLogging(const std::optional<std::string>& directory);

    // The grid, and the frame in whole pixels; each value at most 65535.
    winsize getWindowSize() override;

    // ---- TerminalViewDelegate: what the view itself produces -------------------
    using TerminalView::bell;
    using TerminalView::iTermContent;
    using TerminalView::scrolled;
    using TerminalView::send;
    using TerminalView::setTerminalTitle;
    using TerminalView::sizeChanged;
    void sizeChanged(TerminalView& source, int newCols, int newRows) override;
    void setTerminalTitle(TerminalView& source, const std::string& title) override;
    void hostCurrentDirectoryUpdate(TerminalView& source, const std::optional<std::string>& directory) override;
    void send(TerminalView& source, std::span<const uint8_t> data) override;
    std::size_t unsentBytes(TerminalView& source) override;
    void scrolled(TerminalView& source, double position) override;
    // Valid UTF-8 replaces the clipboard's text; anything else is ignored.
    void clipboardCopy(TerminalView& source, std::span<const uint8_t> content) override;
    void rangeChanged(TerminalView& source, int startY, int endY) override;

    // ---- LocalProcessDelegate ------------------------------------------------------
    void processTerminated(LocalProcess& source, std::optional<int32_t> exitCode) override;
    void dataReceived(std::span<const uint8_t> slice) override;

private:
    std::unique_ptr<LocalProcess> process_;
    LocalProcessTerminalViewDelegate* processDelegate_ = nullptr;
};

} // namespace corvel
