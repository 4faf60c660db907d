#pragma once

#include "skin/SkinManifest.h"
#include "skinpicker/ZipExtractor.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace velmora {

class SkinLoader;

// What stands behind the "Choose a Skin" window: the skins it shows, the
// installs of what the user drops or chooses (a skin folder, a ".zip" of one,
// or a picture, which goes to the skin builder instead), the removal of a
// user skin, and a one-line status that clears itself.
//
// It writes only into the user skins folder and into private folders of its
// own under the temporary folder, and never edits a skin's files: a skin is
// installed by copying a whole folder and removed by deleting a whole folder.
// Every outcome is reported through statusMessage(); nothing is thrown.
// Main thread only; the questions it asks run modally.
class SkinPickerModel final : public QObject {
    Q_OBJECT

public:
    static inline const QStringList imageExtensions
        = {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("heic")};
    static constexpr std::chrono::milliseconds statusClearDelay{3000};

    // A yes-or-no question: the message, the explanation, and the title of
    // the button that goes ahead ("Cancel" is the other).
    struct Question {
        QString message;
        QString informativeText;
        QString acceptButton;
    };
    using Ask = std::function<bool(const Question&)>;
    using OpenImage = std::function<void(const QString& picturePath)>;

    // The first "skin.json" and the first picture below an unpacked archive.
    struct SkinFiles {
        std::optional<QString> json;
        std::optional<QString> image;
    };

    explicit SkinPickerModel(SkinLoader& skins, QObject* parent = nullptr);
    ~SkinPickerModel() override;

    // The skins shown as cards, in the loader's order; the built-in pair when
    // the loader has none. Never empty.
    const std::vector<SkinManifest>& skins() const { return m_skins; }
    std::optional<QString> statusMessage() const { return m_statusMessage; }

    // Rescans every skin folder and refreshes skins(); posts nothing.
    void reload();

    // Sorts one dropped or chosen item: a folder is installed, a ".zip"
    // unpacked and installed, a picture handed to openImage as it is.
    void importItem(const QString& path, const OpenImage& openImage);

    // Installs the folder as a user skin under its own name, after asking
    // before an existing skin of that name is replaced. A folder holding a
    // tree deeper than an archive may be is refused unread and uncopied.
    void installSkinFolder(const QString& folder);

    // Asks, then removes the skin's user folder and has everyone reload.
    // Skins without a user folder are left alone, without a word.
    void deleteSkin(const SkinManifest& skin);

    // How questions are asked; askInMessageBox() without a parent by default.
    void setAsk(Ask ask) { m_ask = std::move(ask); }
    // A modal warning box with the accept button first, then "Cancel".
    static bool askInMessageBox(const Question& question, QWidget* parent = nullptr);
    // Where import folders go; the system's temporary folder by default.
    void setTemporaryFolder(const QString& folder) { m_temporaryFolder = folder; }
    void setStatusClearDelay(std::chrono::milliseconds delay) { m_statusClearDelay = delay; }
    // The bounds of an archive; their depth bounds a dropped folder too.
    void setZipLimits(const ZipLimits& limits) { m_zipLimits = limits; }

    // The folder name an archive's skin is installed under: the name in
    // lower case, spaces made "-", then only letters, numbers, "-" and "_"
    // kept; "skin" when nothing is left.
    static QString folderId(const QString& name);

    // The "name" of a skin file as stored, when it is text that is not blank.
    static std::optional<QString> skinName(const QString& skinJsonPath);

    // Walks the folder depth first, names in order, passing over "._" files
    // and anything below "__MACOSX"; the first of each kind wins. None when
    // neither was found.
    static std::optional<SkinFiles> findSkinFiles(const QString& folder);

signals:
    void skinsChanged();
    void statusMessageChanged();

private:
    void handleReload();
    void takeSkinsFromLoader();
    void installSkinZip(const QString& archive, const OpenImage& openImage);
    void installFromUnpackedArchive(const QString& archive, const QString& importFolder, const QString& extractFolder,
                                    const OpenImage& openImage);
    bool ask(const Question& question);
    void setStatus(const QString& message);
    QString temporaryFolder() const;

    SkinLoader& m_loader;
    std::vector<SkinManifest> m_skins;
    std::optional<QString> m_statusMessage;
    Ask m_ask;
    QString m_temporaryFolder;
    std::chrono::milliseconds m_statusClearDelay = statusClearDelay;
    ZipLimits m_zipLimits;
};

} // namespace velmora
