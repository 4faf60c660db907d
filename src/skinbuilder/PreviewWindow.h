#pragma once

#include "screen/ScreenEffects.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPainterPath>
#include <QPointer>
#include <QRegion>
#include <QSize>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

namespace velmora {

class ScreenCompositor;
class SkinBuilderModel;
struct CoordinateConverter;

// What the live preview draws, read from the builder's model at every paint:
// the frame picture, the screen area in the background colour with a fake
// terminal in the foreground colour, bent onto the screen's quadrilateral
// with the screen effects by the compositor device windows use, the
// picture again over the screen unless the screen is in front, the first
// button's highlight and a hint how to close the window. A drawer carried
// by a reopened skin slides open and shut with Ctrl+Shift+D.
class PreviewContentView final : public QWidget {
    Q_OBJECT

public:
    static constexpr double drawerDuration = 0.26; // seconds

    explicit PreviewContentView(SkinBuilderModel& model, QWidget* parent = nullptr);
    ~PreviewContentView() override;

    // Editor points to preview points: the design scale times the launch scale.
    static double previewScale(const CoordinateConverter& converter);
    // The fake terminal's lines for that skin name, moment, user and host
    // (the host cut before its first ".").
    static QStringList terminalLines(const QString& skinName, const QDateTime& now, const QString& user,
                                     const QString& host);
    static QString closeHint(bool drawerEnabled);

    double drawerProgress() const { return m_drawerProgress; }
    bool drawerOpen() const { return m_drawerOpen; }
    bool drawerAnimating() const { return m_drawerTimer.isActive(); }
    // Slides the drawer the other way, from where it is now; nothing without
    // a drawer or its screen area.
    void toggleDrawer();

    // The model's effects in the compositor's numbers (no grade: the
    // builder sets none).
    ScreenEffects screenEffects() const;
    // The compositor of the last screen drawn; none before the first paint.
    const ScreenCompositor* screenCompositor() const { return m_compositor.get(); }

    // The offset of the closed drawer, in preview points.
    QPointF closedOffset() const;
    // The drawer's outline in preview points; empty without three nodes.
    QPainterPath drawerMaskPath() const;

    // The pixels the preview draws at least half opaque: the picture's
    // body, the screen, a drawer that is out and the hint. A window that no
    // compositor blends is cut to it, as device windows are.
    QRegion outline();

signals:
    // The drawer moved a step: what the preview covers changed.
    void drawerMoved();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawerTick();
    void drawScreen(QPainter& painter, const QSizeF& size, double scale);
    void drawTerminalText(QPainter& painter, const QRectF& rect) const;
    void drawDrawerContent(QPainter& painter, double scale, const QPointF& offset) const;
    void drawFirstButton(QPainter& painter, double scale) const;
    void drawCloseHint(QPainter& painter, const QSizeF& size) const;

    SkinBuilderModel& m_model;
    double m_drawerProgress = 0;
    bool m_drawerOpen = false;
    double m_drawerAnimStart = 0;
    double m_drawerAnimFrom = 0;
    double m_drawerAnimTo = 0;
    QTimer m_drawerTimer;
    QElapsedTimer m_clock;
    std::unique_ptr<ScreenCompositor> m_compositor;
    QImage m_screenPicture;
};

// The preview's window: frameless, above other windows, dragged by its
// background. Escape or a double-click closes it; Ctrl+Shift+D moves the
// drawer. Where a compositor blends windows it is translucent, so the
// picture's soft edges show over the desktop; elsewhere it is filled black
// and cut to the preview's outline.
class PreviewPanel final : public QWidget {
    Q_OBJECT

public:
    PreviewPanel(SkinBuilderModel& model, const QSize& size, bool composited);

    PreviewContentView* content() const { return m_content; }
    bool isComposited() const { return m_composited; }
    // Cuts the window to the content's outline anew; nothing where it is
    // composited.
    void updateShape();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    PreviewContentView* m_content;
    bool m_composited;
    std::optional<QPoint> m_dragOffset;
};

// Opens the builder's live preview at the skin's launch size and keeps it
// following the model. Showing it again replaces the window, centred anew.
class PreviewWindowController final : public QObject {
    Q_OBJECT

public:
    explicit PreviewWindowController(SkinBuilderModel& model, QObject* parent = nullptr);
    ~PreviewWindowController() override;

    // The preview's size in points: the skin's launch size.
    static QSize previewSize(const CoordinateConverter& converter);

    // Closes an open preview, then opens a new one when the model has a
    // picture and a screen area.
    void show();
    PreviewPanel* window() const { return m_window; }

private:
    void modelChanged();

    SkinBuilderModel& m_model;
    QPointer<PreviewPanel> m_window;
};

} // namespace velmora
