#include "look/SkinGalleryCard.h"

#include "look/ButtonStyle.h"
#include "look/Drawing.h"
#include "look/KeyboardBadge.h"
#include "look/SkinDevicePreview.h"
#include "look/SymbolIcon.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QEasingCurve>
#include <QEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <cmath>

namespace velmora {
namespace {

constexpr int badgeInset = 6;

QColor accentOf(const QPalette& palette) { return palette.color(QPalette::Active, QPalette::Highlight); }
QColor secondaryOf(const QPalette& palette) { return Drawing::withAlpha(palette.color(QPalette::WindowText), 0.55f); }

QFont badgeFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(8);
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
    return font;
}

// A capsule with white capitals, and a symbol before them when one is named.
class CapsuleBadge final : public QWidget {
public:
    CapsuleBadge(const QString& text, const QColor& fill, const QString& symbol, QWidget* parent)
        : QWidget(parent), m_text(text), m_fill(fill), m_symbol(symbol)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAccessibleName(text);
        resize(sizeHint());
    }
    QSize sizeHint() const override
    {
        const QFontMetricsF metrics(badgeFont());
        const qreal symbol = m_symbol.isEmpty() ? 0 : 8 + 2;
        return QSizeF(symbol + metrics.horizontalAdvance(m_text) + 10, metrics.height() + 4).toSize();
    }
    QString text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF area = rect();
        QPainterPath capsule;
        capsule.addRoundedRect(area, area.height() / 2, area.height() / 2);
        painter.fillPath(capsule, m_fill);
        qreal x = 5;
        if (!m_symbol.isEmpty()) {
            SymbolIcon::paint(painter, QRectF(x, (area.height() - 8) / 2, 8, 8), m_symbol, Qt::white);
            x += 10;
        }
        painter.setFont(badgeFont());
        painter.setPen(Qt::white);
        painter.drawText(QRectF(x, 0, area.width() - x, area.height()), Qt::AlignLeft | Qt::AlignVCenter, m_text);
    }

private:
    QString m_text;
    QColor m_fill;
    QString m_symbol;
};

class KeyboardBadgeWidget final : public QWidget {
public:
    KeyboardBadgeWidget(const QColor& symbolColor, qsizetype keyCount, QWidget* parent)
        : QWidget(parent), m_color(symbolColor)
    {
        setFixedSize(int(KeyboardBadge::diameter), int(KeyboardBadge::diameter));
        setToolTip(KeyboardBadge::toolTip(keyCount));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        KeyboardBadge::paint(painter, QRectF(rect()), m_color);
    }

private:
    QColor m_color;
};

// A borderless button drawn as a red symbol, faded to almost nothing (but
// still clickable) while the card is not hovered.
class FadingSymbolButton final : public QAbstractButton {
public:
    FadingSymbolButton(const QString& symbol, const QString& help, QWidget* parent)
        : QAbstractButton(parent), m_symbol(symbol)
    {
        setToolTip(help);
        setAccessibleName(help);
        setCursor(Qt::PointingHandCursor);
        setFixedSize(22, 22);
    }
    void setOpacity(qreal opacity)
    {
        m_opacity = opacity;
        update();
    }
    qreal opacity() const { return m_opacity; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setOpacity(m_opacity);
        const QColor red(0xFF, 0x3B, 0x30);
        SymbolIcon::paint(painter, QRectF(rect()).adjusted(4, 4, -4, -4), m_symbol, isDown() ? red.darker(120) : red);
    }

private:
    QString m_symbol;
    qreal m_opacity = 0.001;
};

} // namespace

SkinGalleryCard::SkinGalleryCard(SkinManifest skin, bool isDefault, std::function<void()> onUseNow,
                                 std::function<void()> onMakeDefault, std::function<void()> onDelete, QWidget* parent)
    : QWidget(parent),
      m_skin(std::move(skin)),
      m_isDefault(isDefault),
      m_onUseNow(std::move(onUseNow)),
      m_onMakeDefault(std::move(onMakeDefault)),
      m_onDelete(std::move(onDelete))
{
    setAttribute(Qt::WA_Hover);
    setAccessibleName(m_skin.name);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    layout->addWidget(buildPreview());
    layout->addWidget(buildCaption());
    layout->addWidget(buildFooter());

    m_shadow = new QGraphicsDropShadowEffect(this);
    m_shadow->setXOffset(0);
    setGraphicsEffect(m_shadow);
    m_hoverAnimation = new QVariantAnimation(this);
    m_hoverAnimation->setDuration(150);
    m_hoverAnimation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_hoverAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        applyHover(value.toReal());
    });
    applyHover(0);
    applyColors();
}

