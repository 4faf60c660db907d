// velmora-brand-art BUNDLE ICONS: writes Velmora's logo, BUNDLE/velmora-mark.png
// (for light backgrounds) and BUNDLE/velmora-mark-dark.png (for dark ones), and
// the application icon ICONS/<N>x<N>/apps/velmora.png in the desktop's sizes.

#include "ArtTool.h"
#include "BrandArt.h"

#include <QDir>

int main(int argc, char** argv)
{
    return ArtTool::run(argc, argv, "velmora-brand-art", "BUNDLE ICONS", [](const QStringList& arguments) {
        const QDir bundle(arguments.at(0));
        const QDir icons(arguments.at(1));
        // The logo is shown up to 64 points high, sharp at twice that.
        bool ok = ArtTool::writePng(BrandArt::drawMark(256, BrandArt::Variant::light),
                                    bundle.filePath(QStringLiteral("velmora-mark.png")))
            && ArtTool::writePng(BrandArt::drawMark(256, BrandArt::Variant::dark),
                                 bundle.filePath(QStringLiteral("velmora-mark-dark.png")));
        for (int side : {32, 48, 64, 128, 256, 512}) {
            ok = ok
                && ArtTool::writePng(BrandArt::drawMark(side, BrandArt::Variant::light),
                                     icons.filePath(QStringLiteral("%1x%1/apps/velmora.png").arg(side)));
        }
        return ok;
    });
}
