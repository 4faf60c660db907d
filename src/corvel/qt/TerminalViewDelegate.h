#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>

#include <QUrl>

namespace corvel {

class TerminalView;

// The host of a TerminalView: receives the bytes the view produces and its
// notifications. The view does not own its host; a host that goes away first
// clears the view's delegate (TerminalView::setTerminalDelegate(nullptr)).
class TerminalViewDelegate {
public:
    virtual ~TerminalViewDelegate();

    // The grid changed size (the values may be below the terminal's minimum).
    virtual void sizeChanged(TerminalView& source, int newCols, int newRows) = 0;
    virtual void setTerminalTitle(TerminalView& source, const std::string& title) = 0;
    virtual void hostCurrentDirectoryUpdate(TerminalView& source, const std::optional<std::string>& directory) = 0;
    // Bytes for the child: keys, pastes, replies and reports.
    virtual void send(TerminalView& source, std::span<const uint8_t> data) = 0;
    // Bytes handed to send() that have not reached the child yet.
    virtual std::size_t unsentBytes(TerminalView& /*source*/) { return 0; }
    // The view scrolled; position runs from 0 (top) to 1 (bottom).
    virtual void scrolled(TerminalView& source, double position) = 0;
    // Opens the link when openableUrl() allows it, with the desktop's
    // handler; ignores the parameters.
    virtual void requestOpenLink(TerminalView& source, const std::string& link,
                                 const std::map<std::string, std::string>& params);
    // The URL of a link that may be opened: http, https, mailto and ftp
    // links, and file links to files that exist and are not executable;
    // none for anything else, text that is no URL included.
    static std::optional<QUrl> openableUrl(const std::string& link);
    // Beeps.
    virtual void bell(TerminalView& source);
    virtual void clipboardCopy(TerminalView& source, std::span<const uint8_t> content) = 0;
    virtual void iTermContent(TerminalView& /*source*/, std::span<const uint8_t> /*content*/) {}
    // Rows changed by one display update (only while notifyUpdateChanges is on).
    virtual void rangeChanged(TerminalView& source, int startY, int endY) = 0;
};

} // namespace corvel
