// velmora-brand-art BUNDLE ICONS: writes Velmora's logo, BUNDLE/velmora-mark.png
// (for light backgrounds) and BUNDLE/velmora-mark-dark.png (for dark ones), and
// the application icon ICONS/<N>x<N>/apps/velmora.png in the desktop's sizes.

#include "BrandArt.h"

#include <QDir>
#include <QFileInfo>
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
        std::fprintf(stderr, "velmora-brand-art: cannot write %s: %s\n", qPrintable(path),
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
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: velmora-brand-art BUNDLE ICONS\n");
        return 2;
    }
    const QDir bundle(arguments.at(1));
    const QDir icons(arguments.at(2));
    // The logo is shown up to 64 points high, sharp at twice that.
    bool ok = write(BrandArt::drawMark(256, BrandArt::Variant::light), bundle.filePath(QStringLiteral("velmora-mark.png")))
              && write(BrandArt::drawMark(256, BrandArt::Variant::dark),
                       bundle.filePath(QStringLiteral("velmora-mark-dark.png")));
    for (int side : {32, 48, 64, 128, 256, 512}) {
        ok = ok
             && write(BrandArt::drawMark(side, BrandArt::Variant::light),
                      icons.filePath(QStringLiteral("%1x%1/apps/velmora.png").arg(side)));
    }
    return ok ? 0 : 1;
}
