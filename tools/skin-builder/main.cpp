// velmora-skin-builder: the skin builder window on its own.
//
//   velmora-skin-builder [--zoom FACTOR] [--window-size WxH] [--viewport X,Y,W,H] [--preview]
//                        [--screen-in-front] [PICTURE | --edit SKIN_FOLDER | --demo]
//   velmora-skin-builder --help | --version
//
// PICTURE opens a picture as a new skin; --edit opens an installed skin's
// folder for editing; --demo draws a sample device, marks its screen area and
// buttons, and opens it. --zoom sets the canvas's magnification and
// --window-size the builder window's size. --viewport marks the screen area
// (in picture points). --preview opens the live preview of the skin (which
// needs a screen area, as --demo, --edit and --viewport give), with
// the terminal in front of the art given --screen-in-front. Installing writes
// into the user skins folder of the data folder in use (XDG_DATA_HOME).

#include "core/AppInfo.h"
#include "corvel/qt/ProgramStart.h"
#include "skin/SkinLoader.h"
#include "skinbuilder/CanvasScrollView.h"
#include "skinbuilder/PictureFile.h"
#include "skinbuilder/SkinBuilderModel.h"
#include "skinbuilder/SkinBuilderView.h"
#include "skinbuilder/SkinBuilderWindowController.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using velmora::ButtonDef;
using velmora::ButtonShape;

// A handheld device, 320 × 440 points drawn at two pixels per point on a
// transparent background.
QImage sampleDevice()
{
    constexpr int scale = 2;
    QImage image(320 * scale, 440 * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);

    const QRectF body(20, 16, 280, 408);
    QLinearGradient shell(body.topLeft(), body.bottomLeft());
    shell.setColorAt(0, QColor(222, 216, 202));
    shell.setColorAt(1, QColor(190, 183, 168));
    p.setPen(QPen(QColor(120, 114, 102), 1.5));
    p.setBrush(shell);
    QPainterPath outline;
    outline.addRoundedRect(body, 18, 18);
    p.drawPath(outline);

    const QRectF bezel(44, 40, 232, 190);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 72, 84));
    p.drawRoundedRect(bezel, 10, 10);
    // The screen is a window cut through the art, as in a real skin.
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.drawRoundedRect(QRectF(64, 58, 192, 150), 6, 6);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(QColor(180, 180, 190));
    QFont label(QStringLiteral("DejaVu Sans"));
    label.setPixelSize(9);
    label.setBold(true);
    p.setFont(label);
    p.drawText(QRectF(bezel.left(), 212, bezel.width(), 14), Qt::AlignCenter, QStringLiteral("VELMORA  POCKET"));

    // Direction pad.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(48, 48, 54));
    p.drawRoundedRect(QRectF(58, 292, 72, 24), 4, 4);
    p.drawRoundedRect(QRectF(82, 268, 24, 72), 4, 4);
    // Two round buttons.
    p.setBrush(QColor(156, 36, 72));
    p.drawEllipse(QRectF(196, 300, 34, 34));
    p.drawEllipse(QRectF(240, 276, 34, 34));
    // Start and select, and the speaker.
    p.setBrush(QColor(120, 116, 108));
    p.drawRoundedRect(QRectF(118, 370, 36, 9), 4.5, 4.5);
    p.drawRoundedRect(QRectF(166, 370, 36, 9), 4.5, 4.5);
    p.setPen(QPen(QColor(150, 144, 130), 3, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 5; ++i)
        p.drawLine(QPointF(232 + i * 9, 402), QPointF(250 + i * 9, 384));
    p.end();
    image.setDevicePixelRatio(scale);
    return image;
}

ButtonDef makeButton(QRectF rect, QString label, ButtonShape shape)
{
    ButtonDef def;
    def.rect = rect;
    def.label = std::move(label);
    def.shape = shape;
    return def;
}

