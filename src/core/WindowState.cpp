#include "core/WindowState.h"

#include "core/JsonFields.h"

namespace velmora {

WindowState WindowState::fromJson(const QJsonObject& object)
{
    using namespace JsonFields;
    WindowState window;
    assignIfPresent(window.id, string(object, QStringLiteral("id")));
    assignIfPresent(window.skinName, string(object, QStringLiteral("skinName")));
    assignIfPresent(window.x, number(object, QStringLiteral("x")));
    assignIfPresent(window.y, number(object, QStringLiteral("y")));
    assignIfPresent(window.width, number(object, QStringLiteral("width")));
    assignIfPresent(window.height, number(object, QStringLiteral("height")));
    return window;
}

QJsonObject WindowState::toJson() const
{
    return QJsonObject{
        {QStringLiteral("id"), id},
        {QStringLiteral("skinName"), skinName},
        {QStringLiteral("x"), x},
        {QStringLiteral("y"), y},
        {QStringLiteral("width"), width},
        {QStringLiteral("height"), height},
    };
}

} // namespace velmora
