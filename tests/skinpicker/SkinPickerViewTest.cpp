#include "skinpicker/SkinPickerView.h"

#include "look/KeyboardBadge.h"
#include "skin/SkinLoader.h"
#include "skinpicker/SkinCard.h"
#include "skinpicker/SkinPickerModel.h"
#include "skinpicker/SkinPickerWindowController.h"
#include "support/HostileFiles.h"
#include "support/TemporaryHome.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QEnterEvent>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using namespace velmora;

class SkinPickerViewTest : public velmora::test::TemporaryHome {
protected:
    void SetUp() override
    {
        TemporaryHome::SetUp();
        SkinLoader::shared().loadAll();
    }

    void TearDown() override
    {
        controller.reset();
        TemporaryHome::TearDown();
    }

    // A user skin with its picture, in the skins folder or elsewhere.
    QString makeSkin(const QString& folder, const QString& id, const QString& name, int keys = 0,
                     const QColor& pictureColor = QColor(200, 60, 40))
    {
        QJsonObject json = velmora::test::minimalSkin(name);
        json["frame"] = QJsonObject{{"image", "frame.png"}, {"width", 200}, {"height", 300}};
        QJsonArray keyList;
        for (int i = 0; i < keys; ++i)
            keyList.append(
                QJsonObject{{"key", QString(QChar('a' + i))}, {"x", 1}, {"y", 1}, {"width", 2}, {"height", 2}});
        if (keys > 0)
            json["keys"] = keyList;
        const QString skin = writeSkin(folder, id, json);
        velmora::test::writeFile(skin + "/frame.png", velmora::test::pngBytes(pictureColor, QSize(200, 300)));
        return skin;
    }

    void open(std::optional<QString> currentSkinId = std::nullopt)
    {
        controller = std::make_unique<SkinPickerWindowController>(SkinLoader::shared(), std::move(currentSkinId));
        SkinPickerWindowController* picker = controller.get();
        QObject::connect(picker, &SkinPickerWindowController::skinSelected, [this](const SkinManifest& skin) {
            events.append("selected " + skin.name + (controller->window()->isVisible() ? " (open)" : " (closed)"));
        });
        QObject::connect(picker, &SkinPickerWindowController::editSkinRequested, [this](const QString& folder) {
            events.append("edit " + QFileInfo(folder).fileName()
                          + (controller->window()->isVisible() ? " (open)" : " (closed)"));
        });
        QObject::connect(picker, &SkinPickerWindowController::importImageRequested, [this](const QString& picture) {
            events.append("picture " + QFileInfo(picture).fileName()
                          + (controller->window()->isVisible() ? " (open)" : " (closed)"));
        });
        view().model().setAsk([this](const SkinPickerModel::Question& question) {
            events.append("ask " + question.message);
            return true;
        });
        controller->showWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->window()));
    }

    SkinPickerView& view() const { return *controller->view(); }

    SkinCard* card(const QString& name) const
    {
        for (SkinCard* card : view().cards()) {
            if (card->skin().name == name)
                return card;
        }
        return nullptr;
    }

    static void hover(QWidget* widget, bool inside)
    {
        if (inside) {
            QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
            QApplication::sendEvent(widget, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(widget, &leave);
        }
    }

    // Drags the files over the view and drops them.
    void drop(const QList<QUrl>& urls, const QImage& image = QImage())
    {
        QMimeData data;
        if (!urls.isEmpty())
            data.setUrls(urls);
        if (!image.isNull())
            data.setImageData(image);
        const QPoint at = view().rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view(), &enter);
        targetedWhileDragging = view().isTargeted();
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view(), &dropped);
        dropAccepted = dropped.isAccepted();
        QApplication::processEvents();
    }

    std::unique_ptr<SkinPickerWindowController> controller;
    QStringList events;
    bool targetedWhileDragging = false;
    bool dropAccepted = false;
};

TEST_F(SkinPickerViewTest, ImportsDroppedItemsOneAfterAnotherInDropOrder)
{
    for (const char* id : {"alpha", "beta", "gamma"}) {
        makeSkin(userSkins(), id, QString("Old ") + id);
        makeSkin(root() + "/incoming", id, QString("New ") + id);
    }
    open();
    drop({QUrl::fromLocalFile(root() + "/incoming/gamma"),
          QUrl("https://example.com/skin.zip"),
          QUrl::fromLocalFile(root() + "/incoming/alpha"),
          QUrl::fromLocalFile(root() + "/incoming/beta")});
    EXPECT_TRUE(targetedWhileDragging);
    EXPECT_FALSE(view().isTargeted());
    EXPECT_TRUE(dropAccepted);
    EXPECT_EQ(events, QStringList({"ask Replace “gamma”?", "ask Replace “alpha”?", "ask Replace “beta”?"}));
    EXPECT_EQ(view().model().statusMessage(), "Installed beta");
    EXPECT_EQ(view().footerText(), "Installed beta");
    EXPECT_NE(card("New beta"), nullptr) << "the grid follows the install";
    EXPECT_EQ(card("Old beta"), nullptr);
}