bool openDemo(velmora::SkinBuilderWindowController& controller, const QString& folder)
{
    using namespace velmora;
    const QString path = folder + QStringLiteral("/velmora_pocket.png");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(PictureFile::encodePNG(sampleDevice())) <= 0)
        return false;
    file.close();
    if (!controller.openPicture(path))
        return false;
    SkinBuilderModel& model = controller.model();
    model.setViewport(QRectF(64, 58, 192, 150));
    model.setViewportCornerOffsets({{0, 0}, {0, 0}, {4, 0}, {-4, 0}});
    model.setButtons({makeButton(QRectF(196, 300, 34, 34), QStringLiteral("B"), ButtonShape::circle),
                      makeButton(QRectF(240, 276, 34, 34), QStringLiteral("A"), ButtonShape::circle),
                      makeButton(QRectF(118, 366, 36, 17), QString(), ButtonShape::rect)});
    model.setViewportCornerRadii({8, 8, 8, 8});
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const QString name = QStringLiteral("velmora-skin-builder");
    const QStringList arguments = corvel::ProgramStart::arguments(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The Velmora skin builder window."));
    const QCommandLineOption edit(
        QStringLiteral("edit"), QStringLiteral("Open an installed skin's folder."), QStringLiteral("folder"));
    const QCommandLineOption demo(QStringLiteral("demo"), QStringLiteral("Open a sample device."));
    const QCommandLineOption zoom(
        QStringLiteral("zoom"), QStringLiteral("The canvas's magnification."), QStringLiteral("factor"));
    const QCommandLineOption windowSize(
        QStringLiteral("window-size"), QStringLiteral("The window's size."), QStringLiteral("WxH"));
    const QCommandLineOption preview(QStringLiteral("preview"), QStringLiteral("Open the live preview."));
    const QCommandLineOption inFront(QStringLiteral("screen-in-front"),
                                     QStringLiteral("Draw the terminal in front of the art."));
    const QCommandLineOption viewport(
        QStringLiteral("viewport"), QStringLiteral("The screen area in picture points."), QStringLiteral("X,Y,W,H"));
    parser.addOption(viewport);
    parser.addOption(zoom);
    parser.addOption(windowSize);
    parser.addOption(preview);
    parser.addOption(inFront);
    parser.addOption(edit);
    parser.addOption(demo);
    parser.addPositionalArgument(
        QStringLiteral("picture"), QStringLiteral("A picture to start a skin from."), QStringLiteral("[picture]"));
    const corvel::ProgramStart::Program program{
        name, QStringLiteral("[options] [PICTURE | --edit FOLDER | --demo]"), velmora::AppInfo::shortVersion()};
    if (const std::optional<int> exitCode = corvel::ProgramStart::readCommandLine(parser, program, arguments))
        return *exitCode;
    // Without a display it ends before it reads or writes any file.
    if (const std::optional<int> exitCode = corvel::ProgramStart::requireDisplay(name, arguments))
        return *exitCode;

    QApplication app(argc, argv);
    QApplication::setApplicationName(name);

    velmora::SkinBuilderWindowController controller(velmora::SkinLoader::shared());
    if (parser.isSet(windowSize)) {
        const QStringList parts = parser.value(windowSize).split(QLatin1Char('x'));
        if (parts.size() == 2)
            controller.window()->resize(parts[0].toInt(), parts[1].toInt());
    }
    controller.showWindow();
    QTemporaryDir demoFolder;
    bool opened = true;
    if (parser.isSet(demo))
        opened = demoFolder.isValid() && openDemo(controller, demoFolder.path());
    else if (parser.isSet(edit))
        opened = controller.openSkinForEditing(parser.value(edit));
    else if (!parser.positionalArguments().isEmpty())
        opened = controller.openPicture(parser.positionalArguments().constFirst());
    if (parser.isSet(zoom))
        controller.view()->canvasScrollView()->setMagnification(parser.value(zoom).toDouble());
    if (opened && parser.isSet(viewport)) {
        const QStringList parts = parser.value(viewport).split(QLatin1Char(','));
        if (parts.size() == 4)
            controller.model().setViewport(
                QRectF(parts[0].toDouble(), parts[1].toDouble(), parts[2].toDouble(), parts[3].toDouble()));
    }
    if (parser.isSet(inFront))
        controller.model().setScreenInFront(true);
    if (opened && parser.isSet(preview))
        controller.model().previewSkin();
    if (!opened)
        std::fprintf(stderr,
                     "velmora-skin-builder: %s\n",
                     qPrintable(controller.model().statusMessage().value_or(QStringLiteral("couldn't open"))));
    return app.exec();
}
