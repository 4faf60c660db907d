#include "device/SkinFrameView.h"

#include "skin/FramePicture.h"
#include "skin/ViewportShape.h"

#include <QApplication>
#include <QEasingCurve>
#include <QEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

QColor rgb(double r, double g, double b) { return QColor::fromRgbF(float(r), float(g), float(b)); }

// The frame is never shown larger than a screen, so its picture is kept no
// larger than the largest screen in pixels (and no smaller than 2048 a side,
// for a screen that comes later).
QSize pictureBound()
{
    int side = 2048;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QSizeF pixels = QSizeF(screen->size()) * screen->devicePixelRatio();
        side = std::max({side, int(std::ceil(pixels.width())), int(std::ceil(pixels.height()))});
    }
    return QSize(side, side);
}

} // namespace

SkinFrameView::SkinFrameView(const SkinManifest& skin, QWidget* parent) : QWidget(parent), m_skin(skin)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(std::max(1, int(std::lround(skin.frameSize.width()))),
           std::max(1, int(std::lround(skin.frameSize.height()))));
    watchParent();
    for (std::size_t i = 0; i < m_skin.keys.size(); ++i)
        m_keyAreas[m_skin.keys[i].key].push_back(i);
    m_clock.start();
    m_pulseTimer.setInterval(16);
    connect(&m_pulseTimer, &QTimer::timeout, this, &SkinFrameView::pulseTick);
}

SkinFrameView::~SkinFrameView()
{
    watchKeys(false);
    if (m_watchedParent)
        m_watchedParent->removeEventFilter(this);
}

double SkinFrameView::scaleX() const { return m_skin.frameSize.width() > 0 ? width() / m_skin.frameSize.width() : 1.0; }

double SkinFrameView::scaleY() const
{
    return m_skin.frameSize.height() > 0 ? height() / m_skin.frameSize.height() : 1.0;
}

std::vector<QPointF> SkinFrameView::scaledViewportQuad() const
{
    const double sx = scaleX();
    const double sy = scaleY();
    const QRectF& v = m_skin.viewportRect;
    std::vector<QPointF> offsets;
    if (m_skin.viewportCornerOffsets.size() == 4) {
        for (const QPointF& offset : m_skin.viewportCornerOffsets)
            offsets.emplace_back(offset.x() * sx, offset.y() * sy);
    }
    return ViewportShape::corners(QRectF(v.x() * sx, v.y() * sy, v.width() * sx, v.height() * sy), offsets);
}

QPainterPath SkinFrameView::viewportQuadPath() const { return viewportQuadPath(QSizeF(size())); }

QPainterPath SkinFrameView::viewportQuadPath(const QSizeF& size) const
{
    const double sx = m_skin.frameSize.width() > 0 ? size.width() / m_skin.frameSize.width() : 1.0;
    const double sy = m_skin.frameSize.height() > 0 ? size.height() / m_skin.frameSize.height() : 1.0;
    const QRectF& v = m_skin.viewportRect;
    std::vector<QPointF> offsets;
    if (m_skin.viewportCornerOffsets.size() == 4) {
        for (const QPointF& offset : m_skin.viewportCornerOffsets)
            offsets.emplace_back(offset.x() * sx, offset.y() * sy);
    }
    const auto quad = ViewportShape::corners(QRectF(v.x() * sx, v.y() * sy, v.width() * sx, v.height() * sy), offsets);
    const double k = std::sqrt(sx * sy);
    std::vector<double> radii;
    if (m_skin.viewportCornerRadii.size() == 4) {
        for (double r : m_skin.viewportCornerRadii)
            radii.push_back(r * k);
    } else {
        radii.assign(4, m_skin.viewportCornerRadius * k);
    }
    QPainterPath path = ViewportShape::roundedQuadPath(quad, radii);
    path.setFillRule(Qt::WindingFill);
    return path;
}

