#include "skinpicker/SkinPickerModel.h"

#include "core/AppPaths.h"
#include "core/HorizontalSpace.h"
#include "core/LogText.h"
#include "skin/FolderInstall.h"
#include "skin/SkinFolders.h"
#include "skin/SkinLoader.h"
#include "skin/SkinManifestFile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUuid>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

const QString skinJsonName = QStringLiteral("skin.json");

QString freshUuid() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); }

QString lastError() { return QString::fromLocal8Bit(std::strerror(errno)); }

// A folder only this user can enter; fails when anything is already there.
bool makePrivateFolder(const QString& path, QString* error)
{
    if (::mkdir(QFile::encodeName(path).constData(), 0700) == 0)
        return true;
    *error = lastError();
    return false;
}

// Copies a regular file to a path where nothing may exist yet.
bool copyToNewFile(const QString& from, const QString& to, mode_t mode, QString* error)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        *error = source.errorString();
        return false;
    }
    const int fd
        = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
        *error = lastError();
        return false;
    }
    QFile target;
    if (!target.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *error = target.errorString();
        return false;
    }
    bool ok = true;
    while (ok && !source.atEnd()) {
        const QByteArray chunk = source.read(256 * 1024);
        ok = !chunk.isEmpty() && target.write(chunk) == chunk.size();
    }
    if (!ok) {
        *error = source.error() != QFileDevice::NoError ? source.errorString() : target.errorString();
        target.close();
        QFile::remove(to);
    }
    return ok;
}

bool hasImageExtension(const QString& path)
{
    return SkinPickerModel::imageExtensions.contains(QFileInfo(path).suffix().toLower());
}

// Pre-order walk, entries of each folder sorted by name; links are not
// followed.
void walk(const QString& root, const QString& folder, SkinPickerModel::SkinFiles& found)
{
    for (const QFileInfo& entry : SkinFolders::entries(folder)) {
        const QString relative = QDir(root).relativeFilePath(entry.absoluteFilePath());
        const bool skipped
            = entry.fileName().startsWith(QStringLiteral("._")) || relative.contains(QStringLiteral("__MACOSX"));
        if (!skipped && entry.isFile() && !entry.isSymLink()) {
            if (entry.fileName().toLower() == skinJsonName) {
                if (!found.json)
                    found.json = entry.absoluteFilePath();
            } else if (hasImageExtension(entry.fileName()) && !found.image) {
                found.image = entry.absoluteFilePath();
            }
        }
        if (entry.isDir() && !entry.isSymLink())
            walk(root, entry.absoluteFilePath(), found);
    }
}

} // namespace

