#include "skinbuilder/PreviewWindow.h"

#include "device/DeviceWindow.h"
#include "screen/ScreenCompositor.h"
#include "skin/HexColor.h"
#include "skin/ViewportShape.h"
#include "skinbuilder/PanelControls.h"
#include "skinbuilder/SkinBuilderModel.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QScreen>
#include <QSysInfo>
#include <QTextLayout>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cmath>

#include <pwd.h>
#include <unistd.h>

namespace velmora {

namespace {

// Only the opaque 8-bit value of a colour counts, as in a skin file.
QColor opaque(const QColor& color) { return HexColor::parse(HexColor::hexString(color)).value_or(QColor(Qt::black)); }

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return color;
}

QString loginName()
{
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

QRectF scaled(const QRectF& rect, double s)
{
    return {rect.x() * s, rect.y() * s, rect.width() * s, rect.height() * s};
}

} // namespace

// --- Content ------------------------------------------------------------------

PreviewContentView::PreviewContentView(SkinBuilderModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    m_drawerTimer.setInterval(1000 / 60);
    connect(&m_drawerTimer, &QTimer::timeout, this, &PreviewContentView::drawerTick);
    m_clock.start();
}

PreviewContentView::~PreviewContentView() = default;

double PreviewContentView::previewScale(const CoordinateConverter& converter)
{
    const double k = converter.imageSize.width() > 0
        ? std::round(converter.pixelSize.width() * 0.5) / converter.imageSize.width()
        : 1.0;
    return k * converter.launchScale;
}

QStringList PreviewContentView::terminalLines(const QString& skinName, const QDateTime& now, const QString& user,
                                              const QString& host)
{
    const QString shortHost = host.section(u'.', 0, 0);
    const QString prompt = user + u'@' + shortHost + QStringLiteral(" ~ %");
    return {skinName.toUpper() + QStringLiteral(" -- PREVIEW MODE"),
            QString(38, QChar(0x2550)),
            QStringLiteral("Last login: ") + QLocale().toString(now, QStringLiteral("ddd MMM d HH:mm:ss")),
            prompt,
            QStringLiteral("> velmora --skin \"%1\"").arg(skinName),
            QStringLiteral("Loading skin... OK"),
            QStringLiteral("Terminal: 80x24"),
            QStringLiteral("Ready."),
            QString(),
            prompt};
}

QString PreviewContentView::closeHint(bool drawerEnabled)
{
    return drawerEnabled ? QStringLiteral("Ctrl+Shift+D drawer · ESC or double-click to close")
                         : QStringLiteral("ESC or double-click to close");
}

void PreviewContentView::toggleDrawer()
{
    if (!m_model.drawerEnabled() || !m_model.drawerViewport())
        return;
    m_drawerOpen = !m_drawerOpen;
    m_drawerAnimFrom = m_drawerProgress;
    m_drawerAnimTo = m_drawerOpen ? 1 : 0;
    m_drawerAnimStart = m_clock.nsecsElapsed() / 1e9;
    m_drawerTimer.start();
}

void PreviewContentView::drawerTick()
{
    const double t = std::min((m_clock.nsecsElapsed() / 1e9 - m_drawerAnimStart) / drawerDuration, 1.0);
    const double eased = 1 - (1 - t) * (1 - t);
    m_drawerProgress = m_drawerAnimFrom + (m_drawerAnimTo - m_drawerAnimFrom) * eased;
    update();
    if (t >= 1) {
        m_drawerProgress = m_drawerAnimTo;
        m_drawerTimer.stop();
    }
    emit drawerMoved();
}

QRegion PreviewContentView::outline()
{
    // What the paint leaves at least half opaque on a clear picture.
    QImage drawn(size(), QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    render(&drawn, QPoint(), QRegion(), QWidget::DrawChildren);
    return QRegion(QBitmap::fromImage(drawn.createAlphaMask(Qt::ThresholdAlphaDither)));
}

QPainterPath PreviewContentView::drawerMaskPath() const
{
    const auto& nodes = m_model.drawerMask();
    if (nodes.size() < 3)
        return {};
    const double s = previewScale(m_model.makeConverter());
    return bezierPath(nodes, true, [s](const QPointF& p) { return p * s; });
}

QPointF PreviewContentView::closedOffset() const
{
    const double s = previewScale(m_model.makeConverter());
    QRectF box;
    const auto& nodes = m_model.drawerMask();
    if (nodes.size() >= 3) {
        double left = nodes.front().point.x(), right = left, top = nodes.front().point.y(), bottom = top;
        for (const BezierNode& node : nodes) {
            left = std::min(left, node.point.x());
            right = std::max(right, node.point.x());
            top = std::min(top, node.point.y());
            bottom = std::max(bottom, node.point.y());
        }
        box = QRectF(QPointF(left, top), QPointF(right, bottom));
    }
    const QRectF drawer = m_model.drawerViewport().value_or(QRectF());
    const double across = 2 * s * std::max(box.width(), drawer.width());
    const double along = 2 * s * std::max(box.height(), drawer.height());
    switch (m_model.drawerEdge()) {
    case DrawerEdge::left: return {across, 0};
    case DrawerEdge::right: return {-across, 0};
    case DrawerEdge::top: return {0, along};
    case DrawerEdge::bottom: return {0, -along};
    }
    return {};
}

void PreviewContentView::paintEvent(QPaintEvent*)
{
    if (!m_model.hasImage() || !m_model.viewport())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const CoordinateConverter converter = m_model.makeConverter();
    const double s = previewScale(converter);
    const QSizeF size = PreviewWindowController::previewSize(converter);
    const QRectF whole(QPointF(0, 0), size);
    const QImage& picture = m_model.skinImage();

    const QPointF offset = closedOffset() * (1 - m_drawerProgress);
    const bool drawer = m_model.drawerEnabled();
    const QPainterPath mask = drawer ? drawerMaskPath() : QPainterPath();
    if (drawer && m_drawerProgress > 0)
        drawDrawerContent(painter, s, offset);

    // The picture without the drawer's part, then that part seen through a
    // window that moves with the drawer.
    painter.save();
    if (!mask.isEmpty()) {
        QPainterPath outside;
        outside.setFillRule(Qt::OddEvenFill);
        outside.addRect(whole);
        outside.addPath(mask);
        painter.setClipPath(outside);
    }
    painter.drawImage(whole, picture);
    painter.restore();
    if (!mask.isEmpty()) {
        painter.save();
        QPainterPath moved = mask.translated(offset);
        moved.setFillRule(Qt::WindingFill);
        painter.setClipPath(moved);
        painter.drawImage(whole, picture);
        painter.restore();
    }

    drawScreen(painter, size, s);
    if (!m_model.screenInFront())
        painter.drawImage(whole, picture);
    drawFirstButton(painter, s);
    drawCloseHint(painter, size);
}

ScreenEffects PreviewContentView::screenEffects() const
{
    SkinEffectsSettings settings;
    settings.scanlines = m_model.scanlines();
    settings.scanlineIntensity = m_model.scanlineIntensity();
    settings.scanlineStyle = m_model.scanlineStyle();
    settings.glow = m_model.glow();
    settings.glowIntensity = m_model.glowIntensity();
    settings.curvature = m_model.curvature();
    settings.curvatureAmount = m_model.curvatureAmount();
    settings.colorGrade = QStringLiteral("none"); // the builder sets no grade
    return ScreenEffects::from(settings, opaque(m_model.fgColor()));
}

void PreviewContentView::drawScreen(QPainter& painter, const QSizeF&, double s)
{
    const QRectF viewport = *m_model.viewport();
    const QRectF r = scaled(viewport, s);
    const double c = viewport.width() != 0 ? r.width() / viewport.width() : s;
    std::vector<QPointF> corners = {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()};
    std::vector<qreal> radii(4);
    const auto& offsets = m_model.viewportCornerOffsets();
    const auto& cornerRadii = m_model.viewportCornerRadii();
    for (size_t i = 0; i < 4; ++i) {
        if (i < offsets.size())
            corners[i] += offsets[i] * c;
        radii[i] = (i < cornerRadii.size() ? cornerRadii[i] : SkinBuilderModel::defaultCornerRadius) * c;
    }
    QPainterPath quad = ViewportShape::roundedQuadPath(corners, radii);
    quad.setFillRule(Qt::WindingFill);
    painter.fillPath(quad, opaque(m_model.bgColor()));
    if (!(r.width() > 0) || !(r.height() > 0))
        return;

    // The fake terminal drawn flat, then bent onto the quad with the
    // effects by the compositor device windows use; on a curved screen at
    // twice the resolution, as they do.
    const ScreenEffects effects = screenEffects();
    ScreenCompositor::Geometry geometry;
    geometry.screenSize = QSize(std::max(1, int(std::lround(r.width()))), std::max(1, int(std::lround(r.height()))));
    geometry.corners = corners;
    geometry.radii = std::vector<double>(radii.begin(), radii.end());
    geometry.outputRect = ViewportShape::boundingBox(corners).toAlignedRect();
    geometry.devicePixelRatio = painter.device() ? painter.device()->devicePixelRatioF() : devicePixelRatioF();
    geometry.sourceScale = effects.curvatureScale != 0 ? 2 : 1;
    if (!m_compositor)
        m_compositor = ScreenCompositor::create(ScreenCompositor::Backend::Cpu);
    m_compositor->setGeometry(geometry);
    m_compositor->setEffects(effects);
    const QSize pixels = m_compositor->sourcePixelSize();
    if (pixels.isEmpty())
        return;
    if (m_screenPicture.size() != pixels)
        m_screenPicture = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    m_screenPicture.setDevicePixelRatio(geometry.devicePixelRatio * geometry.sourceScale);
    m_screenPicture.fill(opaque(m_model.bgColor()));
    {
        QPainter text(&m_screenPicture);
        text.setRenderHint(QPainter::Antialiasing);
        drawTerminalText(text, QRectF(QPointF(0, 0), QSizeF(geometry.screenSize)));
    }
    m_compositor->compose(m_screenPicture, QRect(QPoint(0, 0), geometry.screenSize));
    painter.drawImage(QPointF(geometry.outputRect.topLeft()), m_compositor->output());
}

void PreviewContentView::drawTerminalText(QPainter& painter, const QRectF& rect) const
{
    QFont font = PanelLook::font(std::max(m_model.launchScale() * 11, 9.0), QFont::Normal, true);
    painter.setFont(font);
    painter.setPen(opaque(m_model.fgColor()));
    const QRectF area = rect.adjusted(6, 4, -6, -4);
    const QStringList lines
        = terminalLines(m_model.skinName(), QDateTime::currentDateTime(), loginName(), QSysInfo::machineHostName());
    // Long lines wrap between words where they can, inside a word where
    // they must, with two points between every pair of lines.
    QTextOption wrapping(Qt::AlignLeft);
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    qreal y = area.top();
    for (const QString& text : lines) {
        QTextLayout layout(text, font, painter.device());
        layout.setTextOption(wrapping);
        layout.beginLayout();
        const qreal top = y;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(area.width());
            line.setPosition(QPointF(0, y - area.top()));
            y += line.height() + 2;
        }
        layout.endLayout();
        if (y == top) // an empty line still takes a line's room
            y += QFontMetricsF(font).height() + 2;
        layout.draw(&painter, area.topLeft());
        if (y >= area.bottom())
            break;
    }
}

void PreviewContentView::drawDrawerContent(QPainter& painter, double s, const QPointF& offset) const
{
    if (!m_model.drawerViewport())
        return;
    const QRectF r = scaled(*m_model.drawerViewport(), s).translated(offset);
    const QColor fg = opaque(m_model.fgColor());
    painter.fillRect(r, withAlpha(opaque(m_model.bgColor()), 0.94));
    painter.setPen(QPen(withAlpha(fg, 0.35), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r);
    painter.setFont(PanelLook::font(11, QFont::Bold, true));
    painter.setPen(withAlpha(fg, 0.9));
    const QString widget = m_model.drawerDefaultWidget();
    painter.drawText(r,
                     Qt::AlignCenter | Qt::TextDontClip,
                     widget.isEmpty() ? QStringLiteral("DRAWER CONTENT")
                                      : QStringLiteral("DRAWER: ") + widget.toUpper());
}

void PreviewContentView::drawFirstButton(QPainter& painter, double s) const
{
    if (m_model.buttons().empty())
        return;
    QPainterPath highlight;
    highlight.addRoundedRect(scaled(m_model.buttons().front().rect, s), 4, 4);
    painter.fillPath(highlight, withAlpha(opaque(m_model.fgColor()), 0.15));
}

void PreviewContentView::drawCloseHint(QPainter& painter, const QSizeF& size) const
{
    const QString text = closeHint(m_model.drawerEnabled());
    const QFont font = PanelLook::font(10, QFont::Medium);
    const QFontMetricsF metrics(font);
    const qreal tw = metrics.horizontalAdvance(text);
    const qreal th = metrics.height();
    const qreal x = (size.width() - tw - 16) / 2;
    QPainterPath box;
    box.addRoundedRect(QRectF(x, 8, tw + 16, th + 6), 4, 4);
    painter.fillPath(box, withAlpha(Qt::black, 0.6));
    painter.setFont(font);
    painter.setPen(withAlpha(Qt::white, 0.7));
    painter.drawText(QRectF(x + 8, 11, tw + 1, th), Qt::AlignLeft | Qt::AlignTop, text);
}

// --- Window -------------------------------------------------------------------

PreviewPanel::PreviewPanel(SkinBuilderModel& model, const QSize& size, bool composited)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_composited(composited)
{
    if (composited) {
        setAttribute(Qt::WA_TranslucentBackground);
    } else {
        // Soft edges of the picture blend into black where the cut meets them.
        QPalette black = palette();
        black.setColor(QPalette::Window, Qt::black);
        setPalette(black);
        setAutoFillBackground(true);
    }
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(QStringLiteral("Preview — ") + model.skinName());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_content = new PreviewContentView(model);
    layout->addWidget(m_content);
    setFixedSize(size);
    if (!composited)
        connect(m_content, &PreviewContentView::drawerMoved, this, &PreviewPanel::updateShape);
}

void PreviewPanel::updateShape()
{
    if (m_composited)
        return;
    layout()->activate(); // the content has the window's size
    const QRegion outline = m_content->outline();
    if (outline.isEmpty())
        clearMask();
    else
        setMask(outline);
}

void PreviewPanel::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers command = Qt::ControlModifier | Qt::ShiftModifier;
    if ((event->modifiers() & command) == command && event->key() == Qt::Key_D) {
        m_content->toggleDrawer();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PreviewPanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // The window manager moves the window where it can; else follow the mouse.
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void PreviewPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragOffset && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - *m_dragOffset);
}

void PreviewPanel::mouseReleaseEvent(QMouseEvent*) { m_dragOffset.reset(); }

void PreviewPanel::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragOffset.reset();
    // Closed once the click is over, not from inside its handler.
    QTimer::singleShot(0, this, &QWidget::close);
}

