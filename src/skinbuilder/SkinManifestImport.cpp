#include "skinbuilder/SkinManifestImport.h"

#include "skin/JsonFieldReader.h"
#include "skin/SkinFolders.h"

#include <QFileInfo>

namespace velmora {

namespace {

template <typename Record>
std::optional<std::vector<Record>> readRecords(const std::optional<std::vector<JsonFieldReader>>& readers)
{
    if (!readers)
        return std::nullopt;
    std::vector<Record> records;
    records.reserve(readers->size());
    for (const JsonFieldReader& reader : *readers)
        records.push_back(Record::fromJson(reader));
    return records;
}

SkinManifestImport readImport(const JsonFieldReader& in)
{
    SkinManifestImport file;
    file.name = in.string("name");
    file.author = in.optionalString("author");
    file.version = in.optionalString("version");
    file.frame = SkinManifestImport::Frame::fromJson(in.object("frame"));
    file.viewport = SkinManifestImport::Viewport::fromJson(in.object("viewport"));
    const JsonFieldReader palette = in.object("palette");
    file.palette = {palette.optionalString("foreground"),
                    palette.optionalString("background"),
                    palette.optionalString("cursor"),
                    palette.optionalStrings("ansi")};
    for (const JsonFieldReader& button : in.objects("buttons"))
        file.buttons.push_back(SkinManifestImport::Button::fromJson(button));
    file.keys = readRecords<SkinManifestImport::Key>(in.optionalObjects("keys"));
    if (auto effects = in.optionalObject("effects"))
        file.effects = SkinManifestImport::Effects::fromJson(*effects);
    if (auto drawer = in.optionalObject("drawer"))
        file.drawer = SkinManifestImport::Drawer::fromJson(*drawer);
    file.launchScale = in.optionalNumber("launchScale");
    file.screenInFront = in.optionalBool("screenInFront");
    return file;
}

} // namespace

std::optional<SkinManifestImport> SkinManifestImport::decode(const QByteArray& bytes, QString* error)
{
    try {
        return readImport(JsonFieldReader(JsonFieldReader::parseObject(bytes), QString()));
    } catch (const JsonDecodeError& decodeError) {
        if (error)
            *error = decodeError.message();
        return std::nullopt;
    }
}

std::optional<SkinManifestImport> SkinManifestImport::readFolder(const QString& skinFolder, QString* message)
{
    const QString path = SkinFolders::manifestPath(skinFolder);
    if (!QFileInfo::exists(path)) {
        if (message)
            *message = noSkinJSONMessage;
        return std::nullopt;
    }
    const auto bytes = SkinFolders::readManifest(path);
    auto file = bytes ? decode(*bytes) : std::nullopt;
    if (!file && message)
        *message = malformedMessage;
    return file;
}

} // namespace velmora
