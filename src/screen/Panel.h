#pragma once

#include <QString>

class QWidget;

namespace velmora {

// What fills a screen slot of a device window: a root widget that the
// screen container places and masks into the screen area, and the widget
// that takes the keyboard when the slot is shown.
class Panel {
public:
    virtual ~Panel() = default;

    virtual QString panelName() const = 0;
    virtual QWidget* rootView() const = 0;
    // The widget that should have the keyboard focus: the panel's own choice,
    // else its root widget.
    virtual QWidget* keyboardView() const = 0;
};

} // namespace velmora
