#include "app/InstanceRequest.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <utility>

namespace velmora {
namespace {

using Action = InstanceRequest::Action;

constexpr std::array<std::pair<Action, QLatin1StringView>, 4> actionNames{{
    {Action::openWindow, QLatin1StringView("open-window")},
    {Action::openTab, QLatin1StringView("open-tab")},
    {Action::previewSkin, QLatin1StringView("preview-skin")},
    {Action::reopen, QLatin1StringView("reopen")},
}};

const QLatin1StringView actionKey("action");
const QLatin1StringView folderKey("folder");
const QLatin1StringView errorKey("error");

QByteArray line(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n'; }

// The object of one line of JSON, or none.
std::optional<QJsonObject> object(const QByteArray& line)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.trimmed(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace

InstanceRequest InstanceRequest::fromFolder(const FolderRequest& request)
{
    return {request.action == FolderRequest::Action::OpenTab ? Action::openTab : Action::openWindow, request.folder};
}

std::optional<FolderRequest> InstanceRequest::folderRequest() const
{
    switch (action) {
    case Action::openWindow: return FolderRequest{FolderRequest::Action::OpenWindow, folder};
    case Action::openTab: return FolderRequest{FolderRequest::Action::OpenTab, folder};
    case Action::previewSkin:
    case Action::reopen: break;
    }
    return std::nullopt;
}

QByteArray InstanceRequest::encode() const
{
    QJsonObject message;
    for (const auto& [candidate, name] : actionNames) {
        if (candidate == action)
            message.insert(actionKey, QString(name));
    }
    if (action != Action::reopen)
        message.insert(folderKey, folder);
    return line(message);
}

std::optional<InstanceRequest> InstanceRequest::decode(const QByteArray& text)
{
    const std::optional<QJsonObject> message = object(text);
    if (!message)
        return std::nullopt;
    const QString name = message->value(actionKey).toString();
    for (const auto& [action, candidate] : actionNames) {
        if (name == candidate)
            return InstanceRequest{action, action == Action::reopen ? QString() : message->value(folderKey).toString()};
    }
    return std::nullopt;
}

QByteArray InstanceRequest::encodeAnswer(const QString& error) { return line({{errorKey, error}}); }

std::optional<QString> InstanceRequest::decodeAnswer(const QByteArray& text)
{
    const std::optional<QJsonObject> message = object(text);
    if (!message || !message->value(errorKey).isString())
        return std::nullopt;
    return message->value(errorKey).toString();
}

} // namespace velmora
