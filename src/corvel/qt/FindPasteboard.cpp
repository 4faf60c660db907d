#include "corvel/qt/FindPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace corvel::FindPasteboard {

namespace {

QString& processString()
{
    static QString text;
    return text;
}

} // namespace

QString string()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard && clipboard->supportsFindBuffer())
        return clipboard->text(QClipboard::FindBuffer);
    return processString();
}

void setString(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard && clipboard->supportsFindBuffer())
        clipboard->setText(text, QClipboard::FindBuffer);
    else
        processString() = text;
}

} // namespace corvel::FindPasteboard
