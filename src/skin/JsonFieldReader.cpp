#include "skin/JsonFieldReader.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

namespace velmora {

JsonDecodeError::JsonDecodeError(const QString& message) : std::runtime_error(message.toStdString()) {}

JsonFieldReader::JsonFieldReader(QJsonObject object, QString path)
    : m_object(std::move(object)), m_path(std::move(path))
{
}

QJsonObject JsonFieldReader::parseObject(const QByteArray& bytes)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        throw JsonDecodeError(
            QStringLiteral("invalid JSON at offset %1: %2").arg(parseError.offset).arg(parseError.errorString()));
    }
    if (!document.isObject())
        throw JsonDecodeError(QStringLiteral("the top level is not an object"));
    return document.object();
}

QString JsonFieldReader::memberPath(const char* key) const
{
    const QString name = QString::fromUtf8(key);
    return m_path.isEmpty() ? name : m_path + u'.' + name;
}

void JsonFieldReader::fail(const QString& where, const char* what) const
{
    throw JsonDecodeError(QStringLiteral("\"%1\" %2").arg(where, QString::fromUtf8(what)));
}

QJsonValue JsonFieldReader::present(const char* key) const
{
    const QJsonValue value = m_object.value(QString::fromUtf8(key));
    if (value.isUndefined())
        fail(memberPath(key), "is missing");
    if (value.isNull())
        fail(memberPath(key), "is null");
    return value;
}

std::optional<QJsonValue> JsonFieldReader::presentOrNone(const char* key) const
{
    const QJsonValue value = m_object.value(QString::fromUtf8(key));
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    return value;
}

double JsonFieldReader::toNumber(const QJsonValue& value, const QString& where) const
{
    if (!value.isDouble())
        fail(where, "is not a number");
    const double number = value.toDouble();
    if (!std::isfinite(number))
        fail(where, "is not a finite number");
    return number;
}

QString JsonFieldReader::toString(const QJsonValue& value, const QString& where) const
{
    if (!value.isString())
        fail(where, "is not a string");
    return value.toString();
}

std::vector<JsonFieldReader> JsonFieldReader::toObjects(const QJsonValue& value, const QString& where) const
{
    if (!value.isArray())
        fail(where, "is not an array");
    const QJsonArray array = value.toArray();
    std::vector<JsonFieldReader> readers;
    readers.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString elementPath = QStringLiteral("%1[%2]").arg(where).arg(i);
        if (!array.at(i).isObject())
            fail(elementPath, "is not an object");
        readers.emplace_back(array.at(i).toObject(), elementPath);
    }
    return readers;
}

QString JsonFieldReader::string(const char* key) const { return toString(present(key), memberPath(key)); }

std::optional<QString> JsonFieldReader::optionalString(const char* key) const
{
    const auto value = presentOrNone(key);
    if (!value)
        return std::nullopt;
    return toString(*value, memberPath(key));
}

double JsonFieldReader::number(const char* key) const { return toNumber(present(key), memberPath(key)); }

std::optional<double> JsonFieldReader::optionalNumber(const char* key) const
{
    const auto value = presentOrNone(key);
    if (!value)
        return std::nullopt;
    return toNumber(*value, memberPath(key));
}

std::optional<bool> JsonFieldReader::optionalBool(const char* key) const
{
    const auto value = presentOrNone(key);
    if (!value)
        return std::nullopt;
    if (!value->isBool())
        fail(memberPath(key), "is not a Boolean");
    return value->toBool();
}

JsonFieldReader JsonFieldReader::object(const char* key) const
{
    const QJsonValue value = present(key);
    if (!value.isObject())
        fail(memberPath(key), "is not an object");
    return JsonFieldReader(value.toObject(), memberPath(key));
}

std::optional<JsonFieldReader> JsonFieldReader::optionalObject(const char* key) const
{
    const auto value = presentOrNone(key);
    if (!value)
        return std::nullopt;
    if (!value->isObject())
        fail(memberPath(key), "is not an object");
    return JsonFieldReader(value->toObject(), memberPath(key));
}

std::vector<JsonFieldReader> JsonFieldReader::objects(const char* key) const
{
    return toObjects(present(key), memberPath(key));
}

std::optional<std::vector<JsonFieldReader>> JsonFieldReader::optionalObjects(const char* key) const
{
    const auto value = presentOrNone(key);
    if (!value)
        return std::nullopt;
    return toObjects(*value, memberPath(key));
}

std::optional<std::vector<double>> JsonFieldReader::optionalNumbers(const char* key) const
{
    const auto value = presentOrNone(key);
    if (!value)
        return std::nullopt;
    const QString where = memberPath(key);
    if (!value->isArray())
        fail(where, "is not an array");
    const QJsonArray array = value->toArray();
    std::vector<double> numbers;
    numbers.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i)
        numbers.push_back(toNumber(array.at(i), QStringLiteral("%1[%2]").arg(where).arg(i)));
    return numbers;
}

std::optional<QStringList> JsonFieldReader::optionalStrings(const char* key) const
{
    const auto value = presentOrNone(key);
    if (!value)
        return std::nullopt;
    const QString where = memberPath(key);
    if (!value->isArray())
        fail(where, "is not an array");
    const QJsonArray array = value->toArray();
    QStringList strings;
    strings.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i)
        strings.push_back(toString(array.at(i), QStringLiteral("%1[%2]").arg(where).arg(i)));
    return strings;
}

} // namespace velmora
