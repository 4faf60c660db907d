#pragma once

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

#include <vector>

namespace velmora::test {

// Collects every Qt log message while it lives.
class LogCapture {
public:
    LogCapture() { m_previous = qInstallMessageHandler(&LogCapture::handle); }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    static QStringList& lines()
    {
        static QStringList collected;
        return collected;
    }

    int count(const QString& fragment) const
    {
        int n = 0;
        for (const QString& line : lines())
            n += line.contains(fragment) ? 1 : 0;
        return n;
    }

    void clear() { lines().clear(); }

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message) { lines().append(message); }
    QtMessageHandler m_previous = nullptr;
};

// A skin file that loads: the smallest object with every required key.
inline QJsonObject minimalSkin(const QString& name)
{
    return QJsonObject{
        {"name", name},
        {"frame", QJsonObject{{"image", "frame@2x.png"}, {"width", 400}, {"height", 600}}},
        {"viewport", QJsonObject{{"x", 10}, {"y", 20}, {"width", 300}, {"height", 200}}},
        {"palette", QJsonObject{{"foreground", "#00ff00"}, {"background", "#101010"}}},
        {"buttons", QJsonArray{}},
    };
}

inline QByteArray toBytes(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Indented); }

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

// A PNG picture of one colour.
inline QByteArray pngBytes(const QColor& color = QColor(40, 120, 200), QSize size = QSize(8, 12))
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Points HOME, XDG_DATA_HOME and VELMORA_RESOURCES_DIR at fresh temporary
// folders for one test and puts them back afterwards.
class TemporaryHome : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        for (const char* name : {"HOME", "XDG_DATA_HOME", "VELMORA_RESOURCES_DIR"})
            m_saved.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        qputenv("HOME", m_root.filePath("home").toUtf8());
        qputenv("XDG_DATA_HOME", m_root.filePath("data").toUtf8());
        qputenv("VELMORA_RESOURCES_DIR", m_root.filePath("bundle").toUtf8());
        QDir().mkpath(m_root.filePath("home"));
        QDir().mkpath(m_root.filePath("data"));
    }

    void TearDown() override
    {
        for (const Saved& saved : m_saved) {
            if (saved.wasSet)
                qputenv(saved.name, saved.value);
            else
                qunsetenv(saved.name);
        }
    }

    QString userSkins() const { return m_root.filePath("data/Velmora/skins"); }
    QString bundleSkins() const { return m_root.filePath("bundle/Skins"); }
    QString root() const { return m_root.path(); }

    // Writes <folder>/<id>/skin.json and returns the skin folder.
    QString writeSkin(const QString& folder, const QString& id, const QByteArray& json)
    {
        const QString skinFolder = folder + u'/' + id;
        writeFile(skinFolder + QStringLiteral("/skin.json"), json);
        return skinFolder;
    }

    QString writeSkin(const QString& folder, const QString& id, const QJsonObject& json)
    {
        return writeSkin(folder, id, toBytes(json));
    }

private:
    struct Saved {
        const char* name;
        QByteArray value;
        bool wasSet;
    };
    QTemporaryDir m_root;
    std::vector<Saved> m_saved;
};

} // namespace velmora::test
