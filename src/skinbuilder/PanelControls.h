#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QString>

class QColorDialog;
class QPushButton;

// The small pieces the skin builder's side panel is made of: section titles,
// hint texts, wide buttons with a symbol, stepped sliders, colour wells and a
// switch. Sizes are in points, one point being one logical pixel.
namespace velmora {

namespace PanelLook {

// The system font at a pixel size; monospaced when asked.
QFont font(qreal pixelSize, QFont::Weight weight = QFont::Normal, bool monospaced = false);

// Secondary text: the window's text colour, paler.
QColor secondaryText(const QPalette& palette, qreal opacity = 1.0);

// A label in the font and colour given; secondary when no colour is given.
QLabel* label(const QString& text, const QFont& font, const QColor& color = QColor());

// A 9-point secondary text that wraps over as many lines as it needs.
QLabel* hint(const QString& text = QString());

// A full-width button whose title follows a symbol: buttons sharing a row
// share its width equally.
QPushButton* wideButton(const QString& symbol, const QString& title, const QString& toolTip = QString());

// Draws the button tinted with the accent colour while `tinted` is true.
void setTinted(QPushButton* button, bool tinted);

// The button filled with the accent colour.
void makeProminent(QPushButton* button);

// A thin horizontal rule between sections.
QWidget* divider();

// The accent colour of the window's style.
QColor accent(const QPalette& palette);

} // namespace PanelLook

// The title of a section of the side panel: 10-point bold monospaced,
// secondary colour.
class SectionHeader final : public QLabel {
    Q_OBJECT

public:
    explicit SectionHeader(const QString& title, QWidget* parent = nullptr);

    QString title() const { return text(); }
};

// A horizontal slider over a closed range that snaps to multiples of a step
// counted from the lower bound. It moves on whole-number positions and maps
// position k to lower + k × step. setValue() only shows a value (it sends
// nothing), so a slider can follow its model without writing back;
// valueEdited() reports what the user sets.
class StepSlider final : public QSlider {
    Q_OBJECT

public:
    StepSlider(double lower, double upper, double step, QWidget* parent = nullptr);

    double lower() const { return m_lower; }
    double upper() const { return m_upper; }
    double step() const { return m_step; }

    // The value at the slider's position.
    double currentValue() const;
    // Shows the position nearest to the value (clamped to the range)
    // without sending valueEdited().
    void setValue(double value);

    // The value of position k.
    double valueAt(int position) const;
    // The position nearest to the value, within the range.
    int positionOf(double value) const;

signals:
    void valueEdited(double value);

private:
    double m_lower;
    double m_upper;
    double m_step;
};

// A small swatch showing a colour (over a checkerboard where it is
// translucent); a click opens the colour chooser, whose every change is
// reported by colorChosen() at once.
class ColorWell final : public QAbstractButton {
    Q_OBJECT

public:
    explicit ColorWell(const QString& accessibleName, QWidget* parent = nullptr);
    ~ColorWell() override;

    QColor color() const { return m_color; }
    // Shows the colour without reporting it.
    void setColor(const QColor& color);

    // What choosing the colour in the chooser does: shows it and reports it.
    void choose(const QColor& color);

    QSize sizeHint() const override;

signals:
    void colorChosen(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void openChooser();

    QColor m_color{Qt::black};
    QPointer<QColorDialog> m_dialog;
};

// An on/off switch drawn as a pill with a knob.
class SwitchToggle final : public QAbstractButton {
    Q_OBJECT

public:
    explicit SwitchToggle(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace velmora