TEST_F(SkinPickerViewTest, ADropOfPictureDataAloneIsTakenAndImportsNothing)
{
    open();
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    drop({}, image);
    EXPECT_TRUE(targetedWhileDragging);
    EXPECT_TRUE(dropAccepted);
    EXPECT_TRUE(events.isEmpty());
    EXPECT_FALSE(view().model().statusMessage());
    EXPECT_EQ(view().footerText(), SkinPickerView::hint);
}

TEST_F(SkinPickerViewTest, ADroppedPictureClosesThePickerAndGoesToTheBuilder)
{
    velmora::test::writeFile(root() + "/incoming/photo.jpeg", velmora::test::pngBytes());
    open();
    drop({QUrl::fromLocalFile(root() + "/incoming/photo.jpeg")});
    EXPECT_EQ(events, QStringList({"picture photo.jpeg (closed)"}));
    EXPECT_FALSE(controller->window()->isVisible());
}

TEST_F(SkinPickerViewTest, KeepsThreeColumnsAtTheSmallestWindow)
{
    for (const char* id : {"a1", "a2", "a3", "a4", "a5"})
        makeSkin(userSkins(), id, QString("Skin ") + id);
    SkinLoader::shared().loadAll();
    open();
    QWidget* window = controller->window();
    EXPECT_EQ(window->windowTitle(), "Choose a Skin");
    EXPECT_EQ(window->minimumSize(), QSize(420, 360));
    EXPECT_EQ(window->size(), QSize(580, 600));

    for (const QSize size : {QSize(420, 360), QSize(580, 600), QSize(1100, 700)}) {
        window->resize(size);
        QApplication::processEvents();
        const QList<SkinCard*> cards = view().cards();
        ASSERT_GE(cards.size(), 6);
        const QWidget* grid = cards[0]->parentWidget();
        for (int i = 0; i < 6; ++i) {
            const QRect geometry = cards[i]->geometry();
            EXPECT_EQ(geometry.top(), cards[i / 3 * 3]->geometry().top()) << "row of card " << i;
            EXPECT_GT(geometry.width(), 50) << size.width();
            EXPECT_GE(geometry.left(), 16);
            EXPECT_LE(geometry.right(), grid->width() - 16);
            if (i % 3 > 0) {
                EXPECT_EQ(geometry.left() - cards[i - 1]->geometry().right() - 1, 16) << "column gap";
            }
        }
        EXPECT_GT(cards[3]->geometry().top(), cards[0]->geometry().bottom());
        EXPECT_EQ(cards[3]->geometry().top() - cards[0]->geometry().bottom() - 1, 16) << "row gap";
    }
}

