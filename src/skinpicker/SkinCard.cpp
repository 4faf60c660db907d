#include "skinpicker/SkinCard.h"

#include "look/Drawing.h"
#include "look/KeyboardBadge.h"
#include "look/SymbolIcon.h"
#include "skin/FramePicture.h"
#include "skinpicker/PickerLook.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace velmora {
namespace {

constexpr qreal cornerRadius = 8;
constexpr qreal thumbnailRadius = 6;
constexpr qreal badgeInset = 6;
constexpr int buttonInset = 6;
constexpr int buttonSpacing = 6;

// The largest rectangle of the given aspect ratio inside the area, centred.
QRectF fitted(const QRectF& area, QSizeF aspect)
{
    if (aspect.width() <= 0 || aspect.height() <= 0)
        return area;
    const QSizeF size = aspect.scaled(area.size(), Qt::KeepAspectRatio);
    return QRectF(
        area.center().x() - size.width() / 2, area.center().y() - size.height() / 2, size.width(), size.height());
}

} // namespace

RoundSymbolButton::RoundSymbolButton(const QString& symbol, const QColor& tint, const QString& help, QWidget* parent)
    : QAbstractButton(parent), m_symbol(symbol), m_tint(tint)
{
    setToolTip(help);
    setAccessibleName(help);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(side, side);
}

void RoundSymbolButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Drawing::withAlpha(isDown() ? m_tint.darker(115) : m_tint, 0.85f));
    painter.drawEllipse(QRectF(rect()));
    SymbolIcon::paint(painter, QRectF(rect()).adjusted(5, 5, -5, -5), m_symbol, Qt::white);
}

SkinCard::SkinCard(SkinManifest skin, std::optional<QString> userFolder, bool isCurrent, std::function<void()> onSelect,
                   std::function<void(const QString&)> onEdit, std::function<void()> onDelete, QWidget* parent)
    : QWidget(parent),
      m_skin(std::move(skin)),
      m_userFolder(std::move(userFolder)),
      m_isCurrent(isCurrent),
      m_onSelect(std::move(onSelect)),
      m_onEdit(std::move(onEdit)),
      m_onDelete(std::move(onDelete))
{
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(m_skin.name);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setFixedHeight(cardHeight);

    if (m_userFolder) {
        m_edit = new RoundSymbolButton(
            QStringLiteral("pencil"), QColor(0x0A, 0x84, 0xFF), QStringLiteral("Edit in Skin Builder"), this);
        m_delete = new RoundSymbolButton(
            QStringLiteral("trash"), QColor(0xFF, 0x45, 0x3A), QStringLiteral("Delete skin"), this);
        connect(m_edit, &QAbstractButton::clicked, this, [this] {
            if (m_onEdit)
                m_onEdit(*m_userFolder);
        });
        connect(m_delete, &QAbstractButton::clicked, this, [this] {
            if (m_onDelete)
                m_onDelete();
        });
        m_edit->hide();
        m_delete->hide();
    }
}

QSize SkinCard::sizeHint() const { return {160, cardHeight}; }
QSize SkinCard::minimumSizeHint() const { return {10, cardHeight}; }

QRectF SkinCard::thumbnailArea() const
{
    return QRectF(inset, inset, std::max(0, width() - 2 * inset), thumbnailHeight);
}

QRectF SkinCard::thumbnailRect() const { return fitted(thumbnailArea(), m_skin.frameSize); }

std::optional<QRectF> SkinCard::badgeRect() const
{
    if (m_skin.keys.empty())
        return std::nullopt;
    return QRectF(inset + badgeInset, inset + badgeInset, KeyboardBadge::diameter, KeyboardBadge::diameter);
}

QRectF SkinCard::nameArea() const
{
    return QRectF(inset, inset + thumbnailHeight + spacing, std::max(0, width() - 2 * inset), nameHeight);
}

QImage SkinCard::loadSkinImage(const QString& frameImageName, QSize fitWithin)
{
    return FramePicture::load(frameImageName, fitWithin);
}

QSize SkinCard::pictureBox() const
{
    // The thumbnail is at most the full thumbnail height at the frame's
    // aspect ratio, whatever the card's width.
    const QSizeF frame = m_skin.frameSize;
    const QSizeF shown = frame.width() > 0 && frame.height() > 0
        ? QSizeF(thumbnailHeight * frame.width() / frame.height(), thumbnailHeight)
        : thumbnailArea().size();
    const QSizeF pixels = shown * devicePixelRatioF();
    return QSize(int(std::min<qreal>(std::ceil(pixels.width()), 1 << 20)), int(std::ceil(pixels.height())));
}

