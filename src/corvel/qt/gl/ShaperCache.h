#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <QFont>
#include <QPointF>
#include <QRawFont>
#include <QString>

namespace corvel {

// Glyphs of one font in a shaped text.
struct ShaperGlyphRun {
    // The font Qt chose for this stretch; may be a fallback font.
    QRawFont font;
    std::vector<uint32_t> glyphs;
    // One per glyph, relative to the start of the baseline, y downwards.
    std::vector<QPointF> positions;
};

// A text laid out on one line.
struct ShaperRun {
    std::vector<ShaperGlyphRun> glyphRuns;
    int glyphCount = 0;
    double ascent = 0;
    double height = 0;
    double width = 0;
};

// Shaped texts by font and text, at most maxEntries of them, evicted in the
// order they were first shaped (a hit does not refresh an entry).
class ShaperCache {
public:
    static constexpr size_t defaultMaxEntries = 2048;

    explicit ShaperCache(size_t maxEntries = defaultMaxEntries) : maxEntries_(maxEntries) {}

    // The layout of text in font; nothing for an empty text or one that
    // yields no glyphs (not cached, so it is tried again).
    std::shared_ptr<const ShaperRun> shape(const QString& text, const QFont& font);
    void insert(const std::string& key, std::shared_ptr<const ShaperRun> run);

    bool contains(const QString& text, const QFont& font) const { return cache_.contains(keyOf(text, font)); }
    size_t size() const { return cache_.size(); }
    // How many texts were laid out (misses), for tests and measurements.
    size_t shapedCount() const { return shapedCount_; }

    static std::string keyOf(const QString& text, const QFont& font);

private:
    size_t maxEntries_;
    std::unordered_map<std::string, std::shared_ptr<const ShaperRun>> cache_;
    std::deque<std::string> order_;
    size_t shapedCount_ = 0;
};

} // namespace corvel
