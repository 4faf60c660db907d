#include "ArtTool.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>

namespace ArtTool {

int run(int argc, char** argv, qsizetype count, const char* usage,
        const std::function<bool(const QStringList& arguments)>& draw)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments().mid(1);
    if (arguments.size() != count) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return 2;
    }
    return draw(arguments) ? 0 : 1;
}

bool writePng(const QImage& image, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImageWriter writer(path, "png");
    writer.setCompression(9);
    if (!writer.write(image)) {
        std::fprintf(stderr,
                     "%s: cannot write %s: %s\n",
                     qPrintable(QCoreApplication::applicationName()),
                     qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

} // namespace ArtTool
