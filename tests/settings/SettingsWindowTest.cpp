#include "settings/SettingsWindowController.h"

#include "core/AppPaths.h"
#include "core/SettingsStore.h"
#include "look/SkinGalleryCard.h"
#include "settings/AboutSettingsTab.h"
#include "settings/GeneralSettingsTab.h"
#include "settings/KeysSettingsTab.h"
#include "settings/SettingsViewModel.h"
#include "settings/SkinsSettingsTab.h"
#include "skin/SkinLoader.h"
#include "support/LogCapture.h"
#include "support/LoopbackService.h"
#include "support/PinnedFolder.h"
#include "support/ScopedEnvironment.h"
#include "support/SkinOnDisk.h"
#include "support/TestFiles.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace velmora;

// The settings of a fresh install, on disk too, and the user skins given.
class SettingsFixture : public ::testing::Test {
protected:
    // The About tab asks the web service for the newest version when shown:
    // a closed local port answers at once, and no test reaches the network.
    velmora::test::ScopedEnvironment service_{"VELMORA_SERVICE_URL", "http://127.0.0.1:9"};

    void SetUp() override
    {
        QDir(AppPaths::skinsDir()).removeRecursively();
        SettingsStore::shared().data() = SettingsData();
        SettingsStore::shared().save();
        SkinLoader::shared().loadAll();
    }

    static QString addUserSkin(const QString& id, const QString& name)
    {
        const QString folder = AppPaths::skinsDir() + u'/' + id;
        velmora::test::writeFile(folder + "/skin.json", velmora::test::toBytes(velmora::test::minimalSkin(name)));
        return folder;
    }

    static SettingsData onDisk()
    {
        return SettingsData::decode(velmora::test::readFile(AppPaths::settingsFile())).value_or(SettingsData());
    }

    // What the settings store and the skin loader announce while it lives:
    // each signal's name and the skin it names.
    struct Posted {
        Posted()
        {
            SettingsStore& store = SettingsStore::shared();
            const auto record = [this](const char* name) {
                return [this, name](const QString& skin = QString()) {
                    names.append({QString::fromLatin1(name), skin});
                };
            };
            QObject::connect(&store, &SettingsStore::settingsReset, &context, record("settingsReset"));
            QObject::connect(&store, &SettingsStore::fontChanged, &context, record("fontChanged"));
            QObject::connect(&store, &SettingsStore::paletteChanged, &context, record("paletteChanged"));
            QObject::connect(&store, &SettingsStore::effectsChanged, &context, record("effectsChanged"));
            QObject::connect(&SkinLoader::shared(), &SkinLoader::skinsReloaded, &context, record("skinsReloaded"));
        }
        QList<QPair<QString, QString>> names;
        QObject context;
    };
};

TEST_F(SettingsFixture, TwoRequestsShowOneWindowThatClosingOnlyHides)
{
    QWidget* first = SettingsWindowController::showShared({});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(first));
    first->close();
    QWidget* second = SettingsWindowController::showShared({});
    EXPECT_EQ(first, second);
    EXPECT_TRUE(second->isVisible());

    int settingsWindows = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        settingsWindows += window->windowTitle() == SettingsWindowController::title;
    EXPECT_EQ(settingsWindows, 1);
    EXPECT_EQ(second->windowTitle(), "Velmora \u2014 Settings");
    EXPECT_EQ(second->size(), QSize(600, 680));
    EXPECT_EQ(second->minimumSize(), second->maximumSize()) << "the window must not be resizable";

    const QTabWidget* tabs = SettingsWindowController::shared().tabs();
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles.append(tabs->tabText(i));
    EXPECT_EQ(titles, QStringList({"About", "General", "Skins", "Effects", "Keys"}));
    second->close();
}