const QImage& SkinCard::picture()
{
    if (!m_picture)
        m_picture = m_skin.frameImageName ? loadSkinImage(*m_skin.frameImageName, pictureBox()) : QImage();
    return *m_picture;
}

void SkinCard::setHovering(bool hovering)
{
    if (m_hovering == hovering)
        return;
    m_hovering = hovering;
    if (m_edit) {
        m_edit->setVisible(hovering);
        m_delete->setVisible(hovering);
    }
    update();
}

void SkinCard::placeButtons()
{
    if (!m_edit)
        return;
    const int right = width() - inset - buttonInset;
    const int top = inset + buttonInset;
    m_delete->move(right - RoundSymbolButton::side, top);
    m_edit->move(right - 2 * RoundSymbolButton::side - buttonSpacing, top);
}

void SkinCard::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

bool SkinCard::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const std::optional<QRectF> badge = badgeRect();
        if (badge && badge->contains(help->pos())) {
            QToolTip::showText(
                help->globalPos(), KeyboardBadge::toolTip(qsizetype(m_skin.keys.size())), this, badge->toAlignedRect());
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void SkinCard::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    setHovering(true);
}

void SkinCard::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    setHovering(false);
}

void SkinCard::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void SkinCard::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click && m_onSelect)
        m_onSelect();
}

void SkinCard::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (m_onSelect)
            m_onSelect();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SkinCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF outer = QRectF(rect());
    painter.setClipPath(Drawing::roundedRect(outer, cornerRadius));
    painter.fillRect(outer, PickerLook::white(m_hovering ? 0.09f : 0.05f));

    paintThumbnail(painter);
    paintName(painter);

    if (const std::optional<QRectF> badge = badgeRect())
        KeyboardBadge::paint(painter, *badge, m_skin.palette.foreground);

    if (m_isCurrent) {
        // Drawn inside the content's edge, 8 points in from the card's.
        const QRectF content = outer.adjusted(inset, inset, -inset, -inset);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(PickerLook::accent(), 2));
        painter.drawPath(Drawing::roundedRect(content.adjusted(1, 1, -1, -1), cornerRadius - 1));
    }
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(PickerLook::white(0.35f), 1, Qt::DotLine));
        painter.drawPath(Drawing::roundedRect(outer.adjusted(1.5, 1.5, -1.5, -1.5), cornerRadius - 1));
    }
}

void SkinCard::paintThumbnail(QPainter& painter)
{
    const QRectF target = thumbnailRect();
    const QImage& image = picture();
    painter.save();
    if (!image.isNull()) {
        painter.setClipPath(Drawing::roundedRect(target, thumbnailRadius), Qt::IntersectClip);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, image);
        painter.restore();
        return;
    }
    const QColor foreground = m_skin.palette.foreground;
    painter.setBrush(m_skin.palette.background);
    painter.setPen(Qt::NoPen);
    painter.drawPath(Drawing::roundedRect(target, thumbnailRadius));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Drawing::withAlpha(foreground, 0.3f), 1));
    painter.drawPath(Drawing::roundedRect(target.adjusted(0.5, 0.5, -0.5, -0.5), thumbnailRadius - 0.5));
    painter.setFont(PickerLook::monospaced(11, QFont::Medium));
    painter.setPen(Drawing::withAlpha(foreground, 0.5f));
    painter.drawText(target, Qt::AlignCenter, QStringLiteral(">>>_"));
    painter.restore();
}

void SkinCard::paintName(QPainter& painter)
{
    const QRectF area = nameArea();
    const QFont font = PickerLook::monospaced(10, m_isCurrent ? QFont::Bold : QFont::Medium);
    const QFontMetricsF metrics(font);
    constexpr qreal markSide = 10;
    constexpr qreal gap = 4;
    const qreal room = area.width() - (m_isCurrent ? markSide + gap : 0);
    const QString name = metrics.elidedText(m_skin.name, Qt::ElideRight, std::max<qreal>(0, room));
    const qreal textWidth = metrics.horizontalAdvance(name);
    const qreal total = textWidth + (m_isCurrent ? markSide + gap : 0);
    qreal x = area.center().x() - total / 2;

    painter.save();
    if (m_isCurrent) {
        SymbolIcon::paint(painter,
                          QRectF(x, area.center().y() - markSide / 2, markSide, markSide),
                          QStringLiteral("checkmark.circle.fill"),
                          PickerLook::accent());
        x += markSide + gap;
    }
    painter.setFont(font);
    painter.setPen(m_isCurrent ? PickerLook::accent() : PickerLook::white(0.8f));
    painter.drawText(QRectF(x, area.top(), textWidth + 1, area.height()), Qt::AlignLeft | Qt::AlignVCenter, name);
    painter.restore();
}

} // namespace velmora