std::optional<QString> SkinGalleryCard::userFolder() const
{
    if (m_skin.isBundled)
        return std::nullopt;
    return m_skin.userFolderURL();
}

SkinGalleryCard::Badge SkinGalleryCard::originBadgeFor(const SkinManifest& skin, const QPalette& palette)
{
    if (!skin.frameImageName)
        return {QStringLiteral("FALLBACK"), QColor(0xFF, 0x95, 0x00)};
    if (skin.frameImageName->startsWith(u'/'))
        return {QStringLiteral("ON DISK"), QColor(0x00, 0x7A, 0xFF)};
    return {QStringLiteral("BUILT-IN"), secondaryOf(palette)};
}

QString SkinGalleryCard::sizeCaption(QSizeF frameSize)
{
    // Whole numbers toward zero; "-0" never shows.
    const auto whole = [](qreal value) { return QString::number(std::trunc(value) + 0.0, 'f', 0); };
    return whole(frameSize.width()) + QStringLiteral(" × ") + whole(frameSize.height());
}

QWidget* SkinGalleryCard::buildPreview()
{
    m_preview = new SkinDevicePreview(m_skin, this);
    m_preview->setFixedHeight(previewHeight);
    m_preview->installEventFilter(this);

    const Badge origin = originBadgeFor(m_skin, palette());
    m_originBadge = new CapsuleBadge(
        origin.text, Drawing::withAlpha(origin.color, origin.color.alphaF() * 0.92f), QString(), m_preview);
    m_originBadge->move(badgeInset, badgeInset);
    if (m_isDefault)
        m_cornerBadge = new CapsuleBadge(
            QStringLiteral("DEFAULT"), accentOf(palette()), QStringLiteral("checkmark.seal.fill"), m_preview);
    else if (!m_skin.keys.empty())
        m_cornerBadge = new KeyboardBadgeWidget(m_skin.palette.foreground, qsizetype(m_skin.keys.size()), m_preview);
    return m_preview;
}

QWidget* SkinGalleryCard::buildCaption()
{
    auto* caption = new QWidget(this);
    auto* column = new QVBoxLayout(caption);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    m_name = new QLabel(caption);
    QFont nameFont = QApplication::font();
    nameFont.setPixelSize(12);
    nameFont.setWeight(QFont::DemiBold);
    m_name->setFont(nameFont);
    m_name->setAlignment(Qt::AlignCenter);
    m_name->setToolTip(m_skin.name);
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_name->setText(m_skin.name);
    m_name->installEventFilter(this);
    column->addWidget(m_name);

    m_size = new QLabel(sizeCaption(m_skin.frameSize), caption);
    QFont sizeFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    sizeFont.setPixelSize(10);
    m_size->setFont(sizeFont);
    m_size->setAlignment(Qt::AlignCenter);
    column->addWidget(m_size);
    return caption;
}

QWidget* SkinGalleryCard::buildFooter()
{
    auto* footer = new QWidget(this);
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);

    m_useNow = new QPushButton(QStringLiteral("Use Now"), footer);
    m_useNow->setCursor(Qt::PointingHandCursor);
    connect(m_useNow, &QPushButton::clicked, this, [this] {
        if (m_onUseNow)
            m_onUseNow();
    });
    row->addWidget(m_useNow);

    if (m_isDefault) {
        m_defaultMark = new QWidget(footer);
        auto* mark = new QHBoxLayout(m_defaultMark);
        mark->setContentsMargins(0, 0, 0, 0);
        mark->setSpacing(3);
        m_defaultIcon = new QLabel(m_defaultMark);
        m_defaultText = new QLabel(QStringLiteral("Default"), m_defaultMark);
        QFont font = QApplication::font();
        font.setPixelSize(11);
        font.setWeight(QFont::DemiBold);
        m_defaultText->setFont(font);
        mark->addWidget(m_defaultIcon);
        mark->addWidget(m_defaultText);
        row->addWidget(m_defaultMark);
    } else {
        m_makeDefault = new QPushButton(QStringLiteral("Make Default"), footer);
        m_makeDefault->setCursor(Qt::PointingHandCursor);
        connect(m_makeDefault, &QPushButton::clicked, this, [this] {
            if (m_onMakeDefault)
                m_onMakeDefault();
        });
        row->addWidget(m_makeDefault);
    }
    row->addStretch(1);

    if (userFolder()) {
        m_delete = new FadingSymbolButton(QStringLiteral("trash"), QStringLiteral("Delete this skin"), footer);
        connect(m_delete, &QAbstractButton::clicked, this, [this] {
            if (m_onDelete)
                m_onDelete();
        });
        row->addWidget(m_delete);
    }
    return footer;
}