TEST_F(SettingsFixture, QuittingTakesTheWindowWithItsVersionCheckInFlight)
{
    test::LoopbackService server;
    server.stayQuiet();
    QPointer<QWidget> window = SettingsWindowController::showShared({});
    ASSERT_TRUE(test::waitUntil([&] { return !server.requests().isEmpty(); })) << "the About tab asked nothing";
    // The check goes through the window's own HTTP client, not one the
    // application object keeps past the window.
    QPointer<QNetworkAccessManager> client
        = SettingsWindowController::shared().aboutTab()->model().findChild<QNetworkAccessManager*>();
    ASSERT_FALSE(client.isNull());
    EXPECT_TRUE(qApp->findChildren<QNetworkAccessManager*>(Qt::FindDirectChildrenOnly).isEmpty());

    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    EXPECT_TRUE(window.isNull()) << "the settings window outlived the quit";
    EXPECT_TRUE(client.isNull()) << "the HTTP client and its thread outlived the quit";

    // A later request makes the window again.
    QWidget* again = SettingsWindowController::showShared({});
    EXPECT_TRUE(again->isVisible());
    again->close();
}

TEST_F(SettingsFixture, TheModelFollowsTheStoreAndTicksOnEveryReload)
{
    qputenv("SHELL", "/bin/sh");
    SettingsStore::shared().data().defaultShell = "/usr/local/bin/fish";
    SettingsViewModel model{SettingsStore::shared(), SkinLoader::shared()};
    EXPECT_EQ(model.shell(), "/usr/local/bin/fish");
    EXPECT_EQ(model.skinsTick(), 0);

    for (int i = 0; i < 3; ++i)
        SkinLoader::shared().reloadAndBroadcast();
    EXPECT_EQ(model.skinsTick(), 3);

    // A font change made elsewhere arrives; the default skin is read only at
    // creation and on a reset.
    SettingsStore::shared().data().fontSize = 14;
    SettingsStore::shared().data().defaultSkin = "Elsewhere";
    SettingsStore::shared().announceFontChange();
    EXPECT_EQ(model.fontSize(), 14);
    EXPECT_EQ(model.defaultSkin(), "Handheld v1");

    SettingsStore::shared().resetAll();
    const SettingsData defaults;
    EXPECT_EQ(model.fontName(), defaults.fontName);
    EXPECT_EQ(model.fontSize(), defaults.fontSize);
    EXPECT_EQ(model.shell(), SettingsStore::detectLoginShell()) << "an empty stored shell shows the login shell";
    EXPECT_EQ(model.defaultSkin(), defaults.defaultSkin);
    EXPECT_EQ(model.restoreWindows(), defaults.restoreWindows);
    EXPECT_EQ(model.skinsTick(), 4);
}

class GeneralTabTest : public SettingsFixture {
protected:
    void SetUp() override
    {
        SettingsFixture::SetUp();
        model = std::make_unique<SettingsViewModel>(SettingsStore::shared(), SkinLoader::shared());
        tab = std::make_unique<GeneralSettingsTab>(*model);
        tab->resize(568, 620);
        tab->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(tab.get()));
    }
    void TearDown() override
    {
        tab.reset();
        model.reset();
        SettingsFixture::TearDown();
    }

    std::unique_ptr<SettingsViewModel> model;
    std::unique_ptr<GeneralSettingsTab> tab;
};

TEST_F(GeneralTabTest, SteppingTheSizeStoresItAndPostsOnce)
{
    QDoubleSpinBox* stepper = tab->fontSizeStepper();
    EXPECT_EQ(stepper->text(), "9pt");
    Posted posted;
    stepper->stepUp();
    EXPECT_EQ(SettingsStore::shared().data().fontSize, 10);
    EXPECT_EQ(onDisk().fontSize, 10);
    ASSERT_EQ(posted.names.size(), 1);
    EXPECT_EQ(posted.names[0].first, "fontChanged");
    EXPECT_EQ(stepper->text(), "10pt");

    stepper->setValue(40);
    EXPECT_EQ(stepper->text(), "24pt");
    stepper->setValue(1);
    EXPECT_EQ(stepper->text(), "6pt");
    EXPECT_EQ(SettingsStore::shared().data().fontSize, 6);
    EXPECT_EQ(GeneralSettingsTab::fontSizeText(9.5), "9pt");

    // A size that comes from the store writes nothing back.
    posted.names.clear();
    SettingsStore::shared().data().fontSize = 12;
    SettingsStore::shared().announceFontChange();
    EXPECT_EQ(stepper->text(), "12pt");
    EXPECT_EQ(posted.names.size(), 1) << "only the change from elsewhere";
    EXPECT_EQ(onDisk().fontSize, 6);
}

