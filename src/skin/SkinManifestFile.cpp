#include "skin/SkinManifestFile.h"

#include "core/AppPaths.h"
#include "skin/HexColor.h"
#include "skin/JsonFieldReader.h"
#include "skin/SkinFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace velmora {

namespace {

using Schema = SkinManifestFile::Schema;

void setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
}

// Halves away from zero.
double rounded(double value) { return std::round(value); }

// The frames a device window can show whole and visible on a screen: each
// side within these bounds, the longer side at most this many times the
// shorter.
constexpr double minimumFrameSide = 1;
constexpr double maximumFrameSide = 20000;
constexpr double maximumFrameAspect = 20;

// Why a run-time skin's frame cannot be shown, or nothing when it can.
std::optional<QString> frameSizeProblem(double width, double height)
{
    if (!(width > 0) || !(height > 0))
        return QStringLiteral("the frame's width and height must be positive");
    const double shorter = std::min(width, height);
    const double longer = std::max(width, height);
    if (shorter >= minimumFrameSide && longer <= maximumFrameSide && longer <= shorter * maximumFrameAspect)
        return std::nullopt;
    return QStringLiteral("the frame's size %1 × %2 cannot be shown: each side must lie between %3 and %4, and the "
                          "longer be at most %5 times the shorter")
        .arg(width)
        .arg(height)
        .arg(minimumFrameSide)
        .arg(maximumFrameSide)
        .arg(maximumFrameAspect);
}

// --- Reading ---------------------------------------------------------------

template <typename Record, typename Read>
std::optional<std::vector<Record>> readList(const std::optional<std::vector<JsonFieldReader>>& readers, Read read)
{
    if (!readers)
        return std::nullopt;
    std::vector<Record> records;
    records.reserve(readers->size());
    for (const JsonFieldReader& reader : *readers)
        records.push_back(read(reader));
    return records;
}

SkinManifestFile::Point readPoint(const JsonFieldReader& in, Schema schema)
{
    SkinManifestFile::Point point{in.number("x"), in.number("y"), std::nullopt, std::nullopt};
    if (schema == Schema::builder) {
        point.hi = in.optionalNumbers("hi");
        point.ho = in.optionalNumbers("ho");
    }
    return point;
}

SkinManifestFile::Rect readRect(const JsonFieldReader& in, Schema schema)
{
    SkinManifestFile::Rect rect;
    rect.x = in.number("x");
    rect.y = in.number("y");
    rect.width = in.number("width");
    rect.height = in.number("height");
    rect.cornerRadius = schema == Schema::builder ? in.number("cornerRadius") : in.optionalNumber("cornerRadius");
    rect.corners = readList<SkinManifestFile::Point>(
        in.optionalObjects("corners"), [schema](const JsonFieldReader& point) { return readPoint(point, schema); });
    rect.cornerRadii = in.optionalNumbers("cornerRadii");
    return rect;
}

SkinManifestFile::Palette readPalette(const JsonFieldReader& in, Schema schema)
{
    SkinManifestFile::Palette palette;
    if (schema == Schema::runTime) {
        palette.foreground = in.string("foreground");
        palette.background = in.string("background");
    } else {
        palette.foreground = in.optionalString("foreground");
        palette.background = in.optionalString("background");
    }
    palette.cursor = in.optionalString("cursor");
    palette.ansi = in.optionalStrings("ansi");
    return palette;
}

