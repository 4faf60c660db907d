#pragma once

#include "skin/SkinManifest.h"

#include <QFileDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <deque>
#include <functional>
#include <optional>

class QGridLayout;
class QLabel;
class QMimeData;
class QPushButton;
class QScrollArea;

namespace velmora {

class SkinLoader;

class SkinCard;
class SkinPickerModel;

// The "Import Skin" open dialog: it takes a file (a ".zip" or a picture) or
// a folder. Selecting a folder and pressing Open chooses it; double-clicking
// a folder goes into it.
class SkinImportDialog final : public QFileDialog {
    Q_OBJECT

public:
    static inline const QString title = QStringLiteral("Import Skin");
    static inline const QString message = QStringLiteral("Choose a skin folder, a .zip, or an image.");

    explicit SkinImportDialog(QWidget* parent = nullptr);

    // The item chosen by the last accept, if any.
    std::optional<QString> chosen() const { return m_chosen; }

    // Runs the dialog modally; the chosen item, none when cancelled.
    static std::optional<QString> choose(QWidget* parent);

public slots:
    void accept() override;

private:
    std::optional<QString> m_chosen;
};

// The content of the "Choose a Skin" window: a header with the title and the
// "Import…", "Reload" and "Open Folder" buttons, the skins as cards in three
// columns, and a footer with the model's status or a hint. Folders, ".zip"
// archives and pictures dropped anywhere on it are imported one after
// another in the order they were dropped.
class SkinPickerView final : public QWidget {
    Q_OBJECT

public:
    static inline const QString hint
        = QStringLiteral("Drop a skin folder, .zip, or an image here · hover a skin to edit or delete");
    static constexpr int columns = 3;

    // What the header's buttons reach outside the window; tests replace them.
    struct Desktop {
        std::function<std::optional<QString>(QWidget* parent)> chooseItem = &SkinImportDialog::choose;
        std::function<void(const QString& folder)> openFolder;
    };

    SkinPickerView(SkinLoader& skins, std::optional<QString> currentSkinId, QWidget* parent = nullptr);
    ~SkinPickerView() override;

    SkinPickerModel& model() const { return *m_model; }
    const std::optional<QString>& currentSkinId() const { return m_currentSkinId; }
    QList<SkinCard*> cards() const { return m_cards; }
    bool isTargeted() const { return m_targeted; }
    QString footerText() const;
    QPushButton* importButton() const { return m_import; }
    QPushButton* reloadButton() const { return m_reload; }
    QPushButton* openFolderButton() const { return m_openFolder; }
    void setDesktop(Desktop desktop) { m_desktop = std::move(desktop); }

    // The "Import…" button: the open dialog, then the import of the item.
    void importViaPanel();
    // The "Open Folder" button: the user skins folder, created when missing.
    void openSkinsFolder();

    // The local files a drop carries, in order; links to other places and
    // picture data without a file give nothing.
    static QStringList droppedFiles(const QMimeData* data);
    // Whether a drag carries anything the window takes.
    static bool acceptsDrag(const QMimeData* data);

signals:
    // A card was picked.
    void skinPicked(const velmora::SkinManifest& skin);
    // A user skin's card asked to edit the skin in its folder.
    void editRequested(const QString& folder);
    // An imported picture (alone or inside a ".zip") is to start a new skin.
    void imageImportRequested(const QString& picture);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildHeader();
    void rebuildCards();
    void refreshFooter();
    void setTargeted(bool targeted);
    void importPending();

    std::optional<QString> m_currentSkinId;
    Desktop m_desktop;
    SkinPickerModel* m_model;
    QPushButton* m_import = nullptr;
    QPushButton* m_reload = nullptr;
    QPushButton* m_openFolder = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_grid = nullptr;
    QGridLayout* m_gridLayout = nullptr;
    QList<SkinCard*> m_cards;
    QLabel* m_footer = nullptr;
    QWidget* m_dropHighlight = nullptr;
    bool m_targeted = false;
    std::deque<QString> m_pendingImports;
    bool m_importing = false;
};

} // namespace velmora