TEST_F(GeneralTabTest, TheSizeBoxTakesTypedDigits)
{
    QDoubleSpinBox* box = tab->fontSizeStepper();
    tab->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(tab.get()));
    box->setFocus();
    Posted posted;
    const auto type = [&](const char* text) {
        box->selectAll();
        QTest::keyClicks(box, text);
    };

    type("14");
    EXPECT_EQ(SettingsStore::shared().data().fontSize, 9) << "nothing is taken while typing";
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(onDisk().fontSize, 14);
    EXPECT_EQ(box->text(), "14pt");
    ASSERT_EQ(posted.names.size(), 1);
    EXPECT_EQ(posted.names[0].first, "fontChanged");

    type("12pt");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(onDisk().fontSize, 12);

    // Letters and sizes outside 6 to 24 are never taken.
    for (const char* text : {"x", "30", "5", "1"}) {
        SCOPED_TRACE(text);
        type(text);
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_EQ(onDisk().fontSize, 12);
        EXPECT_EQ(SettingsStore::shared().data().fontSize, 12);
    }
    EXPECT_EQ(posted.names.size(), 2);
}

TEST_F(GeneralTabTest, TheShellMenuAndFieldStoreWhatDiffersFromTheEffectiveShell)
{
    const QString login = SettingsStore::detectLoginShell();
    const QString other = login == "/bin/sh" ? "/bin/bash" : "/bin/sh";
    QTemporaryDir folder;
    const QString custom = folder.filePath("my-shell");
    velmora::test::writeFile(custom, "#!/bin/sh\n");
    QFile::setPermissions(custom, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const auto type = [&](const QString& text) {
        tab->shellField()->setFocus();
        tab->shellField()->selectAll();
        QTest::keyClick(tab->shellField(), Qt::Key_Backspace);
        QTest::keyClicks(tab->shellField(), text);
    };
    struct Row {
        const char* what;
        QString storedBefore;
        std::function<void()> act;
        QString storedAfter;
        QString shown;
    };
    const std::vector<Row> rows = {
        {"the login shell chosen while none is stored", "", [&] { tab->chooseShell(login); }, "", login},
        {"another shell chosen", "", [&] { tab->chooseShell(other); }, other, other},
        {"a path typed one character at a time, then Return",
         "",
         [&] {
             type(custom);
             EXPECT_EQ(SettingsStore::shared().data().defaultShell, "") << "nothing is stored while typing";
             EXPECT_EQ(onDisk().defaultShell, "");
             QTest::keyClick(tab->shellField(), Qt::Key_Return);
         },
         custom,
         custom},
        {"a path typed, then the field left",
         "",
         [&] {
             type(custom);
             tab->fontMenu()->setFocus();
         },
         custom,
         custom},
        {"the field cleared",
         "/bin/zsh",
         [&] {
             type("");
             QTest::keyClick(tab->shellField(), Qt::Key_Return);
         },
         "",
         ""},
        {"Return on an unchanged field", "/bin/zsh", [&] { tab->commitShellField(); }, "/bin/zsh", "/bin/zsh"},
    };
    tab->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(tab.get()));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SettingsStore::shared().data().defaultShell = row.storedBefore;
        SettingsStore::shared().save();
        model->setShell(model->effectiveShell());
        row.act();
        EXPECT_EQ(SettingsStore::shared().data().defaultShell, row.storedAfter);
        EXPECT_EQ(onDisk().defaultShell, row.storedAfter);
        EXPECT_EQ(model->shell(), row.shown);
        EXPECT_EQ(tab->shellField()->text(), row.shown);
        EXPECT_TRUE(tab->shellStatus()->isHidden());
    }
    // A stored path that is no candidate becomes the menu's last item.
    tab->chooseShell(custom);
    QComboBox* menu = tab->shellMenu();
    EXPECT_EQ(menu->itemText(menu->count() - 1), custom);
    EXPECT_EQ(menu->currentText(), custom);
    EXPECT_EQ(GeneralSettingsTab::shellMenuItems({"/bin/sh"}, "/bin/sh"), QStringList({"/bin/sh"}));
    EXPECT_EQ(GeneralSettingsTab::shellMenuItems({"/bin/sh"}, ""), QStringList({"/bin/sh"}));
}

