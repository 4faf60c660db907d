#pragma once

#include <QColor>
#include <QRect>
#include <QRegion>
#include <QSizeF>
#include <QTimer>
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

    // The aspect ratio the window keeps when its size changes, in device
    // mode. The window manager is given it as the window's aspect hint; where
    // it resizes the window to another aspect all the same (or a program
    // does), or to a size at the ratio that is larger than its screen's
    // available area, the window settles by itself settleDelayMs after the
    // last such resize: at the ratio, inside that area. An empty ratio lets
    // the window take any size.
    QSizeF contentAspectRatio() const { return m_contentAspectRatio; }
    void setContentAspectRatio(const QSizeF& ratio);
    static constexpr int settleDelayMs = 150;

    // Sets the window's frame. A size set here stands even off the aspect
    // ratio (a restored frame) until the next resize from outside.
    void place(const QRect& frame);

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
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    // The colour the window is filled with under its widgets; none leaves
    // it clear.
    void fillWith(const QColor& colour);
    // Writes the aspect ratio into the window's size hints (X11 only), where
    // they do not hold it yet.
    void applyAspectHint();
    void settleAtAspect();
    // The available area of the window's screen; null without a screen.
    QRect availableArea() const;
    // True when the size fits the available area (or there is none).
    bool fitsAvailableArea(const QSize& size) const;
    bool m_translucent = false;
    bool m_deviceMode = true;
    QSizeF m_contentAspectRatio;
    QColor m_fill;
    // The size last set through place().
    QSize m_placedSize;
    // The last size that kept the ratio (or was placed): where a resize that
    // broke it started from.
    QSize m_settledSize;
    QTimer m_settleTimer;
    // Settling attempts since the window last had a good size; a window
    // manager that refuses them all is left alone after a few.
    int m_settleAttempts = 0;
};

} // namespace velmora
