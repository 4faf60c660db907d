#include "corvel/qt/gl/ShaperCache.h"

#include <QGlyphRun>
#include <QTextLayout>

namespace corvel {

std::string ShaperCache::keyOf(const QString& text, const QFont& font)
{
    return (font.key() + QChar(0) + text).toStdString();
}

std::shared_ptr<const ShaperRun> ShaperCache::shape(const QString& text, const QFont& font)
{
    if (text.isEmpty())
        return nullptr;
    const std::string key = keyOf(text, font);
    if (auto it = cache_.find(key); it != cache_.end())
        return it->second;

    ++shapedCount_;
    QTextLayout layout(text, font);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid())
        return nullptr;
    auto run = std::make_shared<ShaperRun>();
    run->ascent = line.ascent();
    run->height = line.height();
    run->width = line.naturalTextWidth();
    for (const QGlyphRun& glyphRun : line.glyphRuns()) {
        const QList<quint32> glyphs = glyphRun.glyphIndexes();
        if (glyphs.isEmpty())
            continue;
        const QList<QPointF> positions = glyphRun.positions();
        ShaperGlyphRun out;
        out.font = glyphRun.rawFont();
        out.glyphs.assign(glyphs.begin(), glyphs.end());
        for (const QPointF& p : positions)
            out.positions.emplace_back(p.x(), p.y() - run->ascent);
        run->glyphCount += static_cast<int>(out.glyphs.size());
        run->glyphRuns.push_back(std::move(out));
    }
    if (run->glyphRuns.empty())
        return nullptr;
    insert(key, run);
    return run;
}

void ShaperCache::insert(const std::string& key, std::shared_ptr<const ShaperRun> run)
{
    if (!cache_.contains(key))
        order_.push_back(key);
    cache_[key] = std::move(run);
    while (order_.size() > maxEntries_) {
        cache_.erase(order_.front());
        order_.pop_front();
    }
}

} // namespace corvel