TEST_F(GeneralTabTest, AShellPathThatIsNotAnExecutableFileIsRefusedAndNeverStored)
{
    QTemporaryDir folder;
    const QString plain = folder.filePath("notes.txt");
    velmora::test::writeFile(plain, "not a program\n");
    tab->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(tab.get()));
    SettingsStore::shared().data().defaultShell = "/bin/sh";
    SettingsStore::shared().save();
    model->setShell("/bin/sh");

    for (const QString& path : {QString("/no/such/shell"), QString("/bin"), plain, QString("sh"), QString("/bin/s")}) {
        SCOPED_TRACE(path.toStdString());
        tab->shellField()->setFocus();
        tab->shellField()->selectAll();
        QTest::keyClicks(tab->shellField(), path);
        QTest::keyClick(tab->shellField(), Qt::Key_Return);
        EXPECT_EQ(SettingsStore::shared().data().defaultShell, "/bin/sh");
        EXPECT_EQ(onDisk().defaultShell, "/bin/sh");
        EXPECT_EQ(model->shell(), "/bin/sh");
        EXPECT_TRUE(tab->shellStatus()->isVisible());
        EXPECT_EQ(tab->shellStatus()->text(), GeneralSettingsTab::refusedShellText(path));
        EXPECT_EQ(tab->shellField()->text(), path) << "the text stays to be mended";
    }
    // Leaving the field refuses it the same way; choosing the shell already
    // stored in the menu then brings the field back and clears the line.
    tab->fontMenu()->setFocus();
    EXPECT_EQ(onDisk().defaultShell, "/bin/sh");
    EXPECT_TRUE(tab->shellStatus()->isVisible());
    EXPECT_TRUE(tab->chooseShell("/bin/sh"));
    EXPECT_EQ(tab->shellField()->text(), "/bin/sh");
    EXPECT_TRUE(tab->shellStatus()->isHidden());
    const QString good = folder.filePath("good-shell");
    velmora::test::writeFile(good, "#!/bin/sh\n");
    QFile::setPermissions(good, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_TRUE(tab->chooseShell(good));
    EXPECT_EQ(onDisk().defaultShell, good);
    EXPECT_TRUE(tab->shellStatus()->isHidden());
}

TEST_F(GeneralTabTest, AStoredFontThatIsNotInstalledIsStillListed)
{
    const QStringList families
        = {"DejaVu Sans Mono", "Courier [Adobe]", "Courier [Bitstream]", "DejaVu Sans", "JetBrains Mono", "mono lower"};
    const auto fixed = [](const QString& family) { return family != "DejaVu Sans"; };
    EXPECT_EQ(GeneralSettingsTab::monospacedFonts("Gone Mono", families, fixed),
              QStringList({"Courier", "DejaVu Sans Mono", "Gone Mono", "JetBrains Mono", "mono lower"}));
    EXPECT_EQ(GeneralSettingsTab::withoutFoundry("Courier [Adobe]"), "Courier");

    SettingsStore::shared().setFontName("Gone Mono");
    QComboBox* menu = tab->fontMenu();
    EXPECT_EQ(menu->currentText(), "Gone Mono");
    EXPECT_GE(menu->findText("DejaVu Sans Mono"), 0) << "installed fixed-pitch fonts are offered";
}

