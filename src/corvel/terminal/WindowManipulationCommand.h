#pragma once

namespace corvel {

// A window operation or report requested by the child (CSI t), handed to the
// host. The first five kinds carry one or two numbers in a and b.
struct WindowManipulationCommand {
    enum class Kind {
        moveWindowTo, // a = x, b = y
        resizeWindowTo, // a = width, b = height
        resizeTo, // a = cols, b = rows
        resizeTerminal, // a = cols, b = rows
        resizeToLines, // a = lines
        deiconifyWindow,
        iconifyWindow,
        bringToFront,
        sendToBack,
        refreshWindow,
        restoreMaximizedWindow,
        maximizeWindow,
        maximizeWindowVertically,
        maximizeWindowHorizontally,
        undoFullScreen,
        switchToFullScreen,
        toggleFullScreen,
        reportTerminalState,
        reportTerminalPosition,
        reportTextAreaPosition,
        reportTextAreaPixelDimension,
        reportTerminalWindowPixelDimension,
        reportSizeOfScreenInPixels,
        reportCellSizeInPixels,
        reportTextAreaCharacters,
        reportScreenSizeCharacters,
        reportIconLabel,
        reportWindowTitle,
    };

    Kind kind = Kind::refreshWindow;
    int a = 0;
    int b = 0;

    friend constexpr bool operator==(const WindowManipulationCommand&, const WindowManipulationCommand&) = default;
};

} // namespace corvel