bool SkinPickerModel::askInMessageBox(const Question& question, QWidget* parent)
{
    QMessageBox box(QMessageBox::Warning, QString(), question.message, QMessageBox::NoButton, parent);
    box.setInformativeText(question.informativeText);
    QPushButton* accept = box.addButton(question.acceptButton, QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(accept);
    box.exec();
    return box.clickedButton() == accept;
}

SkinPickerModel::SkinPickerModel(SkinLoader& skins, QObject* parent)
    : QObject(parent), m_loader(skins), m_ask([](const Question& question) { return askInMessageBox(question); })
{
    takeSkinsFromLoader();
    connect(&m_loader, &SkinLoader::skinsReloaded, this, &SkinPickerModel::handleReload);
}

SkinPickerModel::~SkinPickerModel() = default;

void SkinPickerModel::takeSkinsFromLoader() { m_skins = SkinManifest::orBuiltInPair(m_loader.skins()); }

void SkinPickerModel::handleReload()
{
    takeSkinsFromLoader();
    emit skinsChanged();
}

void SkinPickerModel::reload()
{
    m_loader.loadAll();
    handleReload();
}

void SkinPickerModel::importItem(const QString& path, const OpenImage& openImage)
{
    const QFileInfo item(path);
    if (!item.exists()) {
        setStatus(QStringLiteral("Couldn't read that item"));
        return;
    }
    if (item.isDir()) {
        installSkinFolder(path);
        return;
    }
    const QString extension = item.suffix().toLower();
    if (extension == QStringLiteral("zip")) {
        installSkinZip(path, openImage);
    } else if (imageExtensions.contains(extension)) {
        if (openImage)
            openImage(path);
    } else {
        setStatus(QStringLiteral("Drop a skin folder, .zip, or an image"));
    }
}

void SkinPickerModel::installSkinFolder(const QString& folder)
{
    const QFileInfo dropped(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    // The skin loader passes over links, so a folder that is a symbolic link
    // is installed as a real copy of the folder it leads to, under its own name.
    const QString source = dropped.isSymLink() ? dropped.canonicalFilePath() : dropped.absoluteFilePath();
    if (source.isEmpty() || !QFileInfo(source).isDir()) {
        setStatus(QStringLiteral("Couldn't read that item"));
        return;
    }
    if (!QFileInfo::exists(QDir(source).filePath(skinJsonName))) {
        setStatus(QStringLiteral("Not a skin folder — missing skin.json"));
        return;
    }
    // Held to the depth an archive may have, before anything is copied.
    if (FolderInstall::holdsFolderDeeperThan(source, m_zipLimits.maxDepth)) {
        setStatus(QStringLiteral("Install failed: %1").arg(m_zipLimits.tooDeepReason()));
        return;
    }
    const QString skinsDir = AppPaths::skinsDir();
    QDir().mkpath(skinsDir);
    const QString name = dropped.fileName();
    const QString destination = QDir(skinsDir).filePath(name);

    // A folder taken from the skins folder and dropped back stays as it is;
    // a link there is no installed skin and gets replaced by a copy.
    if (!QFileInfo(destination).isSymLink() && FolderInstall::isSameFolder(source, destination)) {
        reload();
        setStatus(QStringLiteral("%1 is already installed").arg(name));
        return;
    }
    if (FolderInstall::isInside(destination, source)) {
        setStatus(QStringLiteral("Install failed: %1 holds the skins folder").arg(name));
        return;
    }

    const QFileInfo existing(destination);
    if (existing.exists() || existing.isSymLink()) {
        const bool replace
            = ask({QStringLiteral("Replace “%1”?").arg(name),
                   QStringLiteral("A skin folder with this name already exists. Installing replaces it."),
                   QStringLiteral("Replace")});
        if (!replace) {
            setStatus(QStringLiteral("Install cancelled"));
            return;
        }
    }
    QString error;
    if (!FolderInstall::installCopy(source, destination, &error)) {
        setStatus(QStringLiteral("Install failed: %1").arg(error));
        return;
    }
    reload();
    setStatus(QStringLiteral("Installed %1").arg(name));
}

void SkinPickerModel::installSkinZip(const QString& archive, const OpenImage& openImage)
{
    const QString importFolder = QDir(temporaryFolder()).filePath(QStringLiteral("velmora-import-") + freshUuid());
    QString error;
    if (!makePrivateFolder(importFolder, &error)) {
        setStatus(QStringLiteral("Import failed: %1").arg(error));
        return;
    }
    const QString extractFolder = QDir(importFolder).filePath(QStringLiteral("extract"));
    if (makePrivateFolder(extractFolder, &error))
        installFromUnpackedArchive(archive, importFolder, extractFolder, openImage);
    else
        setStatus(QStringLiteral("Import failed: %1").arg(error));
    if (!FolderInstall::removeTree(importFolder, &error))
        qWarning().noquote() << QStringLiteral("[Velmora] Couldn't remove %1: %2").arg(importFolder, error);
}

void SkinPickerModel::installFromUnpackedArchive(const QString& archive, const QString& importFolder,
                                                 const QString& extractFolder, const OpenImage& openImage)
{
    const ZipExtractor::Result unpacked = ZipExtractor::extract(archive, extractFolder, m_zipLimits);
    if (!unpacked.ok) {
        qWarning().noquote() << QStringLiteral("[Velmora] Couldn't unzip %1: %2")
                                    .arg(LogText::escaped(archive), LogText::escaped(unpacked.error));
        setStatus(unpacked.unreadable ? QStringLiteral("Couldn't unzip: %1").arg(unpacked.error)
                                      : QStringLiteral("Couldn't unzip that file"));
        return;
    }

    const std::optional<SkinFiles> found = findSkinFiles(extractFolder);
    if (!found || (found->json && !found->image)) {
        setStatus(QStringLiteral("Zip needs a skin.json and an image"));
        return;
    }

    QString error;
    if (!found->json) {
        const QString copy
            = QDir(temporaryFolder())
                  .filePath(QStringLiteral("velmora-image-%1.%2").arg(freshUuid(), QFileInfo(*found->image).suffix()));
        if (!copyToNewFile(*found->image, copy, 0600, &error)) {
            setStatus(QStringLiteral("Import failed: %1").arg(error));
            return;
        }
        if (openImage)
            openImage(copy);
        return;
    }

    const QString name = skinName(*found->json).value_or(QFileInfo(archive).completeBaseName());
    const QString stage = QDir(importFolder).filePath(QStringLiteral("stage/") + folderId(name));
    const bool staged = QDir().mkpath(stage)
        && copyToNewFile(*found->json, QDir(stage).filePath(skinJsonName), 0644, &error)
        && copyToNewFile(*found->image, QDir(stage).filePath(QFileInfo(*found->image).fileName()), 0644, &error);
    if (!staged) {
        setStatus(QStringLiteral("Import failed: %1")
                      .arg(error.isEmpty() ? QStringLiteral("couldn't create %1").arg(stage) : error));
        return;
    }
    installSkinFolder(stage);
}

void SkinPickerModel::deleteSkin(const SkinManifest& skin)
{
    const std::optional<QString> folder = skin.userFolderURL();
    if (!folder)
        return;
    const bool confirmed
        = ask({QStringLiteral("Delete “%1”?").arg(skin.name),
               QStringLiteral("This permanently removes the skin folder from disk. This can't be undone."),
               QStringLiteral("Delete")});
    if (!confirmed)
        return;
    QString error;
    if (!FolderInstall::removeFolder(*folder, &error)) {
        setStatus(QStringLiteral("Delete failed: %1").arg(error));
        return;
    }
    // The reload replaces the manifest the caller handed in.
    const QString name = skin.name;
    m_loader.reloadAndBroadcast();
    setStatus(QStringLiteral("Deleted %1").arg(name));
}

QString SkinPickerModel::folderId(const QString& name)
{
    const QString lowered = name.toLower().replace(u' ', u'-');
    QString id;
    bool keptBase = false;
    for (const char32_t codePoint : lowered.toUcs4()) {
        const auto category = QChar::category(codePoint);
        const bool mark = category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
            || category == QChar::Mark_Enclosing;
        // A combining mark belongs to the letter before it, kept or dropped
        // with it.
        const bool keep
            = mark ? keptBase : (QChar::isLetterOrNumber(codePoint) || codePoint == U'-' || codePoint == U'_');
        if (!mark)
            keptBase = keep;
        if (keep)
            id.append(QString::fromUcs4(&codePoint, 1));
    }
    return id.isEmpty() ? QStringLiteral("skin") : id;
}

std::optional<QString> SkinPickerModel::skinName(const QString& skinJsonPath)
{
    const std::optional<QByteArray> bytes = SkinFolders::readManifest(skinJsonPath);
    const std::optional<QString> name = bytes ? SkinManifestFile::decodeName(*bytes) : std::nullopt;
    if (!name || trimHorizontalSpace(*name).isEmpty())
        return std::nullopt;
    return name;
}

std::optional<SkinPickerModel::SkinFiles> SkinPickerModel::findSkinFiles(const QString& folder)
{
    if (!QFileInfo(folder).isDir())
        return std::nullopt;
    SkinFiles found;
    walk(folder, folder, found);
    if (!found.json && !found.image)
        return std::nullopt;
    return found;
}

bool SkinPickerModel::ask(const Question& question) { return m_ask && m_ask(question); }

void SkinPickerModel::setStatus(const QString& message)
{
    m_statusMessage = message;
    emit statusMessageChanged();
    // Each message clears itself unless a different one replaced it; earlier
    // timers are left running and compare only the text.
    QTimer::singleShot(m_statusClearDelay, this, [this, message] {
        if (m_statusMessage == message) {
            m_statusMessage.reset();
            emit statusMessageChanged();
        }
    });
}

QString SkinPickerModel::temporaryFolder() const
{
    return m_temporaryFolder.isEmpty() ? QDir::tempPath() : m_temporaryFolder;
}

} // namespace velmora
