#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

namespace corvel {

// The input method's uncommitted text, drawn over the terminal at the caret
// in the terminal's font, underlined, on the terminal's background. Hidden
// while there is none. Mouse events pass through.
class PreeditView : public QWidget {
    Q_OBJECT
public:
    explicit PreeditView(QWidget* parent);

    QString text() const { return text_; }
    // cursor: the input method's caret inside the text, in UTF-16 units.
    void setText(const QString& text, int cursor);
    void setStyle(const QFont& font, const QColor& foreground, const QColor& background);
    // Puts the text's top-left corner at origin, one cell high.
    void place(QPointF origin, double cellHeight);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void relayout();

    QString text_;
    int cursor_ = 0;
    QFont font_;
    QColor foreground_;
    QColor background_;
    QPointF origin_;
    double cellHeight_ = 0;
};

} // namespace corvel
