#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace velmora {

// The screen effects of one skin. The two strings are stored as given; the
// effects overlay gives them their meaning and its own fallback.
struct SkinEffectsSettings {
    bool scanlines = false;
    double scanlineIntensity = 0.3;
    QString scanlineStyle = QStringLiteral("standard"); // standard, heavy, shadowmask, rolling
    bool glow = false;
    double glowIntensity = 0.4;
    bool curvature = false;
    double curvatureAmount = 0.15;
    QString colorGrade = QStringLiteral("none"); // none, amber, green, blue, cool

    // All eight members are required: a value that is not an object, or that
    // lacks one of them or holds it with another type, gives no settings.
    static std::optional<SkinEffectsSettings> fromJson(const QJsonValue& value);
    QJsonObject toJson() const;

    bool operator==(const SkinEffectsSettings&) const = default;
};

} // namespace velmora
