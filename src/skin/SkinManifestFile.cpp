#include "skin/SkinManifestFile.h"

#include "skin/HexColor.h"
#include "skin/JsonFieldReader.h"
#include "skin/SkinFolders.h"

#include <QDir>
#include <QFileInfo>

namespace velmora {

namespace {

SkinManifestFile::Point readPoint(const JsonFieldReader& in) { return {in.number("x"), in.number("y")}; }

SkinManifestFile::Rect readRect(const JsonFieldReader& in)
{
    SkinManifestFile::Rect rect;
    rect.x = in.number("x");
    rect.y = in.number("y");
    rect.width = in.number("width");
    rect.height = in.number("height");
    rect.cornerRadius = in.optionalNumber("cornerRadius");
    if (auto corners = in.optionalObjects("corners")) {
        rect.corners.emplace();
        for (const JsonFieldReader& corner : *corners)
            rect.corners->push_back(readPoint(corner));
    }
    rect.cornerRadii = in.optionalNumbers("cornerRadii");
    return rect;
}

SkinManifestFile::Palette readPalette(const JsonFieldReader& in)
{
    return {in.string("foreground"), in.string("background"), in.optionalString("cursor"), in.optionalStrings("ansi")};
}

SkinManifestFile::Button readButton(const JsonFieldReader& in)
{
    return {in.string("label"),
            in.number("x"),
            in.number("y"),
            in.number("width"),
            in.number("height"),
            in.optionalString("key")};
}

SkinManifestFile::Key readKey(const JsonFieldReader& in)
{
    return {in.string("key"),
            in.number("x"),
            in.number("y"),
            in.number("width"),
            in.number("height"),
            in.optionalString("shape")};
}

SkinManifestFile::Effects readEffects(const JsonFieldReader& in)
{
    return {in.optionalBool("scanlines"),
            in.optionalNumber("scanlineIntensity"),
            in.optionalBool("glow"),
            in.optionalNumber("glowIntensity"),
            in.optionalBool("curvature"),
            in.optionalNumber("curvatureAmount"),
            in.optionalString("colorGrade")};
}

SkinManifestFile readFile(const JsonFieldReader& in)
{
    SkinManifestFile file;
    file.name = in.string("name");
    file.author = in.optionalString("author");
    file.version = in.optionalString("version");
    file.category = in.optionalString("category");
    const JsonFieldReader frame = in.object("frame");
    file.frame = {frame.string("image"), frame.number("width"), frame.number("height")};
    file.viewport = readRect(in.object("viewport"));
    file.palette = readPalette(in.object("palette"));
    for (const JsonFieldReader& button : in.objects("buttons"))
        file.buttons.push_back(readButton(button));
    if (auto keys = in.optionalObjects("keys")) {
        file.keys.emplace();
        for (const JsonFieldReader& key : *keys)
            file.keys->push_back(readKey(key));
    }
    if (auto effects = in.optionalObject("effects"))
        file.effects = readEffects(*effects);
    file.launchScale = in.optionalNumber("launchScale");
    file.screenInFront = in.optionalBool("screenInFront");
    return file;
}

void setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
}

bool isSameOrInside(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

} // namespace

std::optional<SkinManifestFile> SkinManifestFile::decode(const QByteArray& bytes, QString* error)
{
    try {
        SkinManifestFile file = readFile(JsonFieldReader(JsonFieldReader::parseObject(bytes), QString()));
        if (!(file.frame.width > 0) || !(file.frame.height > 0)) {
            setError(error, QStringLiteral("the frame's width and height must be positive"));
            return std::nullopt;
        }
        return file;
    } catch (const JsonDecodeError& decodeError) {
        setError(error, decodeError.message());
        return std::nullopt;
    }
}

bool SkinManifestFile::pictureStaysInside(const QString& skinDirectory, const QString& image)
{
    const QString root = QFileInfo(skinDirectory).canonicalFilePath();
    if (root.isEmpty())
        return false;
    // Walk the path one component at a time so that a link is resolved
    // before a following ".." is applied, as the file system would.
    QString current = root;
    for (const QString& part : image.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u".")
            continue;
        if (part == u"..") {
            if (current == u"/")
                return false;
            current = QFileInfo(current).path();
            continue;
        }
        const QString candidate = current == u"/" ? u'/' + part : current + u'/' + part;
        const QFileInfo info(candidate);
        if (info.isSymLink() || info.exists()) {
            current = info.canonicalFilePath();
            if (current.isEmpty()) // a link to nothing: its target cannot be checked
                return false;
        } else {
            current = candidate;
        }
    }
    return isSameOrInside(current, root);
}

std::optional<SkinManifestFile> SkinManifestFile::readFromFolder(const QString& skinDirectory, QString* error)
{
    const auto bytes = SkinFolders::readManifest(SkinFolders::manifestPath(skinDirectory), error);
    if (!bytes)
        return std::nullopt;
    auto manifest = decode(*bytes, error);
    if (!manifest)
        return std::nullopt;
    if (!pictureStaysInside(skinDirectory, manifest->frame.image)) {
        setError(error,
                 QStringLiteral("the frame picture \"%1\" lies outside the skin folder").arg(manifest->frame.image));
        return std::nullopt;
    }
    return manifest;
}

SkinManifest SkinManifestFile::toSkinManifest(const QString& skinDirectory, bool isBundled) const
{
    SkinManifest skin;
    const QFileInfo folder(skinDirectory);
    skin.id = folder.fileName();
    skin.name = name;
    skin.frameSize = QSizeF(frame.width, frame.height);
    skin.viewportRect = QRectF(viewport.x, viewport.y, viewport.width, viewport.height);

    for (const Button& button : buttons) {
        if (skin.buttons.size() == SkinManifest::maxButtons)
            break;
        skin.buttons.push_back({QRectF(button.x, button.y, button.width, button.height), button.label, button.key});
    }
    if (keys) {
        for (const Key& key : *keys)
            skin.keys.push_back({QRectF(key.x, key.y, key.width, key.height), key.key.toLower(), key.shape});
    }

    skin.palette.foreground = HexColor::toColorOrMagenta(palette.foreground);
    skin.palette.background = HexColor::toColorOrMagenta(palette.background);
    if (palette.cursor)
        skin.palette.cursor = HexColor::toColorOrMagenta(*palette.cursor);
    if (palette.ansi && std::size_t(palette.ansi->size()) == SkinManifest::ansiColorCount) {
        skin.palette.ansi.emplace();
        for (std::size_t i = 0; i < SkinManifest::ansiColorCount; ++i)
            (*skin.palette.ansi)[i] = HexColor::toColorOrMagenta(palette.ansi->at(qsizetype(i)));
    }

    skin.frameImageName
        = isBundled ? skin.id + u'/' + frame.image : QDir::cleanPath(folder.absoluteFilePath() + u'/' + frame.image);
    skin.viewportCornerRadius = viewport.cornerRadius.value_or(4.0);
    skin.isBundled = isBundled;
    if (viewport.corners && viewport.corners->size() == 4) {
        for (const Point& corner : *viewport.corners)
            skin.viewportCornerOffsets.emplace_back(corner.x, corner.y);
    }
    if (viewport.cornerRadii && viewport.cornerRadii->size() == 4)
        skin.viewportCornerRadii = *viewport.cornerRadii;
    skin.launchScale = launchScale.value_or(1.0);
    skin.screenInFront = screenInFront.value_or(false);
    return skin;
}

} // namespace velmora
