#include "skinbuilder/SkinManifestExport.h"

#include "skin/JsonFieldReader.h"
#include "skin/SkinFolders.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

// Halves away from zero.
double rounded(double value) { return std::round(value); }

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

template <typename Record> std::optional<std::vector<Record>> readRecords(const JsonFieldReader& in, const char* key)
{
    auto readers = in.optionalObjects(key);
    if (!readers)
        return std::nullopt;
    std::vector<Record> records;
    records.reserve(readers->size());
    for (const JsonFieldReader& reader : *readers)
        records.push_back(Record::fromJson(reader));
    return records;
}

} // namespace

double SkinManifestExport::exportScale(double pixelWidth, double editorWidth)
{
    if (!(editorWidth > 0))
        return 1.0;
    return rounded(pixelWidth * 0.5) / editorWidth;
}

// Frame

SkinManifestExport::Frame SkinManifestExport::Frame::forPicture(const QSizeF& pixelSize)
{
    return {frameImage, rounded(pixelSize.width() * 0.5), rounded(pixelSize.height() * 0.5)};
}

QJsonObject SkinManifestExport::Frame::toJson() const
{
    return {{QStringLiteral("image"), image}, {QStringLiteral("width"), width}, {QStringLiteral("height"), height}};
}

SkinManifestExport::Frame SkinManifestExport::Frame::fromJson(const JsonFieldReader& in)
{
    return {in.string("image"), in.number("width"), in.number("height")};
}

// Point

SkinManifestExport::Point SkinManifestExport::Point::fromNode(const QPointF& point, const QPointF& handleIn,
                                                              const QPointF& handleOut, double k)
{
    Point exported{point.x() * k, point.y() * k, std::nullopt, std::nullopt};
    if (handleIn != point || handleOut != point) {
        exported.hi = std::vector<double>{handleIn.x() * k, handleIn.y() * k};
        exported.ho = std::vector<double>{handleOut.x() * k, handleOut.y() * k};
    }
    return exported;
}

QJsonObject SkinManifestExport::Point::toJson() const
{
    QJsonObject object{{QStringLiteral("x"), x}, {QStringLiteral("y"), y}};
    insertIfPresent(object, "hi", hi);
    insertIfPresent(object, "ho", ho);
    return object;
}

SkinManifestExport::Point SkinManifestExport::Point::fromJson(const JsonFieldReader& in)
{
    return {in.number("x"), in.number("y"), in.optionalNumbers("hi"), in.optionalNumbers("ho")};
}

// Viewport

std::optional<std::vector<SkinManifestExport::Point>>
SkinManifestExport::Viewport::exportCornerOffsets(const std::vector<QPointF>& offsets, double k)
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

std::optional<std::vector<double>> SkinManifestExport::Viewport::exportCornerRadii(const std::vector<double>& radii,
                                                                                   double k)
{
    if (radii.size() != 4 || std::all_of(radii.begin(), radii.end(), [&](double r) { return r == radii.front(); }))
        return std::nullopt;
    std::vector<double> scaled;
    for (double radius : radii)
        scaled.push_back(radius * k);
    return scaled;
}

SkinManifestExport::Viewport SkinManifestExport::Viewport::rectangleFromEditor(const QRectF& rect, double k)
{
    return {rounded(rect.x() * k),
            rounded(rect.y() * k),
            rounded(std::abs(rect.width()) * k),
            rounded(std::abs(rect.height()) * k),
            0.0,
            std::nullopt,
            std::nullopt};
}

SkinManifestExport::Viewport SkinManifestExport::Viewport::fromEditor(const QRectF& rect, double k,
                                                                      const std::vector<QPointF>& cornerOffsets,
                                                                      const std::vector<double>& cornerRadii)
{
    Viewport viewport = rectangleFromEditor(rect, k);
    constexpr double radiusWithoutRadii = 6;
    viewport.cornerRadius = cornerRadii.empty() ? radiusWithoutRadii : cornerRadii.front() * k;
    viewport.corners = exportCornerOffsets(cornerOffsets, k);
    viewport.cornerRadii = exportCornerRadii(cornerRadii, k);
    return viewport;
}

QJsonObject SkinManifestExport::Viewport::toJson() const
{
    QJsonObject object{{QStringLiteral("x"), x},
                       {QStringLiteral("y"), y},
                       {QStringLiteral("width"), width},
                       {QStringLiteral("height"), height},
                       {QStringLiteral("cornerRadius"), cornerRadius}};
    insertIfPresent(object, "corners", corners);
    insertIfPresent(object, "cornerRadii", cornerRadii);
    return object;
}

SkinManifestExport::Viewport SkinManifestExport::Viewport::fromJson(const JsonFieldReader& in)
{
    return {in.number("x"),
            in.number("y"),
            in.number("width"),
            in.number("height"),
            in.number("cornerRadius"),
            readRecords<Point>(in, "corners"),
            in.optionalNumbers("cornerRadii")};
}

// Palette

