#pragma once

#include "support/SkinOnDisk.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QJsonObject>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

#include <vector>

namespace velmora::test {

// Points HOME, XDG_DATA_HOME and VELMORA_RESOURCES_DIR at fresh temporary
// folders for one test and puts them back afterwards: the user's skins in
// userSkins(), an empty resource folder whose skins are bundleSkins().
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
        return test::writeSkin(folder, id, json);
    }

    QString writeSkin(const QString& folder, const QString& id, const QJsonObject& json)
    {
        return test::writeSkin(folder, id, json);
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
