#pragma once

#include "settings/AboutViewModel.h"
#include "skin/SkinManifest.h"

#include <QColor>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;

namespace velmora {

class SettingsViewModel;

class BusyIndicator;

// The settings window's About tab: the brand header with the version, the
// release notes under "What's New", the version check under "Check for
// Updates" with a Download button when a newer release exists, and the
// feedback form. Each time the tab is shown it checks the web service again;
// hiding it cancels the check. Its accent is the foreground colour of the
// skin of the device window the user is looking at.
class AboutSettingsTab final : public QWidget {
    Q_OBJECT

public:
    // The skin of the active device window, else of the first one; none when
    // no device window is open.
    using SkinNameSource = std::function<std::optional<QString>()>;
    using UrlOpener = std::function<void(const QUrl&)>;

    static inline const QColor fallbackAccent = QColor(0xDE, 0x52, 0x00);
    static inline const QString tagline = QStringLiteral("A native skinnable terminal for Linux.");

    AboutSettingsTab(SettingsViewModel& settings, const QColor& phosphor, QWidget* parent = nullptr);

    AboutViewModel& model() { return *m_vm; }

    // Where the tab learns the device windows' skin; without a source, or
    // when it gives none, the default skin of the settings is used.
    void setSkinNameSource(SkinNameSource source);
    // Opens web pages; the desktop's browser by default.
    void setUrlOpener(UrlOpener opener);

    // The foreground colour of the first skin with that exact name, among the
    // loaded skins or, when none are loaded, the two built-in ones; the
    // fallback accent when no skin has the name.
    static QColor accentFor(const QString& skinName, const std::vector<SkinManifest>& loadedSkins);

    // The accent for the skin the user is looking at (above).
    QColor accent() const;
    bool isUpdateAvailable() const;
    bool isSendDisabled() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* buildHeader();
    QWidget* buildWhatsNew();
    QWidget* buildUpdates();
    QWidget* buildFeedback();
    struct Colors {
        QColor text, secondary, accent, accentText, phosphorText, red, link;
        friend bool operator==(const Colors&, const Colors&) = default;
    };
    Colors colors() const;
    void applyColors(const Colors& colors);
    void refresh();
    void updateSendButton();
    void rebuildNotes();
    void open(const QUrl& url);

    AboutViewModel* m_vm;
    QColor m_phosphor;
    SettingsViewModel& m_settings;
    SkinNameSource m_skinNameSource;
    UrlOpener m_openUrl;

    QLabel* m_logo = nullptr;
    bool m_showsBrandMark = false;
    QLabel* m_versionBadge = nullptr;
    QWidget* m_checking = nullptr;
    QWidget* m_notesList = nullptr;
    QVBoxLayout* m_notesLayout = nullptr;
    QStringList m_shownNotes;
    QLabel* m_offlineCaption = nullptr;
    QLabel* m_noNotes = nullptr;
    QLabel* m_statusIcon = nullptr;
    QLabel* m_statusText = nullptr;
    QPushButton* m_download = nullptr;
    QPushButton* m_visit = nullptr;
    QLineEdit* m_subject = nullptr;
    QLineEdit* m_email = nullptr;
    QPlainTextEdit* m_message = nullptr;
    QPushButton* m_send = nullptr;
    QLabel* m_feedbackIcon = nullptr;
    QLabel* m_feedbackText = nullptr;
    std::optional<Colors> m_appliedColors;
    QTimer m_sendingSpinner;
    int m_sendingStep = 0;
};

} // namespace velmora
