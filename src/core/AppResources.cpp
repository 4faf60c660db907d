#include "core/AppResources.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace velmora::AppResources {
namespace {

QString executableDir()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return QDir::currentPath();
    return QString::fromStdString(executable.parent_path().string());
}

} // namespace

QString resourceDir()
{
    const QString overridden = qEnvironmentVariable("VELMORA_RESOURCES_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(QDir(overridden).absolutePath());
    return QDir::cleanPath(executableDir() + QStringLiteral("/../share/velmora"));
}

bool hasResourceDir() { return QFileInfo(resourceDir()).isDir(); }

QString skinsDir() { return filePath(QStringLiteral("Skins")); }
QString fontsDir() { return filePath(QStringLiteral("Fonts")); }

QString filePath(const QString& relativePath) { return resourceDir() + QLatin1Char('/') + relativePath; }

} // namespace velmora::AppResources
