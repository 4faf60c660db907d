#include "skin/SkinLoader.h"
#include "skinbuilder/CanvasScrollView.h"
#include "skinbuilder/DropZoneView.h"
#include "skinbuilder/PanelControls.h"
#include "skinbuilder/PropertiesPanel.h"
#include "skinbuilder/SkinBuilderModel.h"
#include "skinbuilder/SkinBuilderView.h"

#include "support/BuilderTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>

namespace velmora {
namespace {

class DropZoneTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    QString picture(const QString& name, QSize size)
    {
        return test::savePicture(test::filledPicture(size.width(), size.height(), QColor(10, 20, 30)),
                                 m_folder.filePath(name));
    }
    QString file(const QString& name, const QByteArray& content)
    {
        QFile out(m_folder.filePath(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
        return out.fileName();
    }

    // Drops the URLs on the drop zone; true when the drop was accepted.
    bool drop(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPoint centre = dropZone().rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dropZone(), &enter);
        QDropEvent event(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dropZone(), &event);
        return event.isAccepted();
    }
    DropZoneView& dropZone() { return *static_cast<DropZoneView*>(view.emptyState()); }

    SkinBuilderModel model{SkinLoader::shared()};
    SkinBuilderView view{model};

private:
    QTemporaryDir m_folder;
};

TEST_F(DropZoneTest, OnlyTheFirstDroppedFileIsLoadedOnceTheDropIsOver)
{
    const QString first = picture(QStringLiteral("first.png"), QSize(30, 20));
    const QString second = picture(QStringLiteral("second.png"), QSize(50, 40));
    const QString third = picture(QStringLiteral("third.png"), QSize(70, 60));
    EXPECT_TRUE(drop({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second), QUrl::fromLocalFile(third)}));
    EXPECT_FALSE(model.hasImage()) << "not while the drop is handled";
    QCoreApplication::processEvents();
    ASSERT_TRUE(model.hasImage());
    EXPECT_EQ(model.imagePixelSize(), QSizeF(30, 20));
    EXPECT_EQ(model.skinName(), QStringLiteral("first"));
    EXPECT_TRUE(view.showsCanvas());
}

TEST_F(DropZoneTest, ATextFileIsAcceptedThenReportedByTheModel)
{
    EXPECT_TRUE(drop({QUrl::fromLocalFile(file(QStringLiteral("notes.txt"), "not a picture"))}));
    QCoreApplication::processEvents();
    EXPECT_FALSE(model.hasImage());
    EXPECT_EQ(model.statusMessage(), QStringLiteral("Failed to load image"));
    EXPECT_TRUE(model.statusIsError());
    EXPECT_FALSE(view.showsCanvas());
}

TEST_F(DropZoneTest, NothingToLoadChangesNothing)
{
    EXPECT_FALSE(drop({})) << "an empty drop is refused";
    EXPECT_TRUE(drop({QUrl(QStringLiteral("https://example.invalid/device.png"))}));
    QCoreApplication::processEvents();
    EXPECT_FALSE(model.hasImage());
    EXPECT_FALSE(model.statusMessage()) << "no message for an item without a file";
}

TEST_F(DropZoneTest, TheViewShowsTheDropZoneExactlyWhileThereIsNoPicture)
{
    EXPECT_FALSE(view.showsCanvas());
    EXPECT_NE(dynamic_cast<DropZoneView*>(view.emptyState()), nullptr);
    auto* panel = dynamic_cast<PropertiesPanel*>(view.sidePanel());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->width(), 420);
    EXPECT_GE(view.minimumWidth(), 940);
    EXPECT_GE(view.minimumHeight(), 540);
    ASSERT_TRUE(model.loadImage(picture(QStringLiteral("device.png"), QSize(40, 40))));
    EXPECT_TRUE(view.showsCanvas());
    panel->button(QStringLiteral("newButton"))->click();
    EXPECT_FALSE(view.showsCanvas());
}

TEST_F(DropZoneTest, TheInvitationIsSetInTheSecondaryColours)
{
    // The drop zone sits on the Base colour, under which labels draw with
    // Text rather than WindowText: the darkest ink of each line must still
    // be its secondary shade, not the full text colour.
    const struct {
        QString text;
        qreal opacity;
    } lines[] = {{DropZoneView::title, 1.0}, {DropZoneView::subtitle, 0.6}};
    for (const auto& line : lines) {
        QLabel* shown = nullptr;
        for (QLabel* label : dropZone().findChildren<QLabel*>())
            if (label->text() == line.text)
                shown = label;
        ASSERT_NE(shown, nullptr) << line.text.toStdString();
        shown->resize(shown->sizeHint());
        const QImage picture = shown->grab().toImage();
        int darkest = 255;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                darkest = std::min(darkest, qGray(picture.pixel(x, y)));
        const int expected = qGray(PanelLook::secondaryText(dropZone().palette(), line.opacity).rgb());
        EXPECT_NEAR(darkest, expected, 24) << line.text.toStdString();
    }
}

TEST_F(DropZoneTest, ChooseFileAsksForAPictureAndLoadsIt)
{
    auto script = test::scriptDialogs(model);
    script->picture = picture(QStringLiteral("chosen.png"), QSize(12, 12));
    auto* choose = dropZone().findChild<QPushButton*>(QStringLiteral("chooseFileButton"));
    ASSERT_NE(choose, nullptr);
    EXPECT_EQ(choose->text(), QStringLiteral("Choose File..."));
    choose->click();
    EXPECT_TRUE(model.hasImage());
}

} // namespace
} // namespace velmora
