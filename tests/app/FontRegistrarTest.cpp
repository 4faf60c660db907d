#include "app/FontRegistrar.h"

#include "support/LogCapture.h"
#include "support/TemporaryHome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

using namespace velmora;
using velmora::test::LogCapture;
using velmora::test::writeFile;

class FontRegistrarTest : public velmora::test::TemporaryHome {
protected:
    QString fonts() const { return root() + "/bundle/Fonts"; }
    void copyFont(const QString& from, const QString& name)
    {
        QDir().mkpath(fonts());
        ASSERT_TRUE(QFile::copy("/usr/share/fonts/truetype/dejavu/" + from, fonts() + '/' + name));
    }
};

TEST_F(FontRegistrarTest, OnlyTtfFilesAreRegisteredOnce)
{
    copyFont("DejaVuSerif-Italic.ttf", "Serif.TTF");
    copyFont("DejaVuSerif-Bold.ttf", ".hidden.ttf");
    copyFont("DejaVuSerif-BoldItalic.ttf", "Other.otf");
    writeFile(fonts() + "/readme.txt", "fonts");

    EXPECT_EQ(FontRegistrar::registerFonts(fonts()), 2);
    EXPECT_EQ(FontRegistrar::registerFonts(fonts()), 0) << "a second run registers nothing again";
}

TEST_F(FontRegistrarTest, BrokenFontIsLoggedAndSkipped)
{
    writeFile(fonts() + "/Broken.ttf", "not a font");
    copyFont("DejaVuSansCondensed.ttf", "Good.ttf");
    LogCapture log;
    EXPECT_EQ(FontRegistrar::registerFonts(fonts()), 1);
    EXPECT_EQ(log.count("[Velmora] FontRegistrar: Broken.ttf register failed"), 1);
}

TEST_F(FontRegistrarTest, MissingFoldersRegisterNothing)
{
    LogCapture log;
    FontRegistrar::registerBundledFonts(); // no resource folder at all
    EXPECT_EQ(log.count("[Velmora] FontRegistrar: no bundled Fonts directory"), 1);

    QDir().mkpath(root() + "/bundle");
    log.clear();
    FontRegistrar::registerBundledFonts(); // a resource folder without "Fonts"
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_EQ(FontRegistrar::registerFonts(root() + "/absent"), 0);
}

} // namespace