QString SkinGalleryCard::nameText() const { return m_skin.name; }
QString SkinGalleryCard::sizeText() const { return m_size->text(); }

qreal SkinGalleryCard::deleteOpacity() const
{
    const auto* button = static_cast<const FadingSymbolButton*>(m_delete);
    return button ? button->opacity() : 0;
}

void SkinGalleryCard::applyColors()
{
    const QPalette colors = palette();
    const QColor accent = accentOf(colors);
    m_useNow->setStyleSheet(ButtonStyle::prominent(accent, ButtonStyle::Size::Small));
    if (m_makeDefault)
        m_makeDefault->setStyleSheet(ButtonStyle::bordered(colors, ButtonStyle::Size::Small));
    if (m_defaultMark) {
        m_defaultIcon->setPixmap(SymbolIcon::pixmap(QStringLiteral("checkmark"), accent, 11, devicePixelRatioF()));
        Drawing::setTextColor(m_defaultText, accent);
    }
    Drawing::setTextColor(m_size, secondaryOf(colors));
    update();
}

void SkinGalleryCard::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_useNow)
        applyColors();
}

void SkinGalleryCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(area, 12, 12);
    painter.fillPath(shape, palette().color(QPalette::Base));
    const qreal width = m_isDefault ? 2 : 1;
    const QColor edge = m_isDefault ? Drawing::withAlpha(accentOf(palette()), 0.9f)
                                    : Drawing::withAlpha(palette().color(QPalette::WindowText), 0.08f);
    painter.setPen(QPen(edge, width));
    QPainterPath outline;
    const qreal in = width / 2;
    outline.addRoundedRect(QRectF(rect()).adjusted(in, in, -in, -in), 12 - in, 12 - in);
    painter.drawPath(outline);
}

bool SkinGalleryCard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == m_preview && m_cornerBadge)
            m_cornerBadge->move(m_preview->width() - badgeInset - m_cornerBadge->width(), badgeInset);
        if (watched == m_name) // one line, cut short when longer
            m_name->setText(QFontMetricsF(m_name->font()).elidedText(m_skin.name, Qt::ElideRight, m_name->width()));
    }
    return QWidget::eventFilter(watched, event);
}

void SkinGalleryCard::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    setHovering(true);
}

void SkinGalleryCard::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    setHovering(false);
}

void SkinGalleryCard::setHovering(bool hovering)
{
    if (m_hovering == hovering)
        return;
    m_hovering = hovering;
    m_hoverAnimation->stop();
    m_hoverAnimation->setStartValue(m_hoverProgress);
    m_hoverAnimation->setEndValue(hovering ? 1.0 : 0.0);
    m_hoverAnimation->start();
}

void SkinGalleryCard::applyHover(qreal progress)
{
    m_hoverProgress = progress;
    m_shadow->setColor(QColor::fromRgbF(0, 0, 0, float(0.07 + 0.09 * progress)));
    // The effect's radius is the blur's extent; the design's radius is a
    // Gaussian's spread, about half of it.
    m_shadow->setBlurRadius(2 * (5 + 4 * progress));
    m_shadow->setYOffset(2 + 2 * progress);
    if (auto* button = static_cast<FadingSymbolButton*>(m_delete))
        button->setOpacity(0.001 + 0.999 * progress);
}

} // namespace velmora
