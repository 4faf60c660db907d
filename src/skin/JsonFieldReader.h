#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>
#include <vector>

namespace velmora {

// Thrown by JsonFieldReader when a skin file does not match its schema.
class JsonDecodeError : public std::runtime_error {
public:
    explicit JsonDecodeError(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

// Reads the members of one JSON object strictly: a required member that is
// missing, null or of the wrong type, and an optional member that is present
// (not null) with the wrong type, throw JsonDecodeError naming the member's
// path. Numbers must be finite. Members nobody asks for are ignored.
class JsonFieldReader {
public:
    JsonFieldReader(QJsonObject object, QString path);

    // Parses a whole document whose top level must be an object.
    static QJsonObject parseObject(const QByteArray& bytes);

    QString string(const char* key) const;
    std::optional<QString> optionalString(const char* key) const;
    double number(const char* key) const;
    std::optional<double> optionalNumber(const char* key) const;
    std::optional<bool> optionalBool(const char* key) const;
    JsonFieldReader object(const char* key) const;
    std::optional<JsonFieldReader> optionalObject(const char* key) const;

    // Arrays whose every element must have the given type.
    std::vector<JsonFieldReader> objects(const char* key) const;
    std::optional<std::vector<JsonFieldReader>> optionalObjects(const char* key) const;
    std::optional<std::vector<double>> optionalNumbers(const char* key) const;
    std::optional<QStringList> optionalStrings(const char* key) const;

    const QString& path() const { return m_path; }

private:
    QJsonValue present(const char* key) const;
    std::optional<QJsonValue> presentOrNone(const char* key) const;
    QString memberPath(const char* key) const;
    [[noreturn]] void fail(const QString& where, const char* what) const;
    double toNumber(const QJsonValue& value, const QString& where) const;
    QString toString(const QJsonValue& value, const QString& where) const;
    std::vector<JsonFieldReader> toObjects(const QJsonValue& value, const QString& where) const;

    QJsonObject m_object;
    QString m_path;
};

} // namespace velmora