QPainterPath SkinFrameView::keyAreaPath(std::size_t index) const
{
    QPainterPath path;
    if (index >= m_skin.keys.size())
        return path;
    const SkinManifest::KeyRect& key = m_skin.keys[index];
    const QRectF area(
        key.rect.x() * scaleX(), key.rect.y() * scaleY(), key.rect.width() * scaleX(), key.rect.height() * scaleY());
    if (key.shape == QLatin1String("circle"))
        path.addEllipse(area);
    else
        path.addRoundedRect(area, std::min(0.15 * area.width(), 4.0), std::min(0.15 * area.height(), 4.0));
    return path;
}

double SkinFrameView::pulseOpacity(qint64 elapsedMs)
{
    if (elapsedMs < 0 || elapsedMs >= pulseMs)
        return 0;
    static const QEasingCurve easeOut = [] {
        QEasingCurve curve(QEasingCurve::BezierSpline);
        curve.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
        return curve;
    }();
    const double t = easeOut.valueForProgress(double(elapsedMs) / pulseMs);
    constexpr double peakAt = 0.1;
    return t < peakAt ? pulsePeak * t / peakAt : pulsePeak * (1 - t) / (1 - peakAt);
}

QStringList SkinFrameView::keyNames(int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    QStringList names;
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Control:
    case Qt::Key_CapsLock: {
        // A modifier flashes every modifier held, itself included.
        const bool caps = key == Qt::Key_CapsLock;
        if (key == Qt::Key_Shift || modifiers & Qt::ShiftModifier)
            names << QStringLiteral("shift");
        if (key == Qt::Key_Alt || modifiers & Qt::AltModifier)
            names << QStringLiteral("option");
        if (key == Qt::Key_Meta || key == Qt::Key_Super_L || key == Qt::Key_Super_R || modifiers & Qt::MetaModifier)
            names << QStringLiteral("cmd");
        if (key == Qt::Key_Control || modifiers & Qt::ControlModifier)
            names << QStringLiteral("ctrl");
        if (caps)
            names << QStringLiteral("caps");
        return names;
    }
    default: break;
    }
    const QString typed = text.toLower();
    if (!typed.isEmpty() && typed.at(0).isPrint())
        names << typed;
    static const QHash<int, QString> special{
        {Qt::Key_Return, QStringLiteral("return")},
        {Qt::Key_Enter, QStringLiteral("return")},
        {Qt::Key_Tab, QStringLiteral("tab")},
        {Qt::Key_Backtab, QStringLiteral("tab")},
        {Qt::Key_Space, QStringLiteral("space")},
        {Qt::Key_Backspace, QStringLiteral("delete")},
        {Qt::Key_Escape, QStringLiteral("escape")},
        {Qt::Key_Left, QStringLiteral("left")},
        {Qt::Key_Right, QStringLiteral("right")},
        {Qt::Key_Down, QStringLiteral("down")},
        {Qt::Key_Up, QStringLiteral("up")},
    };
    if (const auto found = special.constFind(key); found != special.constEnd())
        names << *found;
    return names;
}

void SkinFrameView::pulseKey(const QString& name)
{
    if (!m_keyAreas.contains(name))
        return;
    m_pulses.insert(name, now());
    if (!m_pulseTimer.isActive())
        m_pulseTimer.start();
    update(pulsingArea());
}

qint64 SkinFrameView::now() const { return m_now ? m_now() : m_clock.elapsed(); }

double SkinFrameView::keyOpacity(const QString& name) const
{
    const auto found = m_pulses.constFind(name);
    return found == m_pulses.constEnd() ? 0.0 : pulseOpacity(now() - *found);
}

QRect SkinFrameView::pulsingArea() const
{
    QRectF area;
    for (auto pulse = m_pulses.constBegin(); pulse != m_pulses.constEnd(); ++pulse) {
        for (const std::size_t i : m_keyAreas.value(pulse.key()))
            area |= keyAreaPath(i).boundingRect();
    }
    return area.toAlignedRect().adjusted(-1, -1, 1, 1);
}

void SkinFrameView::pulseTick()
{
    const QRect before = pulsingArea();
    const qint64 time = now();
    for (auto it = m_pulses.begin(); it != m_pulses.end();) {
        if (time - it.value() >= pulseMs)
            it = m_pulses.erase(it);
        else
            ++it;
    }
    if (m_pulses.isEmpty())
        m_pulseTimer.stop();
    update(before);
}

