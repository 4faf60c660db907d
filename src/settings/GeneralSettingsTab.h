#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velmora {

class PaletteBrowserView;
class SettingsViewModel;

// The settings window's General tab: the terminal font and size, the shell
// new sessions start, the palette section of the active skin, the skin that
// opens by default, whether windows come back at the next launch, and two
// housekeeping buttons. Its controls show the view model; each change is
// written to the settings store, and saved, only when it differs from what the
// store holds, so values that reach the model from the store write nothing.
class GeneralSettingsTab final : public QWidget {
    Q_OBJECT

public:
    using Confirmer = std::function<bool()>;
    using FileRevealer = std::function<void(const QString& file)>;

    // Families tried by name first; the menu itself is sorted.
    static inline const QStringList preferredFonts = {QStringLiteral("JetBrainsMono NF"),
                                                      QStringLiteral("JetBrains Mono"),
                                                      QStringLiteral("Menlo"),
                                                      QStringLiteral("Monaco"),
                                                      QStringLiteral("SF Mono"),
                                                      QStringLiteral("Courier New"),
                                                      QStringLiteral("Fira Code"),
                                                      QStringLiteral("IBM Plex Mono"),
                                                      QStringLiteral("Source Code Pro"),
                                                      QStringLiteral("Inconsolata"),
                                                      QStringLiteral("Roboto Mono"),
                                                      QStringLiteral("Hack"),
                                                      QStringLiteral("Victor Mono"),
                                                      QStringLiteral("Cascadia Code")};
    // The shells offered when they are executable, in menu order.
    static inline const QStringList candidateShells = {QStringLiteral("/bin/zsh"),
                                                       QStringLiteral("/bin/bash"),
                                                       QStringLiteral("/bin/sh"),
                                                       QStringLiteral("/bin/dash"),
                                                       QStringLiteral("/bin/ksh"),
                                                       QStringLiteral("/bin/tcsh"),
                                                       QStringLiteral("/usr/bin/fish"),
                                                       QStringLiteral("/usr/local/bin/fish"),
                                                       QStringLiteral("/usr/bin/nu"),
                                                       QStringLiteral("/usr/bin/xonsh")};
    static constexpr double minimumFontSize = 6;
    static constexpr double maximumFontSize = 24;

    explicit GeneralSettingsTab(SettingsViewModel& model, QWidget* parent = nullptr);
    ~GeneralSettingsTab() override;

    // Asks before "Reset All Settings…" resets; a warning alert by default.
    void setResetConfirmer(Confirmer confirmer) { m_confirmReset = std::move(confirmer); }
    // Shows "settings.json" in the file manager; its folder by default.
    void setFileRevealer(FileRevealer revealer) { m_revealFile = std::move(revealer); }

    // The font menu: the preferred families that are installed, every
    // installed fixed-pitch family, and the current name even when it is not
    // installed; sorted by character code. Families are compared without the
    // " [Foundry]" the font database adds to tell duplicates apart.
    static QStringList monospacedFonts(const QString& currentName, const QStringList& installedFamilies,
                                       const std::function<bool(const QString&)>& isFixedPitch);
    // The same for the fonts installed now.
    static QStringList monospacedFonts(const QString& currentName);
    // "Courier [Adobe]" → "Courier".
    static QString withoutFoundry(const QString& family);
    // The candidates that are executable files, in order.
    static QStringList detectedShells(const QStringList& candidates = candidateShells);
    // The shell menu: the detected shells, then the current one when it is
    // not among them and not empty.
    static QStringList shellMenuItems(const QStringList& detected, const QString& current);
    // "9pt" for 9 and for 9.5.
    static QString fontSizeText(double size);
    // Whether a shell path names an executable file by an absolute path.
    static bool isExecutableFile(const QString& path);
    // The line shown under the shell row when a path is refused.
    static QString refusedShellText(const QString& path);

    // What the controls do, callable on their own.
    void chooseFont(const QString& name);
    void chooseFontSize(double size);
    // A menu choice, or the field's text when its editing ends (Return or
    // leaving it). What differs from the effective and the stored shell is
    // stored, unless it is neither empty (the login shell) nor an executable
    // file: that is refused with a line under the row and never stored.
    // False when refused.
    bool chooseShell(const QString& shell);
    bool commitShellField();
    void chooseDefaultSkin(const QString& name);
    void chooseRestoreWindows(bool restore);
    void resetAllSettings();
    void revealSettingsFile();

    QComboBox* fontMenu() const { return m_fontMenu; }
    QDoubleSpinBox* fontSizeStepper() const { return m_fontSize; }
    QComboBox* shellMenu() const { return m_shellMenu; }
    QLineEdit* shellField() const { return m_shellField; }
    QLabel* shellStatus() const { return m_shellStatus; }
    QComboBox* defaultSkinMenu() const { return m_defaultSkinMenu; }
    QCheckBox* restoreWindowsBox() const { return m_restoreWindows; }
    PaletteBrowserView* paletteBrowser() const { return m_palette; }
    QPushButton* resetButton() const { return m_reset; }
    QPushButton* revealButton() const { return m_reveal; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();

    SettingsViewModel& m_model;
    Confirmer m_confirmReset;
    FileRevealer m_revealFile;
    bool m_refreshing = false;

    QComboBox* m_fontMenu = nullptr;
    QDoubleSpinBox* m_fontSize = nullptr;
    QComboBox* m_shellMenu = nullptr;
    QLineEdit* m_shellField = nullptr;
    QLabel* m_shellStatus = nullptr;
    PaletteBrowserView* m_palette = nullptr;
    QComboBox* m_defaultSkinMenu = nullptr;
    QCheckBox* m_restoreWindows = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_reveal = nullptr;
};

} // namespace velmora
