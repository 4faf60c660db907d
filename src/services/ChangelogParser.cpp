#include "services/ChangelogParser.h"

#include "core/AppResources.h"
#include "core/HorizontalSpace.h"

#include <QFile>
#include <QStringDecoder>

namespace velmora::ChangelogParser {

QStringList parse(const QString& text)
{
    QStringList notes;
    bool inSection = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringView trimmed = trimHorizontalSpace(line);
        if (trimmed.startsWith(u"## ")) {
            if (inSection)
                return notes;
            inSection = !trimmed.toString().toLower().contains(u"unreleased");
        } else if (inSection && trimmed.startsWith(u"- ")) {
            QString bullet = trimmed.sliced(2).toString();
            bullet.remove(QStringLiteral("**"));
            const QStringView note = trimHorizontalSpace(bullet);
            if (!note.isEmpty())
                notes << note.toString();
        }
    }
    return notes;
}

QStringList bundledNotes()
{
    QFile file(AppResources::filePath(QStringLiteral("Resources/CHANGELOG.md")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(file.readAll());
    if (decoder.hasError())
        return {};
    return parse(text);
}

} // namespace velmora::ChangelogParser
