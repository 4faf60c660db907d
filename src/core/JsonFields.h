#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// Typed reads of one member of a stored JSON object. A member that is missing,
// null or of another type gives no value, so the caller keeps its default.
namespace velmora::JsonFields {

inline std::optional<QString> string(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

inline std::optional<double> number(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (!value.isDouble())
        return std::nullopt;
    return value.toDouble();
}

inline std::optional<bool> boolean(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (!value.isBool())
        return std::nullopt;
    return value.toBool();
}

template <typename T> void assignIfPresent(T& field, const std::optional<T>& value)
{
    if (value)
        field = *value;
}

} // namespace velmora::JsonFields
