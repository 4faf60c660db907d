#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace velmora {

// One built-in terminal palette. Colours are "#rrggbb" with lower-case digits.
struct CuratedPalette {
    QString id; // lower-case words joined by "-"; stored in the settings
    QString name;
    QString foreground;
    QString background;
    QString cursor;
    QStringList ansi; // the 16 base colours: black … white, then the bright ones

    bool operator==(const CuratedPalette&) const = default;
};

// The read-only catalogue of the 86 built-in palettes, in a fixed order.
namespace CuratedPalettes {

const QList<CuratedPalette>& all();

// The palette whose id equals the given one exactly (case-sensitive).
std::optional<CuratedPalette> byId(const QString& id);

// A palette drawn uniformly from those whose id differs from the excluded one
// (from all when none is given); the first palette when none qualifies.
CuratedPalette random(const std::optional<QString>& excluding = std::nullopt);

} // namespace CuratedPalettes
} // namespace velmora