TEST_F(GeneralTabTest, ResetAsksFirstAndBringsEveryControlBack)
{
    bool answer = false;
    int asked = 0;
    tab->setResetConfirmer([&] {
        ++asked;
        return answer;
    });
    tab->chooseDefaultSkin("Walkie MK-1");
    tab->chooseRestoreWindows(false);
    tab->fontSizeStepper()->setValue(15);

    tab->resetButton()->click();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(SettingsStore::shared().data().fontSize, 15) << "cancelled";
    EXPECT_FALSE(onDisk().restoreWindows);

    answer = true;
    Posted posted;
    tab->resetButton()->click();
    EXPECT_EQ(onDisk().fontSize, SettingsData().fontSize);
    EXPECT_EQ(tab->fontSizeStepper()->text(), "9pt");
    EXPECT_TRUE(tab->restoreWindowsBox()->isChecked());
    EXPECT_EQ(tab->defaultSkinMenu()->currentText(), "Handheld v1");
    QStringList names;
    for (const auto& name : posted.names)
        names.append(name.first);
    EXPECT_EQ(names, QStringList({"settingsReset", "fontChanged", "paletteChanged", "effectsChanged"}))
        << "the controls write nothing back";
}

TEST_F(GeneralTabTest, DefaultSkinAndRestoreAreStoredWithoutANotification)
{
    Posted posted;
    tab->chooseDefaultSkin("Walkie MK-1");
    tab->restoreWindowsBox()->click();
    EXPECT_EQ(onDisk().defaultSkin, "Walkie MK-1");
    EXPECT_FALSE(onDisk().restoreWindows);
    EXPECT_TRUE(posted.names.isEmpty());
    QString revealed;
    tab->setFileRevealer([&](const QString& file) { revealed = file; });
    tab->revealButton()->click();
    EXPECT_EQ(revealed, AppPaths::settingsFile());
}

class SkinsTabTest : public SettingsFixture {
protected:
    void build()
    {
        model = std::make_unique<SettingsViewModel>(SettingsStore::shared(), SkinLoader::shared());
        tab = std::make_unique<SkinsSettingsTab>(*model);
        tab->setActions({[this](const SkinManifest& skin) { used.append(skin.name); },
                         [this](const SkinManifest& skin) {
                             asked.append(skin.name);
                             return confirm;
                         },
                         [this](const QUrl& url) { opened.append(url); }});
        tab->resize(568, 600);
        tab->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(tab.get()));
    }
    void TearDown() override
    {
        tab.reset();
        model.reset();
        SettingsFixture::TearDown();
    }

    SkinGalleryCard* card(const QString& name) const
    {
        for (SkinGalleryCard* card : tab->cards()) {
            if (card->skin().name == name)
                return card;
        }
        return nullptr;
    }

    std::unique_ptr<SettingsViewModel> model;
    std::unique_ptr<SkinsSettingsTab> tab;
    QStringList used;
    QStringList asked;
    QList<QUrl> opened;
    bool confirm = true;
};

TEST_F(SkinsTabTest, WithoutSkinsOnDiskShowsTheBuiltInHandheldAloneWithoutDelete)
{
    // The loader keeps the built-in handheld when it finds nothing, so its
    // list is never empty once loaded and the built-in pair does not stand in.
    QTemporaryDir emptyBundle;
    velmora::test::ScopedEnvironment bundle("VELMORA_RESOURCES_DIR", emptyBundle.path().toUtf8());
    SkinLoader::shared().loadAll();
    build();
    QStringList names;
    for (SkinGalleryCard* card : tab->cards()) {
        names.append(card->skin().name);
        EXPECT_EQ(card->deleteButton(), nullptr);
    }
    EXPECT_EQ(names, QStringList({SkinManifest::handheld().name}));
    EXPECT_EQ(tab->columns(), 2);
    EXPECT_EQ(SkinsSettingsTab::columnCount(229), 1);
    EXPECT_EQ(SkinsSettingsTab::columnCount(476), 2);
    EXPECT_EQ(SkinsSettingsTab::columnCount(722), 3);

    card(SkinManifest::handheld().name)->useNowButton()->click();
    EXPECT_EQ(used, QStringList({SkinManifest::handheld().name}));
}

