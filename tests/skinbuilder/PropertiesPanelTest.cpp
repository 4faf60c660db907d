#include "skinbuilder/PropertiesPanel.h"
#include "skin/SkinLoader.h"
#include "skinbuilder/PaletteSection.h"
#include "skinbuilder/PanelControls.h"
#include "skinbuilder/SkinBuilderModel.h"
#include "skinbuilder/SkinSettingsSections.h"
#include "skinbuilder/ViewportInspector.h"

#include "support/BuilderTestSupport.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace velmora {
namespace {

const QString noImage = QStringLiteral("Drop a PNG to start.");
const QString noName = QStringLiteral("Skin needs a name.");
const QString noViewport = QStringLiteral("Draw the viewport rect over the screen area.");

class PropertiesPanelTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    // A 796 × 1110 pixel frame at two pixels a point: a grey background
    // round a dark screen, with a transparent margin at the top, loaded as
    // "pocket_device.png".
    void loadPicture()
    {
        QImage image = test::filledPicture(796, 1110, QColor(90, 90, 90), 2);
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(QRect(0, 0, 796, 20), Qt::transparent);
        painter.fillRect(QRect(200, 200, 300, 300), QColor(20, 30, 20));
        painter.end();
        ASSERT_TRUE(model.loadImage(test::savePicture(image, m_folder.filePath(QStringLiteral("pocket_device.png")))));
    }

