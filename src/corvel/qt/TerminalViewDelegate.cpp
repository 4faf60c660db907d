#include "corvel/qt/TerminalViewDelegate.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace corvel {

TerminalViewDelegate::~TerminalViewDelegate() = default;

std::optional<QUrl> TerminalViewDelegate::openableUrl(const std::string& link)
{
    const QUrl url(QString::fromStdString(link), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("file")) {
        const QFileInfo info(url.toLocalFile());
        if (!url.isLocalFile() || !info.isFile() || info.isExecutable())
            return std::nullopt;
        return url;
    }
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto")
        || scheme == QLatin1String("ftp"))
        return url;
    return std::nullopt;
}

void TerminalViewDelegate::requestOpenLink(TerminalView& /*source*/, const std::string& link,
                                           const std::map<std::string, std::string>& /*params*/)
{
    if (const std::optional<QUrl> url = openableUrl(link))
        QDesktopServices::openUrl(*url);
}

void TerminalViewDelegate::bell(TerminalView& /*source*/) { QApplication::beep(); }

} // namespace corvel