// --- Controller -----------------------------------------------------------------

PreviewWindowController::PreviewWindowController(SkinBuilderModel& model, QObject* parent)
    : QObject(parent), m_model(model)
{
}

PreviewWindowController::~PreviewWindowController() { delete m_window.data(); }

QSize PreviewWindowController::previewSize(const CoordinateConverter& converter)
{
    const QSizeF size = converter.launchSize();
    return {int(size.width()), int(size.height())};
}

void PreviewWindowController::show()
{
    if (m_window)
        m_window->close();
    m_window.clear();
    if (!m_model.hasImage() || !m_model.viewport())
        return;
    auto* panel = new PreviewPanel(m_model, previewSize(m_model.makeConverter()), DeviceWindow::compositingAvailable());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        panel->move(screen->availableGeometry().center() - panel->rect().center());
    // Each change is drawn one pass of the event loop later, once settled.
    connect(
        &m_model, &SkinBuilderModel::changed, panel, [this] { modelChanged(); }, Qt::QueuedConnection);
    m_window = panel;
    m_model.setPreviewWindow(panel);
    panel->updateShape();
    panel->show();
    panel->raise();
    panel->activateWindow();
    panel->setFocus();
}

void PreviewWindowController::modelChanged()
{
    if (!m_window)
        return;
    const QSize size = previewSize(m_model.makeConverter());
    if (!size.isEmpty() && m_window->size() != size)
        m_window->setFixedSize(size);
    m_window->content()->update();
    m_window->updateShape();
}

} // namespace velmora
