#include "ArtTool.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>

namespace ArtTool {

int run(int argc, char** argv, const char* name, const char* operands,
        const std::function<bool(const QStringList& arguments)>& draw)
{
    const QByteArray usage = QByteArray("usage: ") + name + ' ' + operands + '\n';
    const qsizetype count = QString::fromLatin1(operands).split(QLatin1Char(' '), Qt::SkipEmptyParts).size();
    QStringList arguments;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument.size() == 1) {
            arguments.append(argument);
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            std::fputs(usage.constData(), stdout);
            return 0;
        } else if (argument == QLatin1String("--version")) {
            std::printf("%s %s\n", name, CORVEL_TOOLS_VERSION);
            return 0;
        } else {
            std::fprintf(stderr, "%s: unknown option '%s'\n%s", name, argv[i], usage.constData());
            return 2;
        }
    }
    if (arguments.size() != count) {
        std::fprintf(stderr,
                     "%s: %s\n%s",
                     name,
                     arguments.size() < count ? "missing operand" : "too many operands",
                     usage.constData());
        return 2;
    }

    // The pictures are drawn without a display, and Qt reads none of the
    // arguments.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int applicationArgc = 1;
    QGuiApplication app(applicationArgc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(name));
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
