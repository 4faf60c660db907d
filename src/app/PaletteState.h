#pragma once

#include "skin/SkinManifest.h"

#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>
#include <vector>

namespace velmora {

// One row of the command palette.
struct PaletteEntry {
    enum class Kind { changeSkin, switchSession, newSession, cycleSkin, openSkinPicker, openSettings };

    // What choosing the row does, with its payload.
    struct Action {
        Action() = default;
        Action(Kind kind, QString skinName = {}, int sessionIndex = 0)
            : kind(kind), skinName(std::move(skinName)), sessionIndex(sessionIndex)
        {
        }

        Kind kind = Kind::newSession;
        QString skinName; // changeSkin: the skin's display name
        int sessionIndex = 0; // switchSession: 0-based

        friend bool operator==(const Action&, const Action&) = default;
    };

    QUuid id; // new for every entry built
    QString title; // the only text searched
    QString subtitle; // kind of entry or its shortcut
    QString icon; // symbol name
    Action action;
};

// The command palette's model: the entries offered for the device window it
// opens over (the anchor), the typed query and the highlighted row, and the
// ranking of entries for the query. The entries are a snapshot taken by
// reload(). Main thread only.
class PaletteState final : public QObject {
    Q_OBJECT

public:
    explicit PaletteState(QObject* parent = nullptr);

    QString query() const { return m_query; }
    void setQuery(const QString& query);

    const std::vector<PaletteEntry>& allEntries() const { return m_allEntries; }

    // Index into results() of the highlighted row; -1 is possible when there
    // are no results.
    int selectedIndex() const { return m_selectedIndex; }
    void setSelectedIndex(int index);

    // Rebuilds the entries: one per skin (the two built-in skins when the list
    // is empty), one per session of the anchor when there is one
    // (anchorSessionCount), then New Session, Cycle Skin, Open Skin Picker and
    // Settings. Highlights the first row; leaves the query alone.
    void reload(const std::vector<SkinManifest>& skins, std::optional<int> anchorSessionCount);

    // The entries matching the query, best first; every entry in list order
    // when the query is empty once horizontal space is trimmed from its ends.
    std::vector<PaletteEntry> results() const;

    // How well a lower-cased query matches a lower-cased title: 1000 when the
    // title begins with it, 500 when it contains it, 300 minus the title's
    // length (at least 100) when its characters appear in order, else 0.
    // Characters are user-perceived characters.
    static int fuzzyScore(const QString& query, const QString& target);

signals:
    // After any field changed.
    void changed();

private:
    QString m_query;
    std::vector<PaletteEntry> m_allEntries;
    int m_selectedIndex = 0;
};

} // namespace velmora