void SkinFrameView::watchKeys(bool on)
{
    on = on && !m_skin.keys.empty();
    if (on == m_watchingKeys)
        return;
    m_watchingKeys = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void SkinFrameView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Once shown, the keys are watched for the view's life: mini mode only
    // hides the frame.
    watchKeys(true);
}

bool SkinFrameView::loadFrameImageIfNeeded()
{
    if (!m_cachedFrameImage.isNull())
        return true;
    if (!m_skin.frameImageName)
        return false;
    // A picture that failed is read again only once its file has changed.
    const QString path = FramePicture::path(*m_skin.frameImageName);
    const QFileInfo file(path);
    const QDateTime stamp = file.exists() ? file.lastModified() : QDateTime();
    if (m_failedPictureStamp && *m_failedPictureStamp == stamp)
        return false;
    const QImage image = FramePicture::load(*m_skin.frameImageName, pictureBound());
    if (image.isNull()) {
        m_failedPictureStamp = stamp;
        return false;
    }
    m_cachedFrameImage = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);

    // Is the picture already open at the screen's centre? Both coordinates are
    // scaled by the width factor, as pictures keep the design's proportions.
    if (m_skin.frameSize.width() > 0 && image.hasAlphaChannel()) {
        const double m = image.width() / m_skin.frameSize.width();
        const QPointF centre = m_skin.viewportRect.center();
        const int x = int(m * centre.x());
        const int y = int(m * centre.y());
        if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
            m_skinHasTransparentScreen = qAlpha(image.pixel(x, y)) < transparentScreenAlpha;
    }
    return true;
}

bool SkinFrameView::isFrameTransparent(const QPointF& point) const
{
    if (m_cachedFrameImage.isNull() || width() <= 0 || height() <= 0)
        return false;
    const double u = point.x() / width();
    const double v = point.y() / height();
    if (u < 0 || u > 1 || v < 0 || v > 1)
        return true;
    if (!m_cachedFrameImage.hasAlphaChannel())
        return false;
    const int x = std::clamp(int(u * m_cachedFrameImage.width()), 0, m_cachedFrameImage.width() - 1);
    const int y = std::clamp(int(v * m_cachedFrameImage.height()), 0, m_cachedFrameImage.height() - 1);
    return qAlpha(m_cachedFrameImage.pixel(x, y)) < transparentAlpha;
}

bool SkinFrameView::hitTest(const QPointF& point) const
{
    if (viewportQuadPath().contains(point))
        return false;
    return !isFrameTransparent(point);
}

QImage SkinFrameView::renderFrame(const QSize& size, double devicePixelRatio)
{
    const QSize pixels(std::max(1, int(std::lround(size.width() * devicePixelRatio))),
                       std::max(1, int(std::lround(size.height() * devicePixelRatio))));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_skin.frameImageName && loadFrameImageIfNeeded())
        drawImageFrame(painter, QSizeF(size));
    else
        drawProgrammaticFrame(painter, QSizeF(size));
    return image;
}

void SkinFrameView::drawImageFrame(QPainter& painter, const QSizeF& size)
{
    const QSize target(std::max(1, int(std::lround(size.width() * painter.device()->devicePixelRatioF()))),
                       std::max(1, int(std::lround(size.height() * painter.device()->devicePixelRatioF()))));
    // Area-averaged scaling keeps thin lines of a large picture intact.
    QImage scaled = m_cachedFrameImage.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(painter.device()->devicePixelRatioF());
    painter.drawImage(QPointF(0, 0), scaled);
    if (!m_skinHasTransparentScreen)
        cutOutScreen(painter, size);
}

void SkinFrameView::cutOutScreen(QPainter& painter, const QSizeF& size)
{
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillPath(viewportQuadPath(size), Qt::black);
    painter.restore();
}

