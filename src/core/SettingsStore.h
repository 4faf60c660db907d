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
// Settings changes travel as named notifications, delivered through the
// notify() signal: the name is one of the static names below, the object is a
// skin's display name or empty. Other parts post the same names with post()
// after their own changes.
class SettingsStore final : public QObject {
    Q_OBJECT

public:
    static inline const QString fontDidChange = QStringLiteral("VosselFontDidChange");
    static inline const QString paletteDidChange = QStringLiteral("VosselPaletteDidChange");
    static inline const QString effectsDidChange = QStringLiteral("VosselEffectsDidChange");
    static inline const QString didReset = QStringLiteral("VosselSettingsDidReset");

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
    // Does nothing for the current name; otherwise stores, saves and posts
    // fontDidChange.
    void setFontName(const QString& name);

    // The skin's stored effects, or the defaults.
    SkinEffectsSettings effects(const QString& skinName) const;

    // Stores the colour as "#RRGGBB" (components truncated), or removes the
    // skin's override when there is none; then saves and posts
    // paletteDidChange with the skin's name. A colour with a component that is
    // not a finite number is refused with a log line and changes nothing.
    void setCursorOverride(std::optional<SrgbColor> color, const QString& skinName);

    // Removes every palette override whose palette id is not in the set, saves
    // once when any went, and returns how many went.
    int prunePaletteOverrides(const QSet<QString>& validPaletteIds);

    // Back to the defaults, saved, then didReset, fontDidChange,
    // paletteDidChange and effectsDidChange, each with no object.
    void resetAll();

    void post(const QString& name, const QString& object = QString());

    // The user's login shell: the account's shell, else $SHELL, else
    // "/bin/sh"; each candidate must be a non-empty executable path.
    static QString detectLoginShell();
    static QString chooseLoginShell(const QString& accountShell, const QString& environmentShell);

signals:
    void notify(const QString& name, const QString& object);

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
