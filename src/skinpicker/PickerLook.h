#pragma once

#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>

// The colours and fonts the "Choose a Skin" window draws with: a dark window
// whatever the desktop's theme, so the skins' own colours stand out.
namespace velmora::PickerLook {

inline QColor background() { return QColor::fromRgbF(0.08f, 0.08f, 0.10f); }
inline QColor accent() { return QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight); }
inline QColor statusGreen() { return QColor(0x34, 0xC7, 0x59); }
inline QColor white(float opacity) { return QColor::fromRgbF(1, 1, 1, opacity); }

// The monospaced face at a size in points (one point is one logical pixel).
inline QFont monospaced(int points, QFont::Weight weight = QFont::Normal)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(points);
    font.setWeight(weight);
    return font;
}

} // namespace velmora::PickerLook
