#pragma once

#include "core/SettingsData.h"
#include "core/SkinEffectsSettings.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

namespace velmora {

// The single owner of "settings.json". It loads the file when created, keeps
// the settings in memory and writes the whole file again after every change.
// Callers change data() in place and call save() at once.
//
// Changes are announced by the store's signals; a skin's display name tells
// which skin a palette or effects change concerns, and an empty name concerns
// every skin. The store's own setters announce their changes; parts that
// change data() themselves save and then announce through announce…Change().
class SettingsStore final : public QObject {
    Q_OBJECT

public:
    // Colour components in sRGB, 0 to 1.
    struct SrgbColor {
        double red = 0;
        double green = 0;
        double blue = 0;
    };

    // The process-wide store on AppPaths::settingsFile(), created on first use.
    static SettingsStore& shared();

    // A store on the given file: creates its folder, loads it and migrates
    // values written by earlier releases.
    explicit SettingsStore(const QString& settingsPath, QObject* parent = nullptr);

    QString settingsPath() const { return m_settingsPath; }
    SettingsData& data() { return m_data; }
    const SettingsData& data() const { return m_data; }

    // Writes all of data() through "<file>.tmp", which then replaces the file
    // (a symbolic link's target, the link kept). A failure is logged; the file
    // keeps its previous contents. Nothing is written, with a log line, while
    // a file that could not be read is kept as it was (see load()).
    void save();

    QString fontName() const { return m_data.fontName; }
    // Does nothing for the current name; otherwise stores, saves and emits
    // fontChanged().
    void setFontName(const QString& name);

    // The skin's stored effects, or the defaults.
    SkinEffectsSettings effects(const QString& skinName) const;

    // Stores the colour as "#RRGGBB" (components truncated), or removes the
    // skin's override when there is none; then saves and emits
    // paletteChanged() with the skin's name. A colour with a component that is
    // not a finite number is refused with a log line and changes nothing.
    void setCursorOverride(std::optional<SrgbColor> color, const QString& skinName);

    // Removes every palette override whose palette id is not in the set, saves
    // once when any went, and returns how many went.
    int prunePaletteOverrides(const QSet<QString>& validPaletteIds);

    // Back to the defaults, saved, then settingsReset(), fontChanged(),
    // paletteChanged() and effectsChanged(), the last two for every skin.
    void resetAll();

    // Announce a change made to data() and saved by someone else.
    void announceFontChange() { emit fontChanged(); }
    void announcePaletteChange(const QString& skinName = QString()) { emit paletteChanged(skinName); }
    void announceEffectsChange(const QString& skinName = QString()) { emit effectsChanged(skinName); }

    // The user's login shell: the account's shell, else $SHELL, else
    // "/bin/sh"; each candidate must be a non-empty executable path.
    static QString detectLoginShell();
    static QString chooseLoginShell(const QString& accountShell, const QString& environmentShell);

signals:
    // The font's name or size changed.
    void fontChanged();
    // The palette override or cursor colour of the named skin changed; an
    // empty name concerns every skin.
    void paletteChanged(const QString& skinName);
    // The screen effects of the named skin changed; an empty name concerns
    // every skin.
    void effectsChanged(const QString& skinName);
    // Every setting went back to its default; the other signals follow.
    void settingsReset();

private:
    // Reads the file; defaults when it is missing or unusable. A file that
    // is not JSON is backed up first. One that is not a regular file, is
    // over maxFileBytes, or could not be backed up or moved aside is left as
    // it is, and no save of this store replaces it.
    SettingsData load();
    static constexpr qint64 maxFileBytes = 16 << 20;
    bool m_keepFileAsIs = false;
    void migrateEarlierValues();

    QString m_settingsPath;
    SettingsData m_data;
};

} // namespace velmora
