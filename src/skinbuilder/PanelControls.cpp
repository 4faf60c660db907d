#include "skinbuilder/PanelControls.h"

#include "look/ButtonStyle.h"
#include "look/ColorContrast.h"
#include "look/SymbolIcon.h"

#include <QColorDialog>
#include <QFontDatabase>
#include <QFrame>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace velmora {

namespace PanelLook {

QFont font(qreal pixelSize, QFont::Weight weight, bool monospaced)
{
    QFont result = monospaced ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont();
    result.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    result.setWeight(weight);
    return result;
}

QColor secondaryText(const QPalette& palette, qreal opacity)
{
    const QColor text = palette.color(QPalette::WindowText);
    const QColor back = palette.color(QPalette::Window);
    // About half way from the background to the text, as secondary labels are.
    const qreal mix = 0.6 * opacity;
    return QColor::fromRgbF(float(back.redF() + (text.redF() - back.redF()) * mix),
                            float(back.greenF() + (text.greenF() - back.greenF()) * mix),
                            float(back.blueF() + (text.blueF() - back.blueF()) * mix));
}

QLabel* label(const QString& text, const QFont& font, const QColor& color)
{
    auto* result = new QLabel(text);
    result->setFont(font);
    QPalette palette = result->palette();
    const QColor shown = color.isValid() ? color : secondaryText(palette);
    // A label on a Base background draws with Text, elsewhere with WindowText.
    palette.setColor(QPalette::WindowText, shown);
    palette.setColor(QPalette::Text, shown);
    result->setPalette(palette);
    return result;
}

QLabel* hint(const QString& text)
{
    QLabel* result = label(text, font(9));
    result->setWordWrap(true);
    return result;
}

QPushButton* wideButton(const QString& symbol, const QString& title, const QString& toolTip)
{
    auto* button = new QPushButton(title);
    button->setProperty("symbol", symbol);
    const QColor ink = button->palette().color(QPalette::ButtonText);
    QIcon icon;
    for (qreal ratio : {1.0, 2.0}) {
        icon.addPixmap(SymbolIcon::pixmap(symbol, ink, 14, ratio), QIcon::Normal);
        QColor faded = ink;
        faded.setAlphaF(0.38f);
        icon.addPixmap(SymbolIcon::pixmap(symbol, faded, 14, ratio), QIcon::Disabled);
    }
    button->setIcon(icon);
    button->setIconSize(QSize(14, 14));
    button->setToolTip(toolTip);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setMinimumWidth(0);
    button->setStyleSheet(ButtonStyle::bordered(button->palette()));
    return button;
}

QColor accent(const QPalette& palette) { return palette.color(QPalette::Active, QPalette::Highlight); }

void setTinted(QPushButton* button, bool tinted)
{
    if (button->property("tinted").toBool() == tinted && !button->styleSheet().isEmpty())
        return;
    button->setProperty("tinted", tinted);
    button->setStyleSheet(tinted ? ButtonStyle::tinted(button->palette(), accent(button->palette()))
                                 : ButtonStyle::bordered(button->palette()));
}

void makeProminent(QPushButton* button)
{
    const QColor fill = accent(button->palette());
    button->setStyleSheet(ButtonStyle::prominent(fill));
    // The symbol takes the title's colour on the filled button.
    const QColor ink = ColorContrast::textOn(fill);
    QIcon icon;
    for (qreal ratio : {1.0, 2.0}) {
        icon.addPixmap(SymbolIcon::pixmap(button->property("symbol").toString(), ink, 14, ratio), QIcon::Normal);
        QColor faded = ink;
        faded.setAlphaF(0.55f);
        icon.addPixmap(SymbolIcon::pixmap(button->property("symbol").toString(), faded, 14, ratio), QIcon::Disabled);
    }
    button->setIcon(icon);
}

QWidget* divider()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(1);
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, secondaryText(palette, 0.35));
    line->setPalette(palette);
    return line;
}

} // namespace PanelLook

