// The skin builder's picture tools on a photo-sized picture: a 4000 × 3000
// device on a slightly uneven white background, through the magic wand
// (clicked on the background) and background removal, as the user runs them.

#include "skin/SkinLoader.h"
#include "skinbuilder/PictureFile.h"
#include "skinbuilder/SkinBuilderModel.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

QImage devicePhoto()
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    // A background that varies a little, as a photographed sheet does.
    for (int y = 0; y < image.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int shade = 240 + ((x * 7 + y * 13) % 16);
            row[x] = qRgb(shade, shade, shade - 4);
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(60, 64, 72));
    painter.drawRoundedRect(QRectF(900, 500, 2200, 2000), 160, 160);
    painter.setBrush(QColor(20, 40, 30));
    painter.drawRoundedRect(QRectF(1200, 750, 1600, 1000), 40, 40);
    return image;
}

// One model holding the photo, loaded from a file once for all benchmarks.
velmora::SkinBuilderModel& loadedModel()
{
    static QTemporaryDir folder;
    static velmora::SkinBuilderModel model{velmora::SkinLoader::shared()};
    if (!model.hasImage()) {
        const QString path = folder.filePath(QStringLiteral("device.png"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(velmora::PictureFile::encodePNG(devicePhoto())) <= 0)
            std::abort();
        file.close();
        if (!model.loadImage(path))
            std::abort();
    }
    return model;
}

void BM_MagicWandOnBackground(benchmark::State& state)
{
    velmora::SkinBuilderModel& model = loadedModel();
    for (auto _ : state) {
        model.magicWandErase(QPointF(10, 10), velmora::SkinBuilderModel::defaultMagicWandTolerance);
        state.PauseTiming();
        model.undo();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_MagicWandOnBackground)->Unit(benchmark::kMillisecond);

void BM_RemoveBackground(benchmark::State& state)
{
    velmora::SkinBuilderModel& model = loadedModel();
    for (auto _ : state) {
        model.removeBackground();
        state.PauseTiming();
        model.undo();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_RemoveBackground)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
