#include "skin/FolderInstall.h"

#include "core/LogText.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace velmora::FolderInstall {
namespace {

fs::path toPath(const QString& path) { return fs::path(QFile::encodeName(path).toStdString()); }

QString describe(const std::error_code& code) { return QString::fromLocal8Bit(code.message()); }

bool fail(QString* error, const std::error_code& code)
{
    if (error)
        *error = describe(code);
    return false;
}

fs::path resolved(const QString& path)
{
    std::error_code ignored;
    fs::path result = fs::weakly_canonical(toPath(path), ignored);
    return ignored ? toPath(QDir::cleanPath(QDir(path).absolutePath())) : result;
}

bool isPresent(const fs::path& path)
{
    std::error_code ignored;
    return fs::symlink_status(path, ignored).type() != fs::file_type::not_found && !ignored;
}

void removeIfEmpty(const fs::path& folder)
{
    std::error_code ignored;
    if (fs::is_empty(folder, ignored) && !ignored)
        fs::remove(folder, ignored);
}

QString freshName() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); }

// A folder already moved out of sight into the work folder: what cannot be
// removed stays there, hidden from the skin list, and is logged.
void removeLeftover(const fs::path& folder)
{
    std::error_code code;
    fs::remove_all(folder, code);
    if (code)
        qWarning().noquote() << QStringLiteral("[Velmora] Couldn't remove %1: %2")
                                    .arg(LogText::escaped(QFile::decodeName(folder.c_str())), describe(code));
}

} // namespace

QString workFolder(const QString& skinsDir) { return QDir(skinsDir).filePath(QStringLiteral(".velmora-install")); }

bool isSameFolder(const QString& a, const QString& b)
{
    std::error_code code;
    const bool same = fs::equivalent(toPath(a), toPath(b), code);
    return same && !code;
}

bool isInside(const QString& path, const QString& folder)
{
    const fs::path inner = resolved(path);
    const fs::path outer = resolved(folder);
    auto innerPart = inner.begin();
    for (auto outerPart = outer.begin(); outerPart != outer.end(); ++outerPart, ++innerPart) {
        if (outerPart->empty())
            continue; // a trailing separator
        if (innerPart == inner.end() || *innerPart != *outerPart)
            return false;
    }
    return innerPart != inner.end() && !innerPart->empty();
}

bool holdsFolderDeeperThan(const QString& root, qsizetype maxDepth)
{
    std::error_code code;
    fs::recursive_directory_iterator walk(toPath(root), fs::directory_options::skip_permission_denied, code);
    for (; !code && walk != fs::recursive_directory_iterator(); walk.increment(code)) {
        std::error_code ignored;
        if (walk->is_symlink(ignored) || !walk->is_directory(ignored))
            continue;
        // depth() counts the folders between root and this one.
        if (walk.depth() + 1 > maxDepth)
            return true;
    }
    return false;
}

bool copyTree(const QString& source, const QString& destination, QString* error)
{
    std::error_code code;
    fs::copy(toPath(source), toPath(destination), fs::copy_options::recursive | fs::copy_options::copy_symlinks, code);
    if (!code)
        return true;
    std::error_code ignored;
    fs::remove_all(toPath(destination), ignored);
    return fail(error, code);
}

bool installCopy(const QString& source, const QString& destination, QString* error)
{
    const fs::path work = toPath(workFolder(QFileInfo(destination).absolutePath()));
    std::error_code code;
    fs::create_directories(work, code);
    if (code)
        return fail(error, code);

    const QString name = freshName();
    const fs::path staged = work / toPath(name);
    if (!copyTree(source, QFile::decodeName(staged.c_str()), error)) {
        removeIfEmpty(work);
        return false;
    }
    // Every way out leaves the work folder as it found it.
    const auto abandon = [&](const std::error_code& reason) {
        std::error_code ignored;
        fs::remove_all(staged, ignored);
        removeIfEmpty(work);
        return fail(error, reason);
    };

    const fs::path target = toPath(destination);
    if (isPresent(target)) {
        const fs::path previous = work / toPath(name + QStringLiteral("-replaced"));
        fs::rename(target, previous, code);
        if (code)
            return abandon(code);
        fs::rename(staged, target, code);
        if (code) {
            std::error_code ignored;
            fs::rename(previous, target, ignored);
            return abandon(code);
        }
        removeLeftover(previous);
    } else {
        fs::rename(staged, target, code);
        if (code)
            return abandon(code);
    }
    removeIfEmpty(work);
    return true;
}

bool removeTree(const QString& path, QString* error)
{
    std::error_code code;
    fs::remove_all(toPath(path), code);
    return code ? fail(error, code) : true;
}

bool removeFolder(const QString& path, QString* error)
{
    const QString work = workFolder(QFileInfo(path).absolutePath());
    std::error_code code;
    fs::create_directories(toPath(work), code);
    if (code)
        return fail(error, code);
    const fs::path removed = toPath(QDir(work).filePath(freshName() + QStringLiteral("-removed")));
    fs::rename(toPath(path), removed, code);
    if (code) {
        removeIfEmpty(toPath(work));
        return fail(error, code);
    }
    removeLeftover(removed);
    removeIfEmpty(toPath(work));
    return true;
}

} // namespace velmora::FolderInstall
