// velmora-skin-art OUTDIR: writes the built-in skins' frame pictures,
// OUTDIR/handheld/frame@2x.png and OUTDIR/walkie/Walkie_alpha.png.

#include "SkinArt.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>

namespace {

bool write(const QImage& image, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImageWriter writer(path, "png");
    writer.setCompression(9);
    if (!writer.write(image)) {
        std::fprintf(stderr, "velmora-skin-art: cannot write %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: velmora-skin-art OUTDIR\n");
        return 2;
    }
    // The lettering is always drawn in the same face.
    for (const char* file : {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
                             "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"}) {
        if (QFontDatabase::addApplicationFont(QString::fromLatin1(file)) < 0) {
            std::fprintf(stderr, "velmora-skin-art: cannot load %s (install fonts-dejavu-core)\n", file);
            return 1;
        }
    }
    const QDir out(arguments.at(1));
    const bool ok = write(SkinArt::drawHandheld(), out.filePath(QStringLiteral("handheld/frame@2x.png")))
                    && write(SkinArt::drawWalkie(), out.filePath(QStringLiteral("walkie/Walkie_alpha.png")));
    return ok ? 0 : 1;
}
