#pragma once

#include <QColor>
#include <QRect>
#include <QRegion>
#include <QSizeF>
#include <QWidget>

namespace velmora {

// A top-level window without title bar or border that is all content: the
// device's frame and screen. Where a compositor blends windows the window is
// translucent, so the frame's soft edges and shadow show over the desktop;
// elsewhere the frame's shape (setShape) cuts the window to the device's
// outline. The shape is also what takes clicks, so clicks beside the device
// reach the windows behind it.
class DeviceWindow final : public QWidget {
    Q_OBJECT

public:
    // A window with the given content rectangle, in screen coordinates.
    explicit DeviceWindow(const QRect& contentRect);

    // True when this process draws into composited windows: a compositing
    // manager owns the X11 selection "_NET_WM_CM_S<n>" of a screen, or the
    // display is a Wayland one.
    static bool compositingAvailable();
    bool isTranslucent() const { return m_translucent; }

    // The aspect ratio the window keeps when its size changes.
    QSizeF contentAspectRatio() const { return m_contentAspectRatio; }
    void setContentAspectRatio(const QSizeF& ratio) { m_contentAspectRatio = ratio; }

    // Cuts the window to the region (content coordinates); an empty region
    // removes the cut.
    void setShape(const QRegion& region);

    // Device mode: no title bar or border, see-through where the frame is.
    // Otherwise (mini mode) an ordinary window with title bar and buttons,
    // filled with the given colour. The window stays shown if it was.
    void setDeviceMode(bool deviceMode, const QColor& background = QColor());
    bool isDeviceMode() const { return m_deviceMode; }

signals:
    void didResize();
    // The window is about to close, once for each close that goes through.
    void willClose();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void fillWith(const QColor& colour);
    bool m_translucent = false;
    bool m_deviceMode = true;
    QSizeF m_contentAspectRatio;
};

} // namespace velmora
