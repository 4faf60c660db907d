// velmora-skin-art OUTDIR: writes the built-in skins' frame pictures,
// OUTDIR/handheld/frame@2x.png and OUTDIR/walkie/Walkie_alpha.png.

#include "ArtTool.h"
#include "SkinArt.h"

#include <QDir>
#include <QFontDatabase>

#include <cstdio>

int main(int argc, char** argv)
{
    return ArtTool::run(argc, argv, "velmora-skin-art", "OUTDIR", [](const QStringList& arguments) {
        // The lettering is always drawn in the same face.
        for (const char* file : {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
                                 "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"}) {
            if (QFontDatabase::addApplicationFont(QString::fromLatin1(file)) < 0) {
                std::fprintf(stderr, "velmora-skin-art: cannot load %s (install fonts-dejavu-core)\n", file);
                return false;
            }
        }
        const QDir out(arguments.at(0));
        return ArtTool::writePng(SkinArt::drawHandheld(), out.filePath(QStringLiteral("handheld/frame@2x.png")))
            && ArtTool::writePng(SkinArt::drawWalkie(), out.filePath(QStringLiteral("walkie/Walkie_alpha.png")));
    });
}