    QPushButton* button(const char* name) const
    {
        QPushButton* found = panel.button(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    bool shown(QWidget* widget) const { return widget && widget->isVisibleTo(&panel); }
    bool shown(const char* name) const { return shown(button(name)); }

    SkinBuilderModel model{SkinLoader::shared()};
    PropertiesPanel panel{model, PaletteSection::defaultAnsiLabels()};

private:
    QTemporaryDir m_folder;
};

TEST_F(PropertiesPanelTest, AnEmptyBuilderOffersOnlyOpenSkinAndListsWhatIsMissing)
{
    struct Row {
        const char* button;
        bool visible;
        bool enabled;
    };
    const Row rows[] = {
        {"newButton", false, true},
        {"changePictureButton", false, true},
        {"openSkinButton", true, true},
        {"drawViewportButton", true, false},
        {"previewButton", true, false},
        {"exportButton", true, false},
        {"installButton", true, false},
        {"undoButton", false, true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(shown(row.button), row.visible) << row.button;
        EXPECT_EQ(button(row.button)->isEnabled(), row.enabled) << row.button;
    }
    EXPECT_FALSE(shown(panel.imageSection()));
    EXPECT_EQ(panel.validationTexts(), (QStringList{noImage, noName, noViewport}));
    EXPECT_TRUE(shown(panel.viewportInspector())) << "a fresh model has the viewport tool";
    EXPECT_FALSE(shown(panel.statusLine()));
    EXPECT_EQ(panel.width(), 420);
}

TEST_F(PropertiesPanelTest, APictureBringsTheImageToolsAndAViewportMakesTheSkinComplete)
{
    loadPicture();
    EXPECT_TRUE(shown("newButton"));
    EXPECT_TRUE(shown("changePictureButton"));
    EXPECT_TRUE(shown(panel.imageSection()));
    EXPECT_TRUE(button("drawViewportButton")->isEnabled());
    EXPECT_EQ(panel.validationTexts(), QStringList{noViewport}) << "the name comes from the file";
    EXPECT_FALSE(button("installButton")->isEnabled());

    model.setViewport(QRectF(40, 40, 200, 150));
    EXPECT_TRUE(panel.validationTexts().isEmpty());
    EXPECT_FALSE(shown(panel.validationList()));
    for (const char* action : {"previewButton", "exportButton", "installButton"})
        EXPECT_TRUE(button(action)->isEnabled()) << action;

    panel.skinInfoSection()->nameField()->clear();
    emit panel.skinInfoSection()->nameField()->textEdited(QString());
    EXPECT_EQ(panel.validationTexts(), QStringList{noName});
    EXPECT_FALSE(button("exportButton")->isEnabled());

    button("newButton")->click();
    EXPECT_FALSE(model.hasImage());
    EXPECT_FALSE(shown(panel.imageSection()));
    EXPECT_EQ(panel.validationTexts(), (QStringList{noImage, noName, noViewport}));
}

TEST_F(PropertiesPanelTest, ToolButtonsShowTheirHintsAndTheInspectorOnlyForTheViewport)
{
    loadPicture();
    button("penCropButton")->click();
    EXPECT_EQ(model.currentTool(), DrawTool::imageCropPen);
    EXPECT_TRUE(shown(panel.penHint()));
    EXPECT_EQ(panel.penHint()->text(), PropertiesPanel::cropPenHint);
    EXPECT_FALSE(shown(panel.viewportInspector()));

    button("penEraseButton")->click();
    EXPECT_EQ(panel.penHint()->text(), PropertiesPanel::erasePenHint);

    button("magicWandButton")->click();
    EXPECT_EQ(model.currentTool(), DrawTool::magicWand);
    EXPECT_FALSE(shown(panel.penHint()));
    EXPECT_TRUE(shown(panel.toleranceRow()));
    EXPECT_EQ(panel.toleranceValue()->text(), QStringLiteral("32"));
    EXPECT_TRUE(button("magicWandButton")->property("tinted").toBool());
    EXPECT_FALSE(button("drawViewportButton")->property("tinted").toBool());

    button("drawViewportButton")->click();
    EXPECT_EQ(model.currentTool(), DrawTool::viewport);
    EXPECT_FALSE(shown(panel.toleranceRow()));
    EXPECT_TRUE(shown(panel.viewportInspector()));
    EXPECT_TRUE(button("drawViewportButton")->property("tinted").toBool());
}

TEST_F(PropertiesPanelTest, TheToleranceSliderSetsWholeNumbersFromFiveToAHundred)
{
    loadPicture();
    button("magicWandButton")->click();
    StepSlider* slider = panel.toleranceSlider();
    slider->QSlider::setValue(slider->minimum());
    EXPECT_EQ(model.magicWandTolerance(), 5);
    EXPECT_EQ(panel.toleranceValue()->text(), QStringLiteral("5"));
    slider->QSlider::setValue(slider->maximum());
    EXPECT_EQ(model.magicWandTolerance(), 100);
    EXPECT_EQ(panel.toleranceValue()->text(), QStringLiteral("100"));
    slider->QSlider::setValue(slider->maximum() - 3);
    EXPECT_EQ(model.magicWandTolerance(), 97);
}

TEST_F(PropertiesPanelTest, TheUndoButtonCountsSnapshotsAndGoesAwayWithThem)
{
    loadPicture();
    button("trimButton")->click();
    EXPECT_TRUE(shown("undoButton"));
    EXPECT_EQ(button("undoButton")->text(), QStringLiteral("Undo (1)"));
    button("removeBackgroundButton")->click();
    EXPECT_EQ(button("undoButton")->text(), QStringLiteral("Undo (2)"));
    button("undoButton")->click();
    EXPECT_EQ(button("undoButton")->text(), QStringLiteral("Undo (1)"));
    button("undoButton")->click();
    EXPECT_FALSE(shown("undoButton"));
}

TEST_F(PropertiesPanelTest, TheStatusLineIsRedForFailuresAndGreenForSuccess)
{
    model.setStatus(QStringLiteral("Failed to load image"), true);
    ASSERT_TRUE(shown(panel.statusLine()));
    EXPECT_EQ(panel.statusLine()->text(), QStringLiteral("Failed to load image"));
    const QColor red = panel.statusLine()->palette().color(QPalette::WindowText);
    EXPECT_GT(red.red(), red.green());
    model.setStatus(QStringLiteral("Installed"), false);
    const QColor green = panel.statusLine()->palette().color(QPalette::WindowText);
    EXPECT_GT(green.green(), green.red());
}

TEST(LaunchSizeTextTest, PercentIsTheWholePartAndTheWindowIsRoundedHalfAway)
{
    struct Row {
        double scale;
        const char* percent;
        const char* window;
    };
    const Row rows[] = {
        {1.0, "100%", "Window: 398x555pt"},
        {1.5, "150%", "Window: 597x833pt"}, // 555 × 1.5 = 832.5
        {0.5, "50%", "Window: 199x278pt"}, // 277.5 goes up
        {1.1499999999999999, "114%", "Window: 458x638pt"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(LaunchSizeSection::percentText(row.scale), QString::fromLatin1(row.percent)) << row.scale;
        EXPECT_EQ(LaunchSizeSection::windowText(QSizeF(796, 1110), row.scale), QString::fromLatin1(row.window))
            << row.scale;
    }
}

TEST_F(PropertiesPanelTest, LaunchSizeFollowsTheSliderAndShowsTheWindowOnlyWithAPicture)
{
    LaunchSizeSection* launch = panel.launchSizeSection();
    EXPECT_EQ(launch->percentLabel()->text(), QStringLiteral("100%"));
    EXPECT_FALSE(shown(launch->windowLabel()));
    loadPicture();
    EXPECT_EQ(launch->windowLabel()->text(), QStringLiteral("Window: 398x555pt"));
    launch->slider()->QSlider::setValue(launch->slider()->maximum());
    EXPECT_DOUBLE_EQ(model.launchScale(), 1.5);
    EXPECT_EQ(launch->percentLabel()->text(), QStringLiteral("150%"));
    EXPECT_EQ(launch->windowLabel()->text(), QStringLiteral("Window: 597x833pt"));
    launch->slider()->QSlider::setValue(0);
    EXPECT_DOUBLE_EQ(model.launchScale(), 0.5);
    EXPECT_EQ(launch->percentLabel()->text(), QStringLiteral("50%"));
}

TEST(StepSliderTest, MapsWholePositionsOntoTheRangeAndShowsValuesSilently)
{
    StepSlider slider(0.05, 0.5, 0.05);
    EXPECT_EQ(slider.maximum(), 9);
    EXPECT_DOUBLE_EQ(slider.valueAt(0), 0.05);
    EXPECT_NEAR(slider.valueAt(9), 0.5, 1e-12);
    int edits = 0;
    QObject::connect(&slider, &StepSlider::valueEdited, [&](double) { ++edits; });
    slider.setValue(0.2);
    EXPECT_EQ(slider.value(), 3);
    slider.setValue(7.0);
    EXPECT_EQ(slider.value(), 9) << "clamped to the range";
    slider.setValue(-1);
    EXPECT_EQ(slider.value(), 0);
    EXPECT_EQ(edits, 0) << "a value set from the model is not written back";
    slider.QSlider::setValue(4);
    EXPECT_EQ(edits, 1);
}

TEST_F(PropertiesPanelTest, EffectsShowTheirSettingsOnlyWhileOnAndKeepThem)
{
    EffectsSection* effects = panel.effectsSection();
    EXPECT_FALSE(effects->scanlinesToggle()->isChecked());
    EXPECT_FALSE(shown(effects->styleMenu()));
    EXPECT_FALSE(shown(effects->glowSlider()));
    EXPECT_FALSE(shown(effects->curvatureSlider()));

    effects->scanlinesToggle()->click();
    EXPECT_TRUE(model.scanlines());
    EXPECT_TRUE(shown(effects->styleMenu()));
    EXPECT_EQ(effects->styleMenu()->currentText(), QStringLiteral("Standard"));
    EXPECT_DOUBLE_EQ(effects->scanlineSlider()->currentValue(), 0.3);
    const int shadowMask = effects->styleMenu()->findText(QStringLiteral("Shadow Mask"));
    effects->styleMenu()->setCurrentIndex(shadowMask);
    emit effects->styleMenu()->activated(shadowMask);
    EXPECT_EQ(model.scanlineStyle(), QStringLiteral("shadowmask"));
    effects->scanlineSlider()->QSlider::setValue(effects->scanlineSlider()->maximum());
    EXPECT_NEAR(model.scanlineIntensity(), 1.0, 1e-9);

    effects->scanlinesToggle()->click();
    effects->scanlinesToggle()->click();
    EXPECT_EQ(effects->styleMenu()->currentText(), QStringLiteral("Shadow Mask"));
    EXPECT_NEAR(model.scanlineIntensity(), 1.0, 1e-9);

    effects->curvatureToggle()->click();
    ASSERT_TRUE(shown(effects->curvatureSlider()));
    effects->curvatureSlider()->QSlider::setValue(effects->curvatureSlider()->minimum());
    EXPECT_NEAR(model.curvatureAmount(), 0.05, 1e-9);
    effects->curvatureSlider()->QSlider::setValue(effects->curvatureSlider()->maximum());
    EXPECT_NEAR(model.curvatureAmount(), 0.5, 1e-9);
    effects->glowToggle()->click();
    effects->glowSlider()->QSlider::setValue(0);
    EXPECT_NEAR(model.glowIntensity(), 0.1, 1e-9);
}

TEST_F(PropertiesPanelTest, NameAndAuthorAreWrittenOnEveryKeystrokeAndFollowTheModel)
{
    SkinInfoSection* info = panel.skinInfoSection();
    EXPECT_EQ(info->nameField()->placeholderText(), QStringLiteral("Skin Name"));
    EXPECT_EQ(info->authorField()->placeholderText(), QStringLiteral("Author"));
    info->authorField()->setFocus();
    QTest::keyClicks(info->authorField(), QStringLiteral("Ada"));
    EXPECT_EQ(model.author(), QStringLiteral("Ada"));
    loadPicture();
    EXPECT_EQ(info->nameField()->text(), QStringLiteral("pocket device"));
}

TEST_F(PropertiesPanelTest, TheScreenLayerSwitchChangesItsLabelAndHintTogether)
{
    ScreenLayerSection* layer = panel.screenLayerSection();
    EXPECT_EQ(layer->switchLabel()->text(), QStringLiteral("Terminal behind art"));
    EXPECT_EQ(layer->hintLabel()->text(), ScreenLayerSection::behindHint);
    layer->layerSwitch()->click();
    EXPECT_TRUE(model.screenInFront());
    EXPECT_EQ(layer->switchLabel()->text(), QStringLiteral("Terminal in front of art"));
    EXPECT_EQ(layer->hintLabel()->text(), ScreenLayerSection::inFrontHint);
    model.reset();
    EXPECT_FALSE(layer->layerSwitch()->isChecked());
}

} // namespace
} // namespace velmora