QJsonObject SkinManifestExport::Palette::toJson() const
{
    QJsonObject object{{QStringLiteral("foreground"), foreground}, {QStringLiteral("background"), background}};
    insertIfPresent(object, "cursor", cursor);
    insertIfPresent(object, "ansi", ansi);
    return object;
}

// Button

SkinManifestExport::Button SkinManifestExport::Button::fromEditor(std::size_t index, const QString& label,
                                                                  const QRectF& rect, double k, bool circle,
                                                                  const QString& panel, const QString& key)
{
    const Viewport r = Viewport::rectangleFromEditor(rect, k);
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

QJsonObject SkinManifestExport::Button::toJson() const
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

SkinManifestExport::Button SkinManifestExport::Button::fromJson(const JsonFieldReader& in)
{
    return {in.string("label"),
            in.number("x"),
            in.number("y"),
            in.number("width"),
            in.number("height"),
            in.optionalString("shape"),
            in.optionalString("defaultPanel"),
            in.optionalString("key")};
}

// Key

QJsonObject SkinManifestExport::Key::toJson() const
{
    QJsonObject object{{QStringLiteral("key"), key},
                       {QStringLiteral("x"), x},
                       {QStringLiteral("y"), y},
                       {QStringLiteral("width"), width},
                       {QStringLiteral("height"), height}};
    insertIfPresent(object, "shape", shape);
    return object;
}

SkinManifestExport::Key SkinManifestExport::Key::fromJson(const JsonFieldReader& in)
{
    return {in.string("key"),
            in.number("x"),
            in.number("y"),
            in.number("width"),
            in.number("height"),
            in.optionalString("shape")};
}

// Effects

std::optional<SkinManifestExport::Effects>
SkinManifestExport::Effects::fromEditor(bool scanlines, double scanlineIntensity, const QString& scanlineStyle,
                                        bool glow, double glowIntensity, bool curvature, double curvatureAmount)
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

QJsonObject SkinManifestExport::Effects::toJson() const
{
    QJsonObject object;
    insertIfPresent(object, "scanlines", scanlines);
    insertIfPresent(object, "scanlineIntensity", scanlineIntensity);
    insertIfPresent(object, "scanlineStyle", scanlineStyle);
    insertIfPresent(object, "glow", glow);
    insertIfPresent(object, "glowIntensity", glowIntensity);
    insertIfPresent(object, "curvature", curvature);
    insertIfPresent(object, "curvatureAmount", curvatureAmount);
    return object;
}

SkinManifestExport::Effects SkinManifestExport::Effects::fromJson(const JsonFieldReader& in)
{
    return {in.optionalBool("scanlines"),
            in.optionalNumber("scanlineIntensity"),
            in.optionalString("scanlineStyle"),
            in.optionalBool("glow"),
            in.optionalNumber("glowIntensity"),
            in.optionalBool("curvature"),
            in.optionalNumber("curvatureAmount")};
}

// Drawer

QJsonObject SkinManifestExport::Drawer::toJson() const
{
    QJsonObject object{{QStringLiteral("edge"), edge}};
    insertIfPresent(object, "mask", mask);
    if (viewport)
        object.insert(QStringLiteral("viewport"), viewport->toJson());
    if (chevron)
        object.insert(QStringLiteral("chevron"), chevron->toJson());
    insertIfPresent(object, "defaultWidget", defaultWidget);
    return object;
}

SkinManifestExport::Drawer SkinManifestExport::Drawer::fromJson(const JsonFieldReader& in)
{
    Drawer drawer;
    drawer.edge = in.string("edge");
    drawer.mask = readRecords<Point>(in, "mask");
    if (auto viewport = in.optionalObject("viewport"))
        drawer.viewport = Viewport::fromJson(*viewport);
    if (auto chevron = in.optionalObject("chevron"))
        drawer.chevron = Viewport::fromJson(*chevron);
    drawer.defaultWidget = in.optionalString("defaultWidget");
    return drawer;
}

// The whole file

QJsonObject SkinManifestExport::toJson() const
{
    QJsonObject object{{QStringLiteral("name"), name},
                       {QStringLiteral("version"), version},
                       {QStringLiteral("frame"), frame.toJson()},
                       {QStringLiteral("viewport"), viewport.toJson()},
                       {QStringLiteral("palette"), palette.toJson()},
                       {QStringLiteral("buttons"), toArray(buttons)}};
    insertIfPresent(object, "author", author);
    insertIfPresent(object, "keys", keys);
    if (effects)
        object.insert(QStringLiteral("effects"), effects->toJson());
    if (drawer)
        object.insert(QStringLiteral("drawer"), drawer->toJson());
    insertIfPresent(object, "launchScale", launchScale);
    insertIfPresent(object, "screenInFront", screenInFront);
    return object;
}

QByteArray SkinManifestExport::encode() const
{
    // QJsonObject keeps its members sorted by key.
    return QJsonDocument(toJson()).toJson(QJsonDocument::Indented);
}

bool SkinManifestExport::writeSkinJSON(const QString& skinFolder, QString* error) const
{
    return SkinFolders::writeAtomically(SkinFolders::manifestPath(skinFolder), encode(), error);
}

} // namespace velmora