TEST_F(SkinPickerViewTest, OffersEditAndDeleteOnlyOnHoveredUserSkins)
{
    makeSkin(userSkins(), "neon", "Neon");
    SkinLoader::shared().loadAll();
    open();
    SkinCard* builtIn = card(SkinManifest::handheld().name);
    SkinCard* user = card("Neon");
    ASSERT_TRUE(builtIn && user);
    EXPECT_EQ(builtIn->editButton(), nullptr);
    EXPECT_EQ(user->userFolder(), userSkins() + "/neon");
    ASSERT_TRUE(user->editButton() && user->deleteButton());
    EXPECT_FALSE(user->editButton()->isVisible());

    const QImage restingLook = builtIn->grab().toImage();
    hover(builtIn, true);
    EXPECT_TRUE(builtIn->isHovering());
    EXPECT_NE(builtIn->grab().toImage(), restingLook) << "hovering brightens the card";
    hover(builtIn, false);

    hover(user, true);
    EXPECT_TRUE(user->editButton()->isVisible());
    EXPECT_TRUE(user->deleteButton()->isVisible());
    EXPECT_EQ(user->editButton()->toolTip(), "Edit in Skin Builder");
    EXPECT_EQ(user->deleteButton()->toolTip(), "Delete skin");
    // Both sit at the top-right corner, edit first, over the thumbnail.
    EXPECT_LT(user->editButton()->x(), user->deleteButton()->x());
    EXPECT_EQ(user->deleteButton()->geometry().right(), user->width() - SkinCard::inset - 6 - 1);
    EXPECT_EQ(user->deleteButton()->y(), SkinCard::inset + 6);

    QTest::mouseClick(user->editButton(), Qt::LeftButton);
    EXPECT_EQ(events, QStringList({"edit neon (closed)"})) << "editing does not select";
    hover(user, false);
    EXPECT_FALSE(user->editButton()->isVisible());

    events.clear();
    controller->showWindow();
    hover(user, true);
    QTest::mouseClick(user->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(events, QStringList({"ask Delete “Neon”?"}));
    QTRY_COMPARE(card("Neon"), nullptr);
    EXPECT_EQ(view().footerText(), "Deleted Neon");
    EXPECT_TRUE(controller->window()->isVisible()) << "deleting keeps the window open";
}

TEST_F(SkinPickerViewTest, PickingACardReportsItBeforeTheWindowCloses)
{
    makeSkin(userSkins(), "neon", "Neon");
    SkinLoader::shared().loadAll();
    open(QStringLiteral("neon"));
    EXPECT_TRUE(card("Neon")->isCurrent());
    EXPECT_FALSE(card(SkinManifest::handheld().name)->isCurrent());

    QTest::mouseClick(card(SkinManifest::handheld().name), Qt::LeftButton, {}, QPoint(40, 140));
    EXPECT_EQ(events, QStringList({"selected Handheld v1 (open)"}));
    EXPECT_FALSE(controller->window()->isVisible());

    // Without an opener's callback the window just closes; opened from the
    // application no card is current.
    controller = std::make_unique<SkinPickerWindowController>(SkinLoader::shared(), std::nullopt);
    controller->showWindow();
    for (SkinCard* each : view().cards())
        EXPECT_FALSE(each->isCurrent());
    QTest::mouseClick(view().cards().first(), Qt::LeftButton, {}, QPoint(40, 140));
    EXPECT_FALSE(controller->window()->isVisible());
}

TEST_F(SkinPickerViewTest, CardsShowThePictureOrAPlaceholderInTheSkinsColours)
{
    makeSkin(userSkins(), "red", "Red", 3, QColor(220, 20, 20));
    QJsonObject missing = velmora::test::minimalSkin("No Picture");
    missing["frame"] = QJsonObject{{"image", "gone.png"}, {"width", 400}, {"height", 200}};
    missing["palette"] = QJsonObject{{"foreground", "#ffcc00"}, {"background", "#102030"}};
    writeSkin(userSkins(), "nopicture", missing);
    SkinLoader::shared().loadAll();
    open();

    SkinCard* red = card("Red");
    SkinCard* placeholder = card("No Picture");
    ASSERT_TRUE(red && placeholder);
    const auto pixelAt = [](SkinCard* card, QPointF point) {
        return card->grab().toImage().pixelColor((point * card->devicePixelRatioF()).toPoint());
    };
    // 120 high at the frame's aspect ratio, centred.
    EXPECT_DOUBLE_EQ(red->thumbnailRect().height(), 120);
    EXPECT_DOUBLE_EQ(red->thumbnailRect().width(), 80);
    EXPECT_DOUBLE_EQ(red->thumbnailRect().center().x(), red->width() / 2.0);
    EXPECT_EQ(pixelAt(red, red->thumbnailRect().center() + QPointF(0, 30)), QColor(220, 20, 20));

    EXPECT_DOUBLE_EQ(placeholder->thumbnailRect().height(), std::min(120.0, placeholder->thumbnailArea().width() / 2));
    EXPECT_EQ(pixelAt(placeholder, placeholder->thumbnailRect().topLeft() + QPointF(10, 10)), QColor("#102030"));

    // The keyboard badge only on skins that map keys, with their count.
    ASSERT_TRUE(red->badgeRect());
    EXPECT_FALSE(placeholder->badgeRect());
    EXPECT_EQ(KeyboardBadge::toolTip(qsizetype(red->skin().keys.size())), "Keyboard-reactive: 3 keys mapped");
    EXPECT_EQ(KeyboardBadge::toolTip(1), "Keyboard-reactive: 1 keys mapped");
}

// A pipe named as a skin's picture gives the placeholder at once; an enormous
// picture is kept at the thumbnail's size, not at the size of its file.
TEST_F(SkinPickerViewTest, CardsNeitherWaitOnAPipeNorKeepWholePictures)
{
    const QString piped = makeSkin(userSkins(), "piped", "Piped");
    velmora::test::WatchedFifo fifo(piped + "/frame.png");
    ASSERT_TRUE(fifo.made());
    const QString enormous = makeSkin(userSkins(), "enormous", "Enormous");
    velmora::test::writeEnormousPng(enormous + "/frame.png", 5600, QColor(220, 20, 20));
    SkinLoader::shared().loadAll();
    open();

    SkinCard* pipedCard = card("Piped");
    SkinCard* enormousCard = card("Enormous");
    ASSERT_TRUE(pipedCard && enormousCard);
    pipedCard->grab();
    EXPECT_TRUE(pipedCard->picture().isNull());
    EXPECT_FALSE(fifo.rescued()) << "the card waited on the pipe";

    const QImage shown = enormousCard->grab().toImage();
    const QSize box = enormousCard->pictureBox();
    EXPECT_EQ(box.height(), qRound(120 * enormousCard->devicePixelRatioF()));
    EXPECT_LE(enormousCard->picture().width(), box.width());
    EXPECT_LE(enormousCard->picture().height(), box.height());
    const QPointF left = enormousCard->thumbnailRect().center() - QPointF(20, 0);
    EXPECT_EQ(shown.pixelColor((left * enormousCard->devicePixelRatioF()).toPoint()), QColor(220, 20, 20));
}

TEST_F(SkinPickerViewTest, TheFooterShowsTheStatusAndThenTheHintAgain)
{
    open();
    view().model().setStatusClearDelay(std::chrono::milliseconds(150));
    EXPECT_EQ(view().footerText(), SkinPickerView::hint);
    view().model().importItem(root() + "/nothing", {});
    EXPECT_EQ(view().footerText(), "Couldn't read that item");
    QTRY_COMPARE(view().footerText(), SkinPickerView::hint);
}

TEST_F(SkinPickerViewTest, HeaderButtonsImportReloadAndOpenTheSkinsFolder)
{
    open();
    QStringList opened;
    SkinPickerView::Desktop desktop;
    desktop.chooseItem
        = [&](QWidget*) -> std::optional<QString> { return makeSkin(root() + "/incoming", "chosen", "Chosen"); };
    desktop.openFolder = [&](const QString& folder) { opened.append(folder); };
    view().setDesktop(desktop);

    EXPECT_EQ(view().importButton()->text(), "Import…");
    EXPECT_EQ(view().importButton()->toolTip(), "Install a skin folder or .zip, or start a new skin from an image");
    view().importButton()->click();
    EXPECT_EQ(view().footerText(), "Installed chosen");
    EXPECT_NE(card("Chosen"), nullptr);

    // Reload finds a skin written behind the picker's back.
    makeSkin(userSkins(), "later", "Later");
    EXPECT_EQ(card("Later"), nullptr);
    view().reloadButton()->click();
    EXPECT_NE(card("Later"), nullptr);

    // Open Folder works on a first run, before the skins folder exists.
    QDir(userSkins()).removeRecursively();
    view().openFolderButton()->click();
    EXPECT_EQ(opened, QStringList({userSkins()}));
    EXPECT_TRUE(QFileInfo(userSkins()).isDir());

    // A cancelled dialog imports nothing.
    desktop.chooseItem = [](QWidget*) -> std::optional<QString> { return std::nullopt; };
    view().setDesktop(desktop);
    view().importButton()->click();
    EXPECT_EQ(view().footerText(), "Installed chosen");
}

TEST_F(SkinPickerViewTest, TheImportDialogTakesAFolderOrAFile)
{
    const QString folder = makeSkin(root() + "/incoming", "neon", "Neon");
    velmora::test::writeFile(root() + "/incoming/pack.zip", "zip");

    SkinImportDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Import Skin");
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
    bool hasMessage = false;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        hasMessage = hasMessage || label->text() == "Choose a skin folder, a .zip, or an image.";
    EXPECT_TRUE(hasMessage);

    dialog.setDirectory(root() + "/incoming");
    dialog.selectFile(folder);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosen(), folder);

    SkinImportDialog second;
    second.setDirectory(root() + "/incoming");
    second.selectFile(root() + "/incoming/pack.zip");
    second.accept();
    EXPECT_EQ(second.result(), QDialog::Accepted);
    EXPECT_EQ(second.chosen(), root() + "/incoming/pack.zip");
}

} // namespace
