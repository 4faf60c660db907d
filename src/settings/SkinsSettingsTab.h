#pragma once

#include "skin/SkinManifest.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <vector>

class QGridLayout;
class QPushButton;
class QScrollArea;

namespace velmora {

class SettingsViewModel;
class SkinGalleryCard;

// The settings window's Skins tab: every loaded skin as a card in a grid of
// as many columns as fit, and the actions on them: use a skin in the active
// device window, make it the default, delete a user skin; reload the list,
// open the skins folder, browse the community's skins. The grid is built anew
// whenever the view model's skins tick or default skin changes.
class SkinsSettingsTab final : public QWidget {
    Q_OBJECT

public:
    static constexpr int minimumColumnWidth = 230;
    static constexpr int maximumColumnWidth = 320;
    static constexpr int spacing = 16;
    static inline const QString caption = QStringLiteral(
        "Drop a skin folder in the Skins Folder to install. Built-in skins ship with the app and can't be deleted.");

    // The places the tab reaches outside itself; each has a default but
    // useSkin.
    struct Actions {
        std::function<void(const SkinManifest&)> useSkin; // "Use Now"; nothing happens without it
        std::function<bool(const SkinManifest&)> confirmDelete; // a warning alert by default
        std::function<void(const QUrl&)> openUrl; // the desktop's handler by default
    };

    explicit SkinsSettingsTab(SettingsViewModel& model, QWidget* parent = nullptr);

    void setActions(Actions actions);

    // The loaded skins, or the two built-in ones while none are loaded.
    std::vector<SkinManifest> skinsToShow() const;
    // How many columns of 230 to 320 points, 16 apart, fit in the width;
    // at least one.
    static int columnCount(int width);

    void makeDefault(const SkinManifest& skin);
    void deleteSkin(const SkinManifest& skin);
    void reload();
    void openSkinsFolder();
    void browseCommunitySkins();

    QList<SkinGalleryCard*> cards() const { return m_cards; }
    QPushButton* reloadButton() const { return m_reload; }
    QPushButton* openFolderButton() const { return m_openFolder; }
    QPushButton* browseButton() const { return m_browse; }
    int columns() const { return m_columns; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void rebuildIfNeeded();
    void rebuild();
    void arrange();

    SettingsViewModel& m_model;
    Actions m_actions;
    int m_builtTick = -1;
    QString m_builtDefault;

    QPushButton* m_browse = nullptr;
    QPushButton* m_reload = nullptr;
    QPushButton* m_openFolder = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_grid = nullptr;
    QGridLayout* m_gridLayout = nullptr;
    QList<SkinGalleryCard*> m_cards;
    int m_columns = 0;
};

} // namespace velmora
