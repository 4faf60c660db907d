#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QUuid>

#include <array>
#include <optional>

namespace velmora {

// The tool the editing canvas applies to mouse input. Only the screen-area
// tool, the two pens and the magic wand have behaviour; the other three are
// carried for skins that name them.
enum class DrawTool { viewport, button, drawerMask, drawerViewport, imageCropPen, imageErasePen, magicWand };

inline bool isPenTool(DrawTool tool) { return tool == DrawTool::imageCropPen || tool == DrawTool::imageErasePen; }

// The edge a skin's drawer slides out of.
enum class DrawerEdge { top, bottom, left, right };

inline constexpr std::array<DrawerEdge, 4> allDrawerEdges{
    DrawerEdge::top, DrawerEdge::bottom, DrawerEdge::left, DrawerEdge::right};

QString rawValue(DrawerEdge edge);
// Exact, case-sensitive match of a raw value.
std::optional<DrawerEdge> drawerEdgeFromRaw(const QString& raw);

enum class ButtonShape { rect, circle };

QString rawValue(ButtonShape shape);

// The kind of panel a skin button shows by default. Only the terminal panel
// exists; the value is carried through the builder and the skin file.
enum class PanelType { terminal, telemetry, music, widget, system, claude, drawer, placeholder };

inline constexpr std::array<PanelType, 8> allPanelTypes{PanelType::terminal,
                                                        PanelType::telemetry,
                                                        PanelType::music,
                                                        PanelType::widget,
                                                        PanelType::system,
                                                        PanelType::claude,
                                                        PanelType::drawer,
                                                        PanelType::placeholder};

QString rawValue(PanelType panel);
// Exact, case-sensitive match of a raw value: "Terminal" is no panel.
std::optional<PanelType> panelTypeFromRaw(const QString& raw);

// One skin button, in picture points.
struct ButtonDef {
    QUuid id = QUuid::createUuid();
    QRectF rect;
    QString label;
    ButtonShape shape = ButtonShape::rect;
    PanelType defaultPanel = PanelType::placeholder;
    QString key; // empty for none

    bool operator==(const ButtonDef&) const = default;
};

// The sizes from which the builder derives the skin's design size, the scale
// between picture points and design points, and the launch window size.
// Every rounding is to the nearest whole number, halves away from zero.
struct CoordinateConverter {
    QSizeF imageSize; // the picture's point size
    QSizeF pixelSize;
    double launchScale = 1.0;

    // Half the pixel size: the frame's size in the skin file.
    QSizeF designSize() const;
    // Design points per picture point, from the widths; 1 without a width.
    double scale() const;
    // The device window's size when the skin first opens.
    QSizeF launchSize() const;
};

} // namespace velmora