TEST_F(SkinsTabTest, MakeDefaultMovesTheMarkAndSavesWithoutANotification)
{
    addUserSkin("neon", "Neon");
    SkinLoader::shared().loadAll();
    build();
    ASSERT_NE(card("Neon"), nullptr);
    Posted posted;
    card("Neon")->makeDefaultButton()->click();
    QApplication::processEvents();
    EXPECT_TRUE(card("Neon")->isDefault());
    ASSERT_NE(card("Handheld v1"), nullptr);
    EXPECT_NE(card("Handheld v1")->makeDefaultButton(), nullptr);
    EXPECT_EQ(onDisk().defaultSkin, "Neon");
    EXPECT_EQ(model->defaultSkin(), "Neon");
    EXPECT_TRUE(posted.names.isEmpty());
}

TEST_F(SkinsTabTest, DeletesUserSkinsAfterAskingAndReloadsEvenWhenRemovalFails)
{
    const QString folder = addUserSkin("neon", "Neon");
    SkinLoader::shared().loadAll();
    build();
    const SkinManifest neon = card("Neon")->skin();

    confirm = false;
    tab->deleteSkin(neon);
    EXPECT_EQ(asked, QStringList({"Neon"}));
    EXPECT_TRUE(QFileInfo::exists(folder));

    confirm = true;
    {
        velmora::test::Pinned pin(folder);
        if (pin.pinned()) {
            Posted posted;
            velmora::test::LogCapture log;
            log.clear();
            tab->deleteSkin(neon);
            QApplication::processEvents();
            EXPECT_TRUE(QFileInfo::exists(folder + "/skin.json"));
            ASSERT_EQ(posted.names.size(), 1);
            EXPECT_EQ(posted.names[0].first, "skinsReloaded");
            EXPECT_EQ(log.count("[Velmora] Couldn't delete the skin"), 1);
            EXPECT_NE(card("Neon"), nullptr) << "the folder stayed, so does its card";
        }
    }

    const int tick = model->skinsTick();
    tab->deleteSkin(neon);
    QApplication::processEvents();
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(model->skinsTick(), tick + 1);
    EXPECT_EQ(card("Neon"), nullptr);

    // Built-in skins are never asked about.
    asked.clear();
    tab->deleteSkin(SkinManifest::handheld());
    EXPECT_TRUE(asked.isEmpty());
}

TEST_F(SkinsTabTest, ReloadShowsSkinsCopiedByHandAndTheFolderButtonRecreatesTheFolder)
{
    build();
    addUserSkin("copied", "Copied");
    Posted posted;
    tab->reloadButton()->click();
    QApplication::processEvents();
    EXPECT_NE(card("Copied"), nullptr);
    EXPECT_TRUE(posted.names.isEmpty()) << "Reload tells no other window";

    QDir(AppPaths::skinsDir()).removeRecursively();
    tab->openFolderButton()->click();
    EXPECT_TRUE(QFileInfo(AppPaths::skinsDir()).isDir());
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(AppPaths::skinsDir()));
    tab->browseButton()->click();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[1].path(), "/community");
}

TEST(KeysTabTest, ListsTheRegisteredKeysInLinuxNotation)
{
    QMenu menus;
    QMenu* app = menus.addMenu("Velmora");
    app->addAction("About Velmora");
    app->addSeparator();
    QAction* settings = app->addAction("Settings...");
    settings->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Comma), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Less)});
    QMenu* view = menus.addMenu("View");
    view->addAction("Skin Builder\u2026")->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B));
    view->addAction("Bigger Font")->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_Plus));

    const QList<KeyBinding> expected = {{"Settings", "Ctrl+Shift+,"},
                                        {"Skin Builder", "Ctrl+Shift+B"},
                                        {"Bigger Font", "Ctrl+Alt+Shift++"},
                                        {"Show / Hide from anywhere", "Alt+Space"}};
    KeysSettingsTab tab;
    tab.setSources(menus.actions(), {{"Show / Hide from anywhere", "Alt+Space"}});
    EXPECT_EQ(tab.bindings(), expected);

    // The card follows the actions when it is shown again.
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Period));
    tab.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tab));
    EXPECT_EQ(tab.bindings().first().keys, "Ctrl+Shift+.");
}

} // namespace
