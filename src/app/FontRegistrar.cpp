#include "app/FontRegistrar.h"

#include "core/AppResources.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QSet>
#include <QtDebug>

namespace velmora::FontRegistrar {

void registerBundledFonts()
{
    if (!AppResources::hasResourceDir()) {
        qInfo().noquote() << QStringLiteral("[Velmora] FontRegistrar: no bundled Fonts directory");
        return;
    }
    registerFonts(AppResources::fontsDir());
}

int registerFonts(const QString& folder)
{
    // Paths registered by this process: the font database would load a file
    // a second time.
    static QSet<QString> registered;

    const QDir fonts(folder);
    int added = 0;
    for (const QFileInfo& file : fonts.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
        if (file.suffix().toLower() != QLatin1String("ttf"))
            continue;
        const QString path = file.absoluteFilePath();
        if (registered.contains(path))
            continue;
        if (QFontDatabase::addApplicationFont(path) < 0) {
            qWarning().noquote() << QStringLiteral("[Velmora] FontRegistrar: ") + file.fileName()
                    + QStringLiteral(" register failed");
            continue;
        }
        registered.insert(path);
        ++added;
    }
    return added;
}

} // namespace velmora::FontRegistrar
