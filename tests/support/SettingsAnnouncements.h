#pragma once

#include "core/SettingsStore.h"

#include <QObject>
#include <QString>

#include <cstddef>
#include <ostream>
#include <vector>

namespace velmora::test {

// One signal of a settings store: its name and the skin it names (empty for
// every skin, and for the signals that name none).
struct Announcement {
    QString signal;
    QString skin;

    bool operator==(const Announcement&) const = default;
};

inline void PrintTo(const Announcement& announcement, std::ostream* out)
{
    *out << announcement.signal.toStdString() << "(\"" << announcement.skin.toStdString() << "\")";
}

// Every signal a settings store emits while this lives, in the order emitted.
class SettingsAnnouncements {
public:
    explicit SettingsAnnouncements(SettingsStore& store)
    {
        QObject::connect(&store, &SettingsStore::settingsReset, &m_context, [this] { add("settingsReset"); });
        QObject::connect(&store, &SettingsStore::fontChanged, &m_context, [this] { add("fontChanged"); });
        QObject::connect(&store, &SettingsStore::paletteChanged, &m_context, [this](const QString& skin) {
            add("paletteChanged", skin);
        });
        QObject::connect(&store, &SettingsStore::effectsChanged, &m_context, [this](const QString& skin) {
            add("effectsChanged", skin);
        });
    }
    SettingsAnnouncements(const SettingsAnnouncements&) = delete;
    SettingsAnnouncements& operator=(const SettingsAnnouncements&) = delete;

    const std::vector<Announcement>& list() const { return m_list; }
    int count() const { return static_cast<int>(m_list.size()); }
    const Announcement& at(int index) const { return m_list.at(static_cast<std::size_t>(index)); }
    void clear() { m_list.clear(); }

private:
    void add(const char* signal, const QString& skin = QString())
    {
        m_list.push_back({QString::fromLatin1(signal), skin});
    }

    std::vector<Announcement> m_list;
    QObject m_context; // after the list: disconnects before the list goes
};

} // namespace velmora::test
