#include "core/SettingsStore.h"
#include "settings/SettingsViewModel.h"
#include "skin/SkinLoader.h"
#include "support/LoopbackService.h"

#include "core/AppInfo.h"
#include "settings/AboutSettingsTab.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace velmora;
using test::LoopbackService;
using test::waitUntil;
using LoadState = AboutViewModel::LoadState;
using Kind = AboutViewModel::FeedbackState::Kind;

const QColor phosphor(0x00, 0xFF, 0x41);

// A tab over a loopback web service and a resource folder that may hold
// release notes.
class AboutSettingsTabTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("VELMORA_RESOURCES_DIR", resources.path().toUtf8()); }
    void TearDown() override { qunsetenv("VELMORA_RESOURCES_DIR"); }

    void writeNotes()
    {
        ASSERT_TRUE(QDir(resources.path()).mkpath("Resources"));
        QFile file(resources.path() + "/Resources/CHANGELOG.md");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("## 0.1.0\n- Bundled note\n");
    }

    // Shows the tab and waits for its version check to end.
    void showAndWait()
    {
        tab.show();
        ASSERT_TRUE(waitUntil([&] { return tab.model().loadState() != LoadState::loading; }));
    }

    template <typename T = QLabel> T* child(const char* name) const
    {
        T* widget = tab.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    bool shown(const char* name) const { return child<QWidget>(name)->isVisibleTo(&tab); }
    QString text(const char* name) const { return child(name)->text(); }
    QStringList notes() const
    {
        QStringList list;
        for (const QLabel* label : tab.findChildren<QLabel*>("note"))
            list << label->text();
        return list;
    }

    QTemporaryDir resources;
    LoopbackService server;
    SettingsViewModel settings{SettingsStore::shared(), SkinLoader::shared()};
    AboutSettingsTab tab{settings, phosphor};
};

TEST_F(AboutSettingsTabTest, WhileCheckingShowsProgressAndTheSiteButtons)
{
    server.stayQuiet();
    tab.show();
    ASSERT_TRUE(waitUntil([&] { return !server.requests().isEmpty(); }));
    EXPECT_TRUE(shown("checking"));
    EXPECT_FALSE(shown("notes"));
    EXPECT_FALSE(shown("noNotes"));
    EXPECT_EQ(text("updateStatus"), "Checking\u2026") << "no answer yet is not up to date";
    EXPECT_FALSE(shown("downloadButton"));
    EXPECT_EQ(child<QPushButton>("visitButton")->text(), "Visit 127.0.0.1");
    EXPECT_TRUE(shown("privacyLink"));
    EXPECT_TRUE(shown("termsLink"));
    EXPECT_EQ(text("versionBadge"), QString("Version %1 (%2)").arg(AppInfo::shortVersion(), AppInfo::build()));

    tab.hide();
    EXPECT_TRUE(waitUntil([&] { return tab.model().loadState() == LoadState::offline; }));
}

TEST_F(AboutSettingsTabTest, OfflineShowsTheBundledNotes)
{
    writeNotes();
    server.answer(503, "");
    showAndWait();
    EXPECT_EQ(notes(), QStringList{"Bundled note"});
    EXPECT_TRUE(shown("offlineCaption"));
    EXPECT_EQ(text("offlineCaption"), "offline \u2014 showing bundled notes");
    EXPECT_EQ(text("updateStatus"), "Couldn't reach 127.0.0.1.");
    EXPECT_FALSE(shown("checking"));
    EXPECT_FALSE(shown("downloadButton"));
}

TEST_F(AboutSettingsTabTest, OfflineWithoutNotesSaysSo)
{
    server.answer(404, "");
    showAndWait();
    EXPECT_TRUE(shown("noNotes"));
    EXPECT_EQ(text("noNotes"), "No release notes available.");
    EXPECT_FALSE(shown("offlineCaption"));
    EXPECT_FALSE(shown("notes"));
    EXPECT_EQ(text("updateStatus"), "Couldn't reach 127.0.0.1.");
}

