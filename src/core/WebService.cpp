#include "core/WebService.h"

#include <QtDebug>

#include <atomic>

#ifndef VELMORA_DEFAULT_SERVICE_URL
#define VELMORA_DEFAULT_SERVICE_URL "https://velmora.app"
#endif

namespace velmora::WebService {
namespace {

QUrl builtInBaseUrl()
{
    static const QUrl url = parseBaseUrl(QStringLiteral(VELMORA_DEFAULT_SERVICE_URL));
    return url;
}

} // namespace

QUrl parseBaseUrl(const QString& text)
{
    QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))
        || url.host().isEmpty())
        return {};
    return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment);
}

QUrl baseUrl()
{
    const QString override = qEnvironmentVariable("VELMORA_SERVICE_URL");
    if (override.isEmpty())
        return builtInBaseUrl();
    const QUrl url = parseBaseUrl(override);
    if (url.isEmpty()) {
        static std::atomic_bool warned{false};
        if (!warned.exchange(true))
            qWarning().noquote() << QStringLiteral(
                                        "[Velmora] VELMORA_SERVICE_URL is not an http or https address, using ")
                    + builtInBaseUrl().toString();
        return builtInBaseUrl();
    }
    return url;
}

QString hostName() { return baseUrl().host(); }

QUrl url(const QString& path)
{
    QUrl result = baseUrl();
    QString prefix = result.path();
    while (prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);
    const QString suffix = path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path;
    result.setPath(prefix + suffix);
    return result;
}

} // namespace velmora::WebService