SectionHeader::SectionHeader(const QString& title, QWidget* parent) : QLabel(title, parent)
{
    setFont(PanelLook::font(10, QFont::Bold, true));
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, PanelLook::secondaryText(palette));
    setPalette(palette);
}

StepSlider::StepSlider(double lower, double upper, double step, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), m_lower(lower), m_upper(upper), m_step(step)
{
    setRange(0, int(std::floor((upper - lower) / step + 1e-9)));
    setSingleStep(1);
    setPageStep(std::max(1, maximum() / 10));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QSlider::valueChanged, this, [this](int position) { emit valueEdited(valueAt(position)); });
}

double StepSlider::valueAt(int position) const { return m_lower + position * m_step; }

int StepSlider::positionOf(double value) const
{
    if (std::isnan(value))
        return 0;
    const double steps = std::round((value - m_lower) / m_step);
    return int(std::clamp(steps, 0.0, double(maximum())));
}

double StepSlider::currentValue() const { return valueAt(QSlider::value()); }

void StepSlider::setValue(double value)
{
    const int position = positionOf(value);
    if (position == QSlider::value())
        return;
    const QSignalBlocker blocker(this);
    QSlider::setValue(position);
}

ColorWell::ColorWell(const QString& accessibleName, QWidget* parent) : QAbstractButton(parent)
{
    setAccessibleName(accessibleName);
    setToolTip(accessibleName);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::clicked, this, &ColorWell::openChooser);
}

ColorWell::~ColorWell()
{
    if (m_dialog)
        m_dialog->deleteLater();
}

QSize ColorWell::sizeHint() const { return {38, 22}; }

void ColorWell::setColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
    if (m_dialog && m_dialog->currentColor() != color) {
        const QSignalBlocker blocker(m_dialog.data());
        m_dialog->setCurrentColor(color);
    }
}

void ColorWell::choose(const QColor& color)
{
    setColor(color);
    emit colorChosen(color);
}

void ColorWell::openChooser()
{
    if (!m_dialog) {
        m_dialog = new QColorDialog(m_color, window());
        m_dialog->setOption(QColorDialog::ShowAlphaChannel);
        m_dialog->setWindowTitle(accessibleName());
        connect(m_dialog, &QColorDialog::currentColorChanged, this, &ColorWell::choose);
    }
    m_dialog->setCurrentColor(m_color);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void ColorWell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(frame, 5, 5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawPath(outline);

    const QRectF swatch = frame.adjusted(3, 3, -3, -3);
    QPainterPath inner;
    inner.addRoundedRect(swatch, 3, 3);
    painter.save();
    painter.setClipPath(inner);
    if (m_color.alpha() < 255) {
        painter.fillRect(swatch, Qt::white);
        const qreal cell = 4;
        for (int row = 0; row * cell < swatch.height(); ++row)
            for (int column = row % 2; column * cell < swatch.width(); column += 2)
                painter.fillRect(QRectF(swatch.left() + column * cell, swatch.top() + row * cell, cell, cell),
                                 QColor(204, 204, 204));
    }
    painter.fillRect(swatch, m_color);
    painter.restore();

    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlphaF(isDown() ? 0.5f : (underMouse() ? 0.35f : 0.22f));
    painter.setPen(QPen(edge, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);
    if (hasFocus()) {
        painter.setPen(QPen(PanelLook::accent(palette()), 2));
        painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    }
}

SwitchToggle::SwitchToggle(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

QSize SwitchToggle::sizeHint() const { return {34, 20}; }

void SwitchToggle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(0, 0, 34, 20).translated(0, (height() - 20) / 2.0).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor off = palette().color(QPalette::WindowText);
    off.setAlphaF(0.22f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? PanelLook::accent(palette()) : off);
    if (!isEnabled())
        painter.setOpacity(0.5);
    painter.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    const qreal knob = track.height() - 4;
    const qreal x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(PanelLook::accent(palette()), 1.5));
        painter.drawRoundedRect(track.adjusted(-1, -1, 1, 1), track.height() / 2 + 1, track.height() / 2 + 1);
    }
}

} // namespace velmora
