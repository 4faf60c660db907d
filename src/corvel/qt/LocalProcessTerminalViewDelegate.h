#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvel {

class LocalProcessTerminalView;

// The host of a LocalProcessTerminalView. The view does not own its host; a
// host that goes away first clears the view's processDelegate.
class LocalProcessTerminalViewDelegate {
public:
    virtual ~LocalProcessTerminalViewDelegate() = default;

    // The grid changed and the child's terminal already has the new size;
    // only while a child runs.
    virtual void sizeChanged(LocalProcessTerminalView& source, int newCols, int newRows) = 0;
    virtual void setTerminalTitle(LocalProcessTerminalView& source, const std::string& title) = 0;
    // The child reported its current directory.
    virtual void hostCurrentDirectoryUpdate(LocalProcessTerminalView& source,
                                            const std::optional<std::string>& directory)
        = 0;
    // The child ended, after all of its output was shown; the code is its
    // exit status, or 128 plus the signal that ended it.
    virtual void processTerminated(LocalProcessTerminalView& source, std::optional<int32_t> exitCode) = 0;
};

} // namespace corvel
