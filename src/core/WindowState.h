#pragma once

#include <QJsonObject>
#include <QString>

namespace velmora {

// One saved device window: its skin and its frame in screen coordinates
// (origin at the top left, logical pixels).
struct WindowState {
    QString id; // the skin's folder name
    QString skinName; // the skin's display name
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    // Each member is read on its own; a missing or ill-typed one keeps its
    // default, so a damaged window is kept and repaired at start-up.
    static WindowState fromJson(const QJsonObject& object);
    QJsonObject toJson() const;

    bool operator==(const WindowState&) const = default;
};

} // namespace velmora