void SkinFrameView::drawProgrammaticFrame(QPainter& painter, const QSizeF& size)
{
    const double w = size.width();
    const double h = size.height();
    const double sx = m_skin.frameSize.width() > 0 ? w / m_skin.frameSize.width() : 1.0;
    const double sy = m_skin.frameSize.height() > 0 ? h / m_skin.frameSize.height() : 1.0;
    const QRectF& v = m_skin.viewportRect;
    const QRectF screen(v.x() * sx, v.y() * sy, v.width() * sx, v.height() * sy);

    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(rgb(0.12, 0.13, 0.15));
    painter.drawRoundedRect(QRectF(0, 0, w, h), 16, 16);
    painter.setBrush(rgb(0.08, 0.09, 0.1));
    painter.drawRoundedRect(screen.adjusted(-6, -6, 6, 6), 8, 8);
    cutOutScreen(painter, size);

    const QPointF screws[] = {{10, 10}, {w - 18, 10}, {10, h - 18}, {w - 18, h - 18}};
    for (const QPointF& screw : screws) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(rgb(0.25, 0.26, 0.28));
        painter.drawEllipse(QRectF(screw, QSizeF(8, 8)));
        const QPointF centre = screw + QPointF(4, 4);
        painter.setPen(QPen(rgb(0.15, 0.16, 0.18), 1));
        painter.drawLine(centre - QPointF(2.5, 0), centre + QPointF(2.5, 0));
        painter.drawLine(centre - QPointF(0, 2.5), centre + QPointF(0, 2.5));
    }

    const QColor labelColour = rgb(0.45, 0.47, 0.5);
    QFont nameFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    nameFont.setPixelSize(10);
    nameFont.setWeight(QFont::Medium);
    painter.setFont(nameFont);
    painter.setPen(labelColour);
    painter.drawText(QRectF(screen.left(), screen.bottom() + 10, std::max(1.0, screen.width() - 90), 14),
                     Qt::AlignLeft | Qt::AlignTop,
                     m_skin.name.toUpper());

    struct Lamp {
        const char* label;
        QColor colour;
    };
    const Lamp lamps[] = {{"PWR", rgb(0.2, 0.8, 0.3)}, {"NET", rgb(0.3, 0.5, 1.0)}, {"ACT", rgb(0.9, 0.6, 0.1)}};
    QFont lampFont = nameFont;
    lampFont.setPixelSize(7);
    lampFont.setWeight(QFont::Normal);
    painter.setFont(lampFont);
    for (int i = 0; i < 3; ++i) {
        const double x = screen.right() - 80 + 28 * i;
        painter.setPen(Qt::NoPen);
        painter.setBrush(lamps[i].colour);
        painter.drawEllipse(QRectF(x, screen.bottom() + 12, 6, 6));
        painter.setPen(labelColour);
        painter.drawText(QRectF(x + 8, screen.bottom() + 11, 20, 9),
                         Qt::AlignLeft | Qt::AlignTop,
                         QString::fromLatin1(lamps[i].label));
    }
    painter.restore();
}

QRegion SkinFrameView::shapeRegion(int alphaThreshold)
{
    // The outline is read off the picture the view paints, sampled at each
    // logical pixel's centre, so the frame is scaled once per size.
    const double dpr = devicePixelRatioF();
    const QImage& frame = renderedFrame(dpr);
    const int columns = width();
    const int rows = height();
    std::vector<int> sourceColumn(std::max(0, columns));
    for (int x = 0; x < columns; ++x)
        sourceColumn[x] = std::min(frame.width() - 1, int((x + 0.5) * dpr));
    // One rectangle per run of opaque pixels, row after row: already in the
    // banded order a region is made of.
    std::vector<QRect> runs;
    for (int y = 0; y < rows && !frame.isNull(); ++y) {
        const auto* line
            = reinterpret_cast<const QRgb*>(frame.constScanLine(std::min(frame.height() - 1, int((y + 0.5) * dpr))));
        const auto opaque = [&](int x) { return qAlpha(line[sourceColumn[x]]) >= alphaThreshold; };
        int x = 0;
        while (x < columns) {
            while (x < columns && !opaque(x))
                ++x;
            const int start = x;
            while (x < columns && opaque(x))
                ++x;
            if (x > start)
                runs.emplace_back(start, y, x - start, 1);
        }
    }
    QRegion region;
    if (!runs.empty())
        region.setRects(runs.data(), int(runs.size()));
    region += QRegion(viewportQuadPath().toFillPolygon().toPolygon());
    return region;
}