TEST_F(AboutSettingsTabTest, ANewerReleaseOffersItsDownload)
{
    QList<QUrl> opened;
    tab.setUrlOpener([&](const QUrl& url) { opened << url; });
    server.answer(200,
                  R"({"version":"99.0","notes":["Remote one","Remote two"],"download_url":"https://example.org/get"})");
    showAndWait();
    EXPECT_EQ(notes(), QStringList({"Remote one", "Remote two"}));
    EXPECT_FALSE(shown("offlineCaption"));
    EXPECT_EQ(text("updateStatus"), "Update available \u2014 99.0");
    ASSERT_TRUE(shown("downloadButton"));
    child<QPushButton>("downloadButton")->click();
    child<QPushButton>("visitButton")->click();
    child<QPushButton>("privacyLink")->click();
    child<QPushButton>("termsLink")->click();
    const QString base
        = "http://127.0.0.1:" + QString::number(QUrl(qEnvironmentVariable("VELMORA_SERVICE_URL")).port());
    EXPECT_EQ(opened,
              QList<QUrl>(
                  {QUrl("https://example.org/get"), QUrl(base + "/"), QUrl(base + "/privacy"), QUrl(base + "/terms")}));
}

TEST_F(AboutSettingsTabTest, TheSameOrAnOlderReleaseIsUpToDate)
{
    for (const QByteArray& version : {AppInfo::shortVersion().toUtf8(), QByteArray("0.0.1")}) {
        server.answer(200, R"({"version":")" + version + R"("})");
        tab.hide();
        showAndWait();
        EXPECT_EQ(tab.model().loadState(), LoadState::loaded);
        EXPECT_EQ(text("updateStatus"), "You're up to date.") << version.constData();
        EXPECT_FALSE(shown("downloadButton"));
    }
}

TEST_F(AboutSettingsTabTest, SendIsEnabledOnlyWithAMessage)
{
    server.answer(200, R"({"version":"0"})");
    showAndWait();
    auto* send = child<QPushButton>("sendButton");
    auto* editor = child<QPlainTextEdit>("messageEditor");
    EXPECT_FALSE(send->isEnabled());
    editor->setPlainText("  \n \n");
    EXPECT_FALSE(send->isEnabled());
    editor->setPlainText("  \n x");
    EXPECT_TRUE(send->isEnabled());
    EXPECT_EQ(tab.model().message(), "  \n x");
}

TEST_F(AboutSettingsTabTest, SendingThenSentThenFailed)
{
    server.answer(200, R"({"version":"0"})");
    showAndWait();
    auto* send = child<QPushButton>("sendButton");
    auto* subject = child<QLineEdit>("subjectField");
    auto* email = child<QLineEdit>("emailField");
    auto* editor = child<QPlainTextEdit>("messageEditor");
    EXPECT_EQ(subject->placeholderText(), "Subject (optional)");
    EXPECT_EQ(email->placeholderText(), "Email (optional \u2014 so we can reply)");
    QTest::keyClicks(subject, "Hi");
    QTest::keyClicks(email, "me@example.org");
    editor->setPlainText("Great app");

    server.answer(204, "");
    send->click();
    EXPECT_EQ(send->text(), "Sending\u2026");
    EXPECT_FALSE(send->isEnabled());
    EXPECT_FALSE(shown("feedbackStatus"));
    ASSERT_TRUE(waitUntil([&] { return tab.model().feedbackState().kind == Kind::sent; }));
    EXPECT_EQ(send->text(), "Send");
    EXPECT_EQ(text("feedbackStatus"), "Sent \u2713");
    EXPECT_TRUE(shown("feedbackStatus"));
    EXPECT_EQ(subject->text(), "");
    EXPECT_EQ(editor->toPlainText(), "");
    EXPECT_EQ(email->text(), "me@example.org");
    EXPECT_FALSE(send->isEnabled());
    EXPECT_EQ(server.requests().last().path, "/api/feedback");

    editor->setPlainText("More");
    EXPECT_TRUE(send->isEnabled());
    EXPECT_TRUE(shown("feedbackStatus"));

    server.answer(500, "");
    send->click();
    ASSERT_TRUE(waitUntil([&] { return tab.model().feedbackState().kind == Kind::failed; }));
    EXPECT_EQ(text("feedbackStatus"), "Couldn't send \u2014 check your connection and try again.");
    EXPECT_EQ(editor->toPlainText(), "More");
    EXPECT_EQ(email->text(), "me@example.org");
    EXPECT_TRUE(send->isEnabled());
}

TEST(AboutSettingsTabAccentTest, TakesTheForegroundOfTheNamedSkin)
{
    SkinManifest amber = SkinManifest::walkie();
    amber.name = "Amber";
    amber.palette.foreground = QColor("#FFB000");
    SkinManifest twin = amber;
    twin.palette.foreground = QColor("#123456");
    const std::vector<SkinManifest> loaded = {amber, twin};
    EXPECT_EQ(AboutSettingsTab::accentFor("Amber", loaded), QColor("#FFB000"));
    EXPECT_EQ(AboutSettingsTab::accentFor("amber", loaded), AboutSettingsTab::fallbackAccent);
    // The built-in pair stands in only while no skin is loaded.
    EXPECT_EQ(AboutSettingsTab::accentFor(SkinManifest::walkie().name, loaded), QColor("#DE5200"));
    EXPECT_EQ(AboutSettingsTab::accentFor(SkinManifest::walkie().name, {}), SkinManifest::walkie().palette.foreground);
    EXPECT_EQ(AboutSettingsTab::accentFor(SkinManifest::handheld().name, {}),
              SkinManifest::handheld().palette.foreground);
}

TEST(AboutSettingsTabAccentTest, FollowsTheDeviceWindowElseTheDefaultSkin)
{
    SettingsViewModel settings{SettingsStore::shared(), SkinLoader::shared()};
    AboutSettingsTab tab(settings, phosphor);
    // No skins loaded in this process: the built-in pair; the settings name
    // the handheld skin by default.
    EXPECT_EQ(tab.accent(), SkinManifest::handheld().palette.foreground);
    tab.setSkinNameSource([] { return std::optional<QString>(SkinManifest::walkie().name); });
    EXPECT_EQ(tab.accent(), SkinManifest::walkie().palette.foreground);
    tab.setSkinNameSource([] { return std::optional<QString>("Gone"); });
    EXPECT_EQ(tab.accent(), AboutSettingsTab::fallbackAccent);
    tab.setSkinNameSource([] { return std::nullopt; });
    EXPECT_EQ(tab.accent(), SkinManifest::handheld().palette.foreground);
}

} // namespace
