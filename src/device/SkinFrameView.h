#pragma once

#include "skin/SkinManifest.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QPainterPath>
#include <QPoint>
#include <QRegion>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QMouseEvent;

namespace velmora {

// The body of a device: the skin's frame picture stretched over the view (or,
// for a skin without a picture or whose picture does not load, a plain body
// drawn in code), with the screen area left open so that the screen lying
// behind the view shows through. The view covers the whole content of its
// device window and is sized with it; one design unit is
// width() / frameSize.width() pixels across and height() / frameSize.height()
// down.
//
// Keys: the skin's key areas flash (a short pulse of the palette's foreground,
// blended as Screen) when the user types the matching key in this window:
// the typed character in lower case, the special keys "return", "tab",
// "space", "delete", "escape", "left", "right", "down", "up", and the
// modifiers "shift", "option" (Alt), "cmd" (Super), "ctrl" and "caps".
//
// Pointer: the view itself lets every mouse event through; it watches its
// parent instead, so a press that lands on the body (not on the screen area
// and not on a transparent part of the picture) drags the window, and a right
// press there asks for the context menu (contextMenuRequested()). Presses on the screen reach the
// screen's widgets as usual.
class SkinFrameView : public QWidget {
    Q_OBJECT

public:
    // Alpha below which a picture pixel does not take clicks.
    static constexpr int transparentAlpha = 10;
    // Alpha below which the picture counts as open at the screen's centre.
    static constexpr int transparentScreenAlpha = 30;

    // Builds the view for the skin at its design size; the owner sets the
    // real geometry afterwards.
    explicit SkinFrameView(const SkinManifest& skin, QWidget* parent = nullptr);
    ~SkinFrameView() override;

    const SkinManifest& skin() const { return m_skin; }

    // The screen's four corners in view coordinates, offsets applied.
    std::vector<QPointF> scaledViewportQuad() const;
    // The screen's rounded outline in view coordinates.
    QPainterPath viewportQuadPath() const;

    // The frame picture once loaded (loading is tried on each paint until it
    // succeeds); null while there is none.
    const QImage& frameImage() const { return m_cachedFrameImage; }
    // The picture is already transparent at the screen's centre, so the
    // screen area is not cut out of it.
    bool skinHasTransparentScreen() const { return m_skinHasTransparentScreen; }

    // True where a click on the picture falls through: outside the view, or
    // on a picture pixel with alpha below transparentAlpha. A body drawn in
    // code is never transparent.
    bool isFrameTransparent(const QPointF& point) const;
    // True when a press at the point (view coordinates) belongs to the body:
    // neither on the screen area nor on a transparent part of the picture.
    bool hitTest(const QPointF& point) const;

    // The frame as drawn at the given size in logical pixels and backing
    // scale: picture or fallback body, screen area cleared.
    QImage renderFrame(const QSize& size, double devicePixelRatio = 1.0);

    // The area of a window of the view's size that shows something: every
    // pixel of the frame with at least the given alpha, plus the screen area.
    // Used as the window's shape where windows are not composited.
    QRegion shapeRegion(int alphaThreshold);

    // How long a key pulse lasts, and its strongest opacity (reached after a
    // tenth of it).
    static constexpr int pulseMs = 250;
    static constexpr double pulsePeak = 0.9;
    // The alpha of a key area's colour at full opacity.
    static constexpr double keyAlpha = 0.45;

    // Flashes every key area of that name.
    void pulseKey(const QString& name);
    // The present opacity of the areas of that name (0 when not pulsing).
    double keyOpacity(const QString& name) const;
    // Where the pulses read the time, in milliseconds (tests set it); by
    // default a monotonic clock.
    void setClock(std::function<qint64()> now) { m_now = std::move(now); }
    // The opacity of a pulse after the given time: 0 … pulsePeak … 0, eased
    // out.
    static double pulseOpacity(qint64 elapsedMs);
    // The names that a key press flashes, in order: the character, the
    // special key's name, then for a modifier key every modifier held.
    static QStringList keyNames(int key, Qt::KeyboardModifiers modifiers, const QString& text);
    // Key areas in view coordinates, in the skin's order.
    QPainterPath keyAreaPath(std::size_t index) const;

signals:
    // A right press on the body, at that point of the screen.
    void contextMenuRequested(const QPoint& globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    double scaleX() const;
    double scaleY() const;
    bool loadFrameImageIfNeeded();
    void drawImageFrame(QPainter& painter, const QSizeF& size);
    void drawProgrammaticFrame(QPainter& painter, const QSizeF& size);
    void cutOutScreen(QPainter& painter, const QSizeF& size);
    const QImage& renderedFrame(double devicePixelRatio);
    QPainterPath viewportQuadPath(const QSizeF& size) const;
    void watchParent();
    void watchKeys(bool on);
    void pulseTick();
    QRect pulsingArea() const;
    qint64 now() const;
    bool handleParentMouse(QWidget* parent, QEvent* event);

    SkinManifest m_skin;
    QImage m_cachedFrameImage;
    bool m_skinHasTransparentScreen = false;
    // When the picture last failed to load: its file's modification time.
    std::optional<QDateTime> m_failedPictureStamp;
    // The frame at the current size and backing scale: painted, and read for
    // the window's outline.
    QImage m_rendered;
    QWidget* m_watchedParent = nullptr;
    // A drag that the window system could not take over: where it started.
    std::optional<QPoint> m_dragStartGlobal;
    QPoint m_dragStartWindow;
    // When each pulsing key name began, and the clock they are read on.
    QHash<QString, qint64> m_pulses;
    // The skin's key areas by name, in the skin's order.
    QHash<QString, std::vector<std::size_t>> m_keyAreas;
    QElapsedTimer m_clock;
    std::function<qint64()> m_now;
    QTimer m_pulseTimer;
    bool m_watchingKeys = false;
};

} // namespace velmora
