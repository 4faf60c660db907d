#pragma once

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QMargins>
#include <QPalette>
#include <QString>

// The recurring pieces of the settings window's tabs: section titles, row
// labels and captions, in one set of sizes. Secondary text takes the
// palette's placeholder colour, so it follows the desktop's theme.
namespace velmora::SettingsLook {

inline constexpr int headlinePixels = 14;
inline constexpr int bodyPixels = 13;
inline constexpr int captionPixels = 11;

inline QMargins tabMargins() { return {16, 16, 16, 16}; }

inline QFont font(int pixels, QFont::Weight weight = QFont::Normal)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

inline QColor secondaryText(const QPalette& palette) { return palette.color(QPalette::PlaceholderText); }

inline QLabel* label(const QString& text, int pixels, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font(pixels));
    return label;
}

// A section title.
inline QLabel* sectionHeader(const QString& text, QWidget* parent)
{
    QLabel* header = label(text, headlinePixels, parent);
    header->setFont(font(headlinePixels, QFont::DemiBold));
    return header;
}

// A small note in the secondary colour.
inline QLabel* caption(const QString& text, QWidget* parent)
{
    QLabel* caption = label(text, captionPixels, parent);
    caption->setForegroundRole(QPalette::PlaceholderText);
    caption->setWordWrap(true);
    return caption;
}

// The label at the start of a form row: a fixed width, the text against its
// trailing edge, in the secondary colour.
inline QLabel* rowLabel(const QString& text, int width, QWidget* parent)
{
    QLabel* row = label(text, bodyPixels, parent);
    row->setForegroundRole(QPalette::PlaceholderText);
    row->setFixedWidth(width);
    row->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return row;
}

} // namespace velmora::SettingsLook
