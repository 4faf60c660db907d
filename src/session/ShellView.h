#pragma once

#include "corvel/base/Color.h"
#include "corvel/qt/LocalProcessTerminalView.h"
#include "corvel/qt/LocalProcessTerminalViewDelegate.h"
#include "session/GitStatus.h"
#include "skin/SkinManifest.h"

#include <QFont>
#include <QMargins>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>
#include <string>

namespace velmora {

class SettingsStore;

// One shell session: a widget holding one terminal view that runs the user's
// login shell on a pseudo-terminal. It gives the terminal view the device's
// palette and the settings' font, follows font changes made anywhere in the
// application, records the directory the shell reports (OSC 7), looks up the
// git branch and dirty state of that directory, and writes an exit banner
// into the terminal when the shell ends. The session keeps its tab and its
// screen after the shell has ended.
//
// The session never takes the keyboard focus itself: its terminal view does.
// GUI thread only.
class ShellView final : public QWidget, public corvel::LocalProcessTerminalViewDelegate {
    Q_OBJECT

public:
    static constexpr double minimumFontSize = 6;
    static constexpr double maximumFontSize = 24;
    // Room between the screen's edge and the text, in the palette's
    // background: left, top, right (beside the scroller) and bottom.
    static constexpr QMargins defaultContentPadding{5, 4, 2, 2};

    // Font name and size from the settings; the directory is the user's
    // home until the shell reports another.
    explicit ShellView(SettingsStore& settings, QWidget* parent = nullptr);
    ~ShellView() override;

    // The engine view; none until startSession().
    corvel::LocalProcessTerminalView* terminal() const { return m_terminal; }
    double fontSize() const { return m_fontSize; }
    QString fontName() const { return m_fontName; }
    QString currentDirectory() const { return m_currentDirectory; }
    QString gitBranch() const { return m_gitBranch; }
    bool gitDirty() const { return m_gitDirty; }

    // Creates the terminal view, colours and fonts it, and starts the shell
    // as a login shell ("-" + its file name). shell: as given when given
    // (even empty), else the settings' default shell when set, else the
    // account's login shell. Without a palette the text is light grey on
    // near black. cwd: used when it names an existing directory, else home.
    // Called once per session.
    void startSession(const std::optional<QString>& shell, const std::optional<SkinManifest::TerminalPalette>& palette,
                      const std::optional<QString>& cwd);

    // Steps the font size, kept within 6…24. A size that changes is stored
    // in the settings, saved and announced, so every session follows; at a
    // limit nothing is saved or announced.
    void changeFontSize(double delta);
    // Takes the settings' font name and size and re-fonts the terminal view.
    void applyFontFromSettings();

    // The room around the terminal view inside the session; the panel keeps
    // a band free for its tab strip this way.
    QMargins contentPadding() const { return m_contentPadding; }
    void setContentPadding(const QMargins& padding);

    // Re-reads git's answer for the current directory: from the shared cache
    // when it is younger than 5 seconds, else by running git on a worker. At
    // most one query of a session runs at a time; calls meanwhile end in one
    // more query, for the directory current when the running one ends.
    void refreshGitStatus();

    // The font of that family at size (pixels), else "JetBrains Mono" for the
    // default "JetBrainsMono NF", else the system's fixed font at that size.
    static QFont resolveFont(const QString& name, double size);
    // cwd when it is given, not empty and an existing directory; else home.
    static QString resolveStartDirectory(const std::optional<QString>& cwd);
    // sRGB components × 65535, truncated and kept within 0…65535.
    static corvel::Color toCorvelColor(const QColor& color);
    // The directory of an OSC 7 report: the path of a file URL (percent
    // escapes decoded) whose host is empty, "localhost" or this machine's
    // name; a report that is no file URL is taken as a path with "file://"
    // removed. Nothing for a file URL of another host or an empty path.
    static std::optional<QString> directoryFromReport(const std::string& report, const QString& localHostName);
    static QString localHostName();

    // Re-colours the terminal view: foreground, background, caret (cursor
    // colour, else the foreground), caret text (the background), and the 16
    // base colours when the palette carries them; otherwise the base colours
    // stay as they are.
    void applyPalette(const SkinManifest::TerminalPalette& palette);

    // ---- LocalProcessTerminalViewDelegate -----------------------------------
    void sizeChanged(corvel::LocalProcessTerminalView& source, int newCols, int newRows) override;
    void setTerminalTitle(corvel::LocalProcessTerminalView& source, const std::string& title) override;
    void hostCurrentDirectoryUpdate(corvel::LocalProcessTerminalView& source,
                                    const std::optional<std::string>& directory) override;
    void processTerminated(corvel::LocalProcessTerminalView& source, std::optional<int32_t> exitCode) override;

signals:
    // The directory or the git state changed.
    void shellStateDidChange(velmora::ShellView* session);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void refontTerminal();
    void showExitBanner(int exitCode);
    void setGitStatus(const QString& branch, bool dirty);
    void gitQueryEnded(const QString& directory, const GitStatus& status);

    QPointer<corvel::LocalProcessTerminalView> m_terminal;
    SettingsStore& m_settings;
    double m_fontSize = 0;
    QString m_fontName;
    QString m_currentDirectory;
    QString m_gitBranch;
    bool m_gitDirty = false;
    bool m_gitQueryRunning = false;
    bool m_gitQueryWanted = false;
    QMargins m_contentPadding = defaultContentPadding;
};

} // namespace velmora
