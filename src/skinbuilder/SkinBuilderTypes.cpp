#include "skinbuilder/SkinBuilderTypes.h"

#include "skin/SkinManifestExport.h"

#include <cmath>

namespace velmora {

QString rawValue(DrawerEdge edge)
{
    switch (edge) {
    case DrawerEdge::top: return QStringLiteral("top");
    case DrawerEdge::bottom: return QStringLiteral("bottom");
    case DrawerEdge::left: return QStringLiteral("left");
    case DrawerEdge::right: return QStringLiteral("right");
    }
    return {};
}

std::optional<DrawerEdge> drawerEdgeFromRaw(const QString& raw)
{
    for (DrawerEdge edge : allDrawerEdges)
        if (rawValue(edge) == raw)
            return edge;
    return std::nullopt;
}

QString rawValue(ButtonShape shape)
{
    return shape == ButtonShape::circle ? QStringLiteral("circle") : QStringLiteral("rect");
}

QString rawValue(PanelType panel)
{
    switch (panel) {
    case PanelType::terminal: return QStringLiteral("terminal");
    case PanelType::telemetry: return QStringLiteral("telemetry");
    case PanelType::music: return QStringLiteral("music");
    case PanelType::widget: return QStringLiteral("widget");
    case PanelType::system: return QStringLiteral("system");
    case PanelType::claude: return QStringLiteral("claude");
    case PanelType::drawer: return QStringLiteral("drawer");
    case PanelType::placeholder: return QStringLiteral("placeholder");
    }
    return {};
}

std::optional<PanelType> panelTypeFromRaw(const QString& raw)
{
    for (PanelType panel : allPanelTypes)
        if (rawValue(panel) == raw)
            return panel;
    return std::nullopt;
}

QSizeF CoordinateConverter::designSize() const
{
    return {std::round(pixelSize.width() * 0.5), std::round(pixelSize.height() * 0.5)};
}

double CoordinateConverter::scale() const
{
    return SkinManifestExport::exportScale(pixelSize.width(), imageSize.width());
}

QSizeF CoordinateConverter::launchSize() const
{
    const QSizeF design = designSize();
    return {std::round(design.width() * launchScale), std::round(design.height() * launchScale)};
}

} // namespace velmora