SkinManifestFile::Button readButton(const JsonFieldReader& in, Schema schema)
{
    SkinManifestFile::Button button;
    button.label = in.string("label");
    button.x = in.number("x");
    button.y = in.number("y");
    button.width = in.number("width");
    button.height = in.number("height");
    if (schema == Schema::builder) {
        button.shape = in.optionalString("shape");
        button.defaultPanel = in.optionalString("defaultPanel");
    }
    button.key = in.optionalString("key");
    return button;
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

SkinManifestFile::Effects readEffects(const JsonFieldReader& in, Schema schema)
{
    SkinManifestFile::Effects effects;
    effects.scanlines = in.optionalBool("scanlines");
    effects.scanlineIntensity = in.optionalNumber("scanlineIntensity");
    effects.glow = in.optionalBool("glow");
    effects.glowIntensity = in.optionalNumber("glowIntensity");
    effects.curvature = in.optionalBool("curvature");
    effects.curvatureAmount = in.optionalNumber("curvatureAmount");
    if (schema == Schema::builder)
        effects.scanlineStyle = in.optionalString("scanlineStyle");
    else
        effects.colorGrade = in.optionalString("colorGrade");
    return effects;
}

SkinManifestFile::Drawer readDrawer(const JsonFieldReader& in)
{
    constexpr Schema schema = Schema::builder;
    SkinManifestFile::Drawer drawer;
    drawer.edge = in.string("edge");
    drawer.mask = readList<SkinManifestFile::Point>(
        in.optionalObjects("mask"), [](const JsonFieldReader& point) { return readPoint(point, schema); });
    if (auto viewport = in.optionalObject("viewport"))
        drawer.viewport = readRect(*viewport, schema);
    if (auto chevron = in.optionalObject("chevron"))
        drawer.chevron = readRect(*chevron, schema);
    drawer.defaultWidget = in.optionalString("defaultWidget");
    return drawer;
}

SkinManifestFile readFile(const JsonFieldReader& in, Schema schema)
{
    SkinManifestFile file;
    file.name = in.string("name");
    file.author = in.optionalString("author");
    file.version = in.optionalString("version");
    if (schema == Schema::runTime)
        file.category = in.optionalString("category");
    const JsonFieldReader frame = in.object("frame");
    file.frame = {frame.string("image"), frame.number("width"), frame.number("height")};
    file.viewport = readRect(in.object("viewport"), schema);
    file.palette = readPalette(in.object("palette"), schema);
    for (const JsonFieldReader& button : in.objects("buttons"))
        file.buttons.push_back(readButton(button, schema));
    file.keys = readList<SkinManifestFile::Key>(in.optionalObjects("keys"), readKey);
    if (auto effects = in.optionalObject("effects"))
        file.effects = readEffects(*effects, schema);
    if (schema == Schema::builder) {
        if (auto drawer = in.optionalObject("drawer"))
            file.drawer = readDrawer(*drawer);
    }
    file.launchScale = in.optionalNumber("launchScale");
    file.screenInFront = in.optionalBool("screenInFront");
    return file;
}

bool isSameOrInside(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

// --- Writing ---------------------------------------------------------------

QJsonArray toArray(const std::vector<double>& numbers)
{
    QJsonArray array;
    for (double n : numbers)
        array.append(n);
    return array;
}

template <typename Record> QJsonArray toArray(const std::vector<Record>& records)
{
    QJsonArray array;
    for (const Record& record : records)
        array.append(record.toJson());
    return array;
}

template <typename Value> void insertIfPresent(QJsonObject& object, const char* key, const std::optional<Value>& value)
{
    if (!value)
        return;
    if constexpr (std::is_same_v<Value, QStringList>)
        object.insert(QLatin1String(key), QJsonArray::fromStringList(*value));
    else if constexpr (std::is_same_v<Value, std::vector<double>>)
        object.insert(QLatin1String(key), toArray(*value));
    else if constexpr (std::is_class_v<Value> && !std::is_same_v<Value, QString>)
        object.insert(QLatin1String(key), toArray(*value));
    else
        object.insert(QLatin1String(key), *value);
}

template <typename Record>
void insertRecordIfPresent(QJsonObject& object, const char* key, const std::optional<Record>& record)
{
    if (record)
        object.insert(QLatin1String(key), record->toJson());
}

} // namespace

// --- Reading ---------------------------------------------------------------

std::optional<SkinManifestFile> SkinManifestFile::decode(const QByteArray& bytes, QString* error, Schema schema)
{
    try {
        SkinManifestFile file = readFile(JsonFieldReader(JsonFieldReader::parseObject(bytes), QString()), schema);
        if (schema == Schema::runTime) {
            if (const std::optional<QString> problem = frameSizeProblem(file.frame.width, file.frame.height)) {
                setError(error, *problem);
                return std::nullopt;
            }
        }
        return file;
    } catch (const JsonDecodeError& decodeError) {
        setError(error, decodeError.message());
        return std::nullopt;
    }
}

std::optional<QString> SkinManifestFile::decodeName(const QByteArray& bytes)
{
    try {
        return JsonFieldReader(JsonFieldReader::parseObject(bytes), QString()).string("name");
    } catch (const JsonDecodeError&) {
        return std::nullopt;
    }
}

std::optional<QString> SkinManifestFile::findByName(const QString& skinsFolder, const QString& skinName)
{
    for (const QFileInfo& entry : SkinFolders::entries(skinsFolder)) {
        const QString path = SkinFolders::manifestPath(entry.absoluteFilePath());
        const auto bytes = SkinFolders::readManifest(path);
        if (bytes && decodeName(*bytes) == skinName)
            return path;
    }
    return std::nullopt;
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
    return decodeInFolder(*bytes, skinDirectory, error);
}

std::optional<SkinManifestFile> SkinManifestFile::decodeInFolder(const QByteArray& bytes, const QString& skinDirectory,
                                                                 QString* error)
{
    auto manifest = decode(bytes, error);
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
        for (const Key& key : *keys) {
            if (skin.keys.size() == SkinManifest::maxKeys)
                break;
            skin.keys.push_back({QRectF(key.x, key.y, key.width, key.height), key.key.toLower(), key.shape});
        }
    }

    skin.palette.foreground = HexColor::toColorOrMagenta(palette.foreground.value_or(QString()));
    skin.palette.background = HexColor::toColorOrMagenta(palette.background.value_or(QString()));
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

// --- The builder's values --------------------------------------------------

SkinManifestFile::Frame SkinManifestFile::Frame::forPicture(const QSizeF& pixelSize)
{
    return {builderPicture, rounded(pixelSize.width() * 0.5), rounded(pixelSize.height() * 0.5)};
}

SkinManifestFile::Point SkinManifestFile::Point::fromNode(const QPointF& point, const QPointF& handleIn,
                                                          const QPointF& handleOut, double k)
{
    Point exported{point.x() * k, point.y() * k, std::nullopt, std::nullopt};
    if (handleIn != point || handleOut != point) {
        exported.hi = std::vector<double>{handleIn.x() * k, handleIn.y() * k};
        exported.ho = std::vector<double>{handleOut.x() * k, handleOut.y() * k};
    }
    return exported;
}

std::optional<std::vector<SkinManifestFile::Point>>
SkinManifestFile::Rect::exportCornerOffsets(const std::vector<QPointF>& offsets, double k)
{
    const bool anyMoved
        = std::any_of(offsets.begin(), offsets.end(), [](const QPointF& p) { return p.x() != 0 || p.y() != 0; });
    if (offsets.size() != 4 || !anyMoved)
        return std::nullopt;
    std::vector<Point> points;
    for (const QPointF& offset : offsets)
        points.push_back({offset.x() * k, offset.y() * k, std::nullopt, std::nullopt});
    return points;
}

std::optional<std::vector<double>> SkinManifestFile::Rect::exportCornerRadii(const std::vector<double>& radii, double k)
{
    if (radii.size() != 4 || std::all_of(radii.begin(), radii.end(), [&](double r) { return r == radii.front(); }))
        return std::nullopt;
    std::vector<double> scaled;
    for (double radius : radii)
        scaled.push_back(radius * k);
    return scaled;
}

SkinManifestFile::Rect SkinManifestFile::Rect::rectangleFromEditor(const QRectF& rect, double k)
{
    return {rounded(rect.x() * k),
            rounded(rect.y() * k),
            rounded(std::abs(rect.width()) * k),
            rounded(std::abs(rect.height()) * k),
            0.0,
            std::nullopt,
            std::nullopt};
}

SkinManifestFile::Rect SkinManifestFile::Rect::fromEditor(const QRectF& rect, double k,
                                                          const std::vector<QPointF>& cornerOffsets,
                                                          const std::vector<double>& cornerRadii)
{
    Rect viewport = rectangleFromEditor(rect, k);
    constexpr double radiusWithoutRadii = 6;
    viewport.cornerRadius = cornerRadii.empty() ? radiusWithoutRadii : cornerRadii.front() * k;
    viewport.corners = exportCornerOffsets(cornerOffsets, k);
    viewport.cornerRadii = exportCornerRadii(cornerRadii, k);
    return viewport;
}

SkinManifestFile::Button SkinManifestFile::Button::fromEditor(std::size_t index, const QString& label,
                                                              const QRectF& rect, double k, bool circle,
                                                              const QString& panel, const QString& key)
{
    const Rect r = Rect::rectangleFromEditor(rect, k);
    Button button{label, r.x, r.y, r.width, r.height, std::nullopt, std::nullopt, std::nullopt};
    if (circle)
        button.shape = QStringLiteral("circle");
    if (index == 0)
        button.defaultPanel = terminalPanel;
    else if (panel != placeholderPanel)
        button.defaultPanel = panel;
    if (!key.isEmpty())
        button.key = key.toLower();
    return button;
}

std::optional<SkinManifestFile::Effects> SkinManifestFile::Effects::fromEditor(bool scanlines, double scanlineIntensity,
                                                                               const QString& scanlineStyle, bool glow,
                                                                               double glowIntensity, bool curvature,
                                                                               double curvatureAmount)
{
    if (!scanlines && !glow && !curvature)
        return std::nullopt;
    Effects effects;
    if (scanlines) {
        effects.scanlines = true;
        effects.scanlineIntensity = scanlineIntensity;
        if (scanlineStyle != QStringLiteral("standard"))
            effects.scanlineStyle = scanlineStyle;
    }
    if (glow) {
        effects.glow = true;
        effects.glowIntensity = glowIntensity;
    }
    if (curvature) {
        effects.curvature = true;
        effects.curvatureAmount = curvatureAmount;
    }
    return effects;
}

// --- Writing ---------------------------------------------------------------

QJsonObject SkinManifestFile::Frame::toJson() const
{
    return {{QStringLiteral("image"), image}, {QStringLiteral("width"), width}, {QStringLiteral("height"), height}};
}

QJsonObject SkinManifestFile::Point::toJson() const
{
    QJsonObject object{{QStringLiteral("x"), x}, {QStringLiteral("y"), y}};
    insertIfPresent(object, "hi", hi);
    insertIfPresent(object, "ho", ho);
    return object;
}

QJsonObject SkinManifestFile::Rect::toJson() const
{
    QJsonObject object{{QStringLiteral("x"), x},
                       {QStringLiteral("y"), y},
                       {QStringLiteral("width"), width},
                       {QStringLiteral("height"), height}};
    insertIfPresent(object, "cornerRadius", cornerRadius);
    insertIfPresent(object, "corners", corners);
    insertIfPresent(object, "cornerRadii", cornerRadii);
    return object;
}

QJsonObject SkinManifestFile::Palette::toJson() const
{
    QJsonObject object;
    insertIfPresent(object, "foreground", foreground);
    insertIfPresent(object, "background", background);
    insertIfPresent(object, "cursor", cursor);
    insertIfPresent(object, "ansi", ansi);
    return object;
}

QJsonObject SkinManifestFile::Button::toJson() const
{
    QJsonObject object{{QStringLiteral("label"), label},
                       {QStringLiteral("x"), x},
                       {QStringLiteral("y"), y},
                       {QStringLiteral("width"), width},
                       {QStringLiteral("height"), height}};
    insertIfPresent(object, "shape", shape);
    insertIfPresent(object, "defaultPanel", defaultPanel);
    insertIfPresent(object, "key", key);
    return object;
}

QJsonObject SkinManifestFile::Key::toJson() const
{
    QJsonObject object{{QStringLiteral("key"), key},
                       {QStringLiteral("x"), x},
                       {QStringLiteral("y"), y},
                       {QStringLiteral("width"), width},
                       {QStringLiteral("height"), height}};
    insertIfPresent(object, "shape", shape);
    return object;
}

QJsonObject SkinManifestFile::Effects::toJson() const
{
    QJsonObject object;
    insertIfPresent(object, "scanlines", scanlines);
    insertIfPresent(object, "scanlineIntensity", scanlineIntensity);
    insertIfPresent(object, "scanlineStyle", scanlineStyle);
    insertIfPresent(object, "glow", glow);
    insertIfPresent(object, "glowIntensity", glowIntensity);
    insertIfPresent(object, "curvature", curvature);
    insertIfPresent(object, "curvatureAmount", curvatureAmount);
    insertIfPresent(object, "colorGrade", colorGrade);
    return object;
}

QJsonObject SkinManifestFile::Drawer::toJson() const
{
    QJsonObject object{{QStringLiteral("edge"), edge}};
    insertIfPresent(object, "mask", mask);
    insertRecordIfPresent(object, "viewport", viewport);
    insertRecordIfPresent(object, "chevron", chevron);
    insertIfPresent(object, "defaultWidget", defaultWidget);
    return object;
}

QJsonObject SkinManifestFile::toJson() const
{
    QJsonObject object{{QStringLiteral("name"), name},
                       {QStringLiteral("frame"), frame.toJson()},
                       {QStringLiteral("viewport"), viewport.toJson()},
                       {QStringLiteral("palette"), palette.toJson()},
                       {QStringLiteral("buttons"), toArray(buttons)}};
    insertIfPresent(object, "author", author);
    insertIfPresent(object, "version", version);
    insertIfPresent(object, "category", category);
    insertIfPresent(object, "keys", keys);
    insertRecordIfPresent(object, "effects", effects);
    insertRecordIfPresent(object, "drawer", drawer);
    insertIfPresent(object, "launchScale", launchScale);
    insertIfPresent(object, "screenInFront", screenInFront);
    return object;
}

QByteArray SkinManifestFile::encode(const QJsonObject& object)
{
    // QJsonObject keeps its members sorted by key.
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

bool SkinManifestFile::write(const QString& skinFolder, const QJsonObject& object, QString* error,
                             const FilesFirst& filesFirst)
{
    FilesFirst files = filesFirst;
    files.emplace_back(SkinFolders::manifestPath(skinFolder), encode(object));
    return SkinFolders::writeFilesInOrder(files, error);
}

QString SkinManifestFile::saveOutcomeText(SaveOutcome outcome)
{
    switch (outcome) {
    case SaveOutcome::saved: return QStringLiteral("Saved \u2713");
    case SaveOutcome::builtIn: return QStringLiteral("Can't save a built-in skin");
    case SaveOutcome::unreadable: return QStringLiteral("Couldn't read skin.json");
    case SaveOutcome::unencodable: return QStringLiteral("Couldn't encode skin.json");
    case SaveOutcome::writeFailed: return QStringLiteral("Write failed");
    }
    return {};
}

SkinManifestFile::SaveOutcome
SkinManifestFile::editAndWrite(const QString& skinName, const std::function<void(QJsonObject&)>& edit, QString* error)
{
    const auto path = findByName(AppPaths::skinsDir(), skinName);
    if (!path)
        return SaveOutcome::builtIn;
    const QString folder = QFileInfo(*path).path();
    const auto bytes = SkinFolders::readManifest(*path);
    // A file the skin loader refuses is no skin to save into.
    if (!bytes || !decodeInFolder(*bytes, folder))
        return SaveOutcome::unreadable;
    QJsonObject skinFile = JsonFieldReader::parseObject(*bytes);
    edit(skinFile);
    // Nor is a file written, and called saved, that the loader would refuse.
    const QByteArray written = encode(skinFile);
    if (written.isEmpty() || !decodeInFolder(written, folder))
        return SaveOutcome::unencodable;
    if (!write(folder, skinFile, error))
        return SaveOutcome::writeFailed;
    return SaveOutcome::saved;
}

} // namespace velmora
