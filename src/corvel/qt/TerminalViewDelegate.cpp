#include "corvel/qt/TerminalViewDelegate.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace corvel {

TerminalViewDelegate::~TerminalViewDelegate() = default;

void TerminalViewDelegate::requestOpenLink(TerminalView& /*source*/, const std::string& link,
                                           const std::map<std::string, std::string>& /*params*/)
{
    const QUrl url(QString::fromStdString(link), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty()) return;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("file")) {
        const QFileInfo info(url.toLocalFile());
        if (!info.exists() || info.isExecutable()) return;
    } else if (scheme != QLatin1String("http") && scheme != QLatin1String("https") &&
               scheme != QLatin1String("mailto") && scheme != QLatin1String("ftp")) {
        return;
    }
    QDesktopServices::openUrl(url);
}

void TerminalViewDelegate::bell(TerminalView& /*source*/) { QApplication::beep(); }

}  // namespace corvel
