#include "core/SkinEffectsSettings.h"

#include "core/JsonFields.h"

namespace velmora {

std::optional<SkinEffectsSettings> SkinEffectsSettings::fromJson(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();

    using namespace JsonFields;
    const auto scanlines = boolean(object, QStringLiteral("scanlines"));
    const auto scanlineIntensity = number(object, QStringLiteral("scanlineIntensity"));
    const auto scanlineStyle = string(object, QStringLiteral("scanlineStyle"));
    const auto glow = boolean(object, QStringLiteral("glow"));
    const auto glowIntensity = number(object, QStringLiteral("glowIntensity"));
    const auto curvature = boolean(object, QStringLiteral("curvature"));
    const auto curvatureAmount = number(object, QStringLiteral("curvatureAmount"));
    const auto colorGrade = string(object, QStringLiteral("colorGrade"));
    if (!scanlines || !scanlineIntensity || !scanlineStyle || !glow || !glowIntensity || !curvature || !curvatureAmount
        || !colorGrade)
        return std::nullopt;

    return SkinEffectsSettings{*scanlines,
                               *scanlineIntensity,
                               *scanlineStyle,
                               *glow,
                               *glowIntensity,
                               *curvature,
                               *curvatureAmount,
                               *colorGrade};
}

QJsonObject SkinEffectsSettings::toJson() const
{
    return QJsonObject{
        {QStringLiteral("scanlines"), scanlines},
        {QStringLiteral("scanlineIntensity"), scanlineIntensity},
        {QStringLiteral("scanlineStyle"), scanlineStyle},
        {QStringLiteral("glow"), glow},
        {QStringLiteral("glowIntensity"), glowIntensity},
        {QStringLiteral("curvature"), curvature},
        {QStringLiteral("curvatureAmount"), curvatureAmount},
        {QStringLiteral("colorGrade"), colorGrade},
    };
}

} // namespace velmora