const QImage& SkinFrameView::renderedFrame(double devicePixelRatio)
{
    const QSize wanted(std::max(1, int(std::lround(width() * devicePixelRatio))),
                       std::max(1, int(std::lround(height() * devicePixelRatio))));
    // A picture that did not load is looked for again, but the frame is
    // drawn anew only once it loads: the screen repaints beneath this view
    // all the time.
    bool pictureArrived = false;
    if (m_skin.frameImageName && m_cachedFrameImage.isNull() && !m_rendered.isNull())
        pictureArrived = loadFrameImageIfNeeded();
    if (m_rendered.isNull() || m_rendered.size() != wanted || m_rendered.devicePixelRatio() != devicePixelRatio
        || pictureArrived)
        m_rendered = renderFrame(size(), devicePixelRatio);
    return m_rendered;
}

void SkinFrameView::paintEvent(QPaintEvent* event)
{
    const double dpr = devicePixelRatioF();
    const QImage& frame = renderedFrame(dpr);
    QPainter painter(this);
    const QRect exposed = event->rect();
    const QRectF source(exposed.x() * dpr, exposed.y() * dpr, exposed.width() * dpr, exposed.height() * dpr);
    painter.drawImage(QRectF(exposed), frame, source);
    if (m_pulses.isEmpty())
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Screen);
    for (auto pulse = m_pulses.constBegin(); pulse != m_pulses.constEnd(); ++pulse) {
        const double opacity = keyOpacity(pulse.key());
        if (opacity <= 0)
            continue;
        QColor colour = m_skin.palette.foreground;
        colour.setAlphaF(float(keyAlpha * opacity));
        for (const std::size_t i : m_keyAreas.value(pulse.key()))
            painter.fillPath(keyAreaPath(i), colour);
    }
}

void SkinFrameView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_rendered = QImage();
}

void SkinFrameView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ParentChange)
        watchParent();
}

void SkinFrameView::watchParent()
{
    if (m_watchedParent == parentWidget())
        return;
    if (m_watchedParent)
        m_watchedParent->removeEventFilter(this);
    m_watchedParent = parentWidget();
    if (m_watchedParent)
        m_watchedParent->installEventFilter(this);
}

bool SkinFrameView::eventFilter(QObject* watched, QEvent* event)
{
    // Every key press reaches this window's native window first, once.
    if (m_watchingKeys && event->type() == QEvent::KeyPress && watched->isWindowType()) {
        const QWidget* top = window();
        if (top && top->windowHandle() == watched) {
            const auto* key = static_cast<QKeyEvent*>(event);
            for (const QString& name : keyNames(key->key(), key->modifiers(), key->text()))
                pulseKey(name);
        }
        return false;
    }
    if (watched == m_watchedParent && isVisible()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            if (handleParentMouse(m_watchedParent, event))
                return true;
            break;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool SkinFrameView::handleParentMouse(QWidget* parent, QEvent* event)
{
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPointF local = mapFrom(parent, mouse->position());
    QWidget* topLevel = window();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (!hitTest(local))
            return false;
        if (mouse->button() == Qt::RightButton) {
            emit contextMenuRequested(mouse->globalPosition().toPoint());
            return true;
        }
        if (mouse->button() != Qt::LeftButton)
            return true;
        // Let the window system move the window where it can; otherwise move
        // it ourselves as the pointer goes.
        if (topLevel->windowHandle() && topLevel->windowHandle()->startSystemMove())
            return true;
        m_dragStartGlobal = mouse->globalPosition().toPoint();
        m_dragStartWindow = topLevel->pos();
        return true;
    case QEvent::MouseMove:
        if (!m_dragStartGlobal)
            return false;
        topLevel->move(m_dragStartWindow + (mouse->globalPosition().toPoint() - *m_dragStartGlobal));
        return true;
    case QEvent::MouseButtonRelease:
        if (!m_dragStartGlobal)
            return false;
        m_dragStartGlobal.reset();
        return true;
    default: return false;
    }
}

} // namespace velmora
