#pragma once

#include "skinbuilder/PictureFile.h"
#include "skinbuilder/SkinBuilderDialogs.h"
#include "skinbuilder/SkinBuilderModel.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace velmora::test {

// Answers the builder's questions as the test says and records them.
class ScriptedDialogs final : public SkinBuilderDialogs {
public:
    struct Script {
        bool confirmAnswer = true;
        std::optional<QString> zipDestination;
        std::optional<QString> folder;
        std::optional<QString> picture;
        std::vector<Confirmation> questions;
    };

    explicit ScriptedDialogs(std::shared_ptr<Script> script) : m_script(std::move(script)) {}

    bool confirm(const Confirmation& question) override
    {
        m_script->questions.push_back(question);
        return m_script->confirmAnswer;
    }
    std::optional<QString> chooseZipDestination(const QString&, const QString&) override
    {
        return m_script->zipDestination;
    }
    std::optional<QString> chooseFolder(const QString&, const QString&) override { return m_script->folder; }
    std::optional<QString> choosePicture() override { return m_script->picture; }

private:
    std::shared_ptr<Script> m_script;
};

// Gives the model scripted dialogs and returns the script to steer them.
inline std::shared_ptr<ScriptedDialogs::Script> scriptDialogs(SkinBuilderModel& model)
{
    auto script = std::make_shared<ScriptedDialogs::Script>();
    model.setDialogs(std::make_unique<ScriptedDialogs>(script));
    return script;
}

// A picture of one colour, with the given point size through its ratio.
inline QImage filledPicture(int width, int height, QColor colour, qreal pixelsPerPoint = 1)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    image.fill(colour);
    image.setDevicePixelRatio(pixelsPerPoint);
    return image;
}

// Saves the picture as a PNG recording its resolution; returns the path.
inline QString savePicture(const QImage& image, const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(PictureFile::encodePNG(image));
    return path;
}

inline QRgb pixelAt(const QImage& image, int x, int y)
{
    return image.convertToFormat(QImage::Format_ARGB32).pixel(x, y);
}

} // namespace velmora::test
