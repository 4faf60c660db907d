// Row building, rendering into the text image, and caret placement.

#include <algorithm>
#include <cmath>

#include <QPaintEvent>
#include <QPainter>

#include "corvel/qt/CaretView.h"
#include "corvel/qt/TerminalView.h"
#include "corvel/terminal/SelectionService.h"

namespace corvel {

namespace {

bool isBoxDrawing(int32_t code) { return code >= 0x2500 && code <= 0x257F; }
bool isBlockElement(int32_t code) { return code >= 0x2580 && code <= 0x259F; }

} // namespace

// ---- row building ------------------------------------------------------------

std::optional<std::pair<int, int>> TerminalView::selectedColumnsRange(int row, int cols)
{
    return selection_ ? selection_->columnsOfRow(row, cols) : std::nullopt;
}

ViewLineInfo TerminalView::buildAttributedString(int row, const BufferLine& line, int cols)
{
    ViewLineInfo info;
    if (line.hasImages())
        info.images = line.images;
    const std::optional<std::pair<int, int>> selected = selectedColumnsRange(row, cols);

    // The first hover range of this row, if the highlighted link has one.
    const LinkRowRange* hoverRange = nullptr;
    if (linkHighlightRange)
        for (const LinkRowRange& r : *linkHighlightRange)
            if (r.row == row) {
                hoverRange = &r;
                break;
            }

    ViewLineSegment segment;
    ViewLineRun run;
    bool haveRun = false;
    Attribute runAttribute;
    bool runLink = false;
    bool runSelected = false;

    const auto flushRun = [&] {
        if (run.text.empty())
            return;
        segment.runs.push_back(run);
        segment.characterCount += 1;
        run.text.clear();
        run.clusters.clear();
    };

    // Kitty Unicode placeholders show a piece of a picture instead of a glyph;
    // a placeholder with fewer marks continues the one to its left.
    std::optional<KittyPlaceholderCell> previousPlaceholder;
    Attribute previousPlaceholderAttribute;
    const auto placeholderAt = [&](const CharData& cell, int col) -> std::optional<KittyPlaceholderCell> {
        constexpr int32_t placeholderCharacter = 0x10EEEE;
        if (cell.isSimpleRune() && cell.code != placeholderCharacter)
            return std::nullopt;
        const std::u32string text = terminal_->character(cell.code);
        if (text.empty() || text.front() != static_cast<char32_t>(placeholderCharacter))
            return std::nullopt;
        return KittyPlaceholderDecoder::decode(text,
                                               cell.attribute,
                                               row,
                                               col,
                                               previousPlaceholder,
                                               previousPlaceholder ? std::optional(previousPlaceholderAttribute)
                                                                   : std::nullopt);
    };

    for (int col = 0; col < cols;) {
        const CharData& cell = line[col];
        const int w = std::max<int>(cell.width, 1);
        std::optional<KittyPlaceholderCell> placeholder;

        bool link = false;
        switch (linkHighlightMode_) {
        case LinkHighlightMode::always: link = cell.hasPayload(); break;
        case LinkHighlightMode::alwaysWithModifier: link = cell.hasPayload() && commandActive; break;
        case LinkHighlightMode::hover:
        case LinkHighlightMode::hoverWithModifier:
            link = hoverRange && hoverRange->start < col + w && col < hoverRange->end
                && hoverRange->start != hoverRange->end
                && (linkHighlightMode_ == LinkHighlightMode::hover || commandActive);
            break;
        }

        if (segment.columnWidth != w) {
            flushRun();
            if (segment.characterCount > 0)
                info.segments.push_back(std::move(segment));
            segment = ViewLineSegment();
            segment.column = col;
            segment.columnWidth = w;
        }

        const bool isSelected = selected && selected->first < col + w && col < selected->second;
        if (!haveRun || cell.attribute != runAttribute || link != runLink || isSelected != runSelected) {
            flushRun();
            run.attributes = colors_.getAttributes(cell.attribute, link);
            if (isSelected)
                run.attributes.selectionBackground = selectedTextBackgroundColor_;
            runAttribute = cell.attribute;
            runLink = link;
            runSelected = isSelected;
            haveRun = true;
        }

        const int32_t code = cell.code;
        if (customBlockGlyphs_ && isBoxDrawing(code)) {
            const QColor fg
                = run.attributes.foreground.isValid() ? run.attributes.foreground : colors_.nativeForeground;
            info.boxDrawings.push_back({col, w, static_cast<uint32_t>(code), fg});
            run.text.push_back(U' ');
        } else if (customBlockGlyphs_ && isBlockElement(code)) {
            const QColor fg
                = run.attributes.foreground.isValid() ? run.attributes.foreground : colors_.nativeForeground;
            auto rects = BlockElementMapping::rects(static_cast<uint32_t>(code));
            info.blockElements.push_back(
                {col, w, static_cast<uint32_t>(code), std::vector<BlockElementRect>(rects->begin(), rects->end()), fg});
            run.text.push_back(U' ');
        } else if ((placeholder = placeholderAt(cell, col))) {
            info.placeholders.push_back(*placeholder);
            previousPlaceholderAttribute = cell.attribute;
            run.text.push_back(U' ');
        } else if (code == 0) {
            run.text.push_back(U' ');
        } else if (cell.isSimpleRune()) {
            run.text.push_back(CharData::isValidScalar(code) ? static_cast<char32_t>(code) : U' ');
        } else {
            std::u32string cluster = terminal_->character(code);
            if (cluster.empty()) {
                run.text.push_back(U' ');
            } else if (cluster.size() == 1) {
                run.text.push_back(cluster.front());
            } else {
                run.text.push_back(ViewLineRun::clusterBase + static_cast<char32_t>(run.clusters.size()));
                run.clusters.push_back(std::move(cluster));
            }
        }
        previousPlaceholder = placeholder;
        col += w;
    }
    flushRun();
    if (segment.characterCount > 0)
        info.segments.push_back(std::move(segment));
    return info;
}

// ---- caret ----------------------------------------------------------------------

QString TerminalView::caretText(const CharData& cell) const
{
    if (cell.code == 0)
        return QStringLiteral(" ");
    const std::u32string text = terminal_->character(cell.code);
    if (text.empty())
        return QStringLiteral(" ");
    return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

FontFace TerminalView::caretFace(const CharData& cell) const
{
    const CharacterStyle style = cell.attribute.style();
    const bool bold = style.contains(CharacterStyle::bold);
    if (style.contains(CharacterStyle::italic))
        return bold ? FontFace::boldItalic : FontFace::italic;
    return bold ? FontFace::bold : FontFace::normal;
}

void TerminalView::updateCursorPosition()
{
    if (!caretView_ || !terminal_)
        return;
    Buffer& shown = terminal_->displayBuffer();
    const int cursorRow = shown.y() + shown.yBase();
    if (cursorRow >= shown.yDisp() + shown.rows() || cursorRow < shown.yDisp()) {
        caretView_->hide();
        return;
    }
    caretView_->setVisible(!terminal_->modes().cursorHidden && !gpuSurface_);
    BufferLine& line = shown.lines()[cursorRow];
    // A cursor waiting to wrap sits on the last column.
    const int col = std::clamp(shown.x(), 0, std::max(0, shown.cols() - 1));
    double x = cellDimension_.width() * col;
    if (line.renderMode != BufferLine::RenderLineMode::single)
        x *= 2;
    const double y = cellDimension_.height() * (cursorRow - shown.yDisp());
    caretView_->setCellFrame(QRectF(QPointF(x, y), cellDimension_));
    caretView_->setText(line[col]);
    placePreedit();
    queueGpuDisplay();
}

// ---- rendering -------------------------------------------------------------------

void TerminalView::invalidateRows(int first, int last, bool toBottom)
{
    const int rows = terminal_->rows;
    if (dirtyRows_.size() != static_cast<size_t>(rows))
        dirtyRows_.assign(static_cast<size_t>(rows), true);
    for (int r = std::max(first, 0); r <= std::min(last, rows - 1); ++r)
        dirtyRows_[static_cast<size_t>(r)] = true;
    // What the GPU renderer builds again at its next frame.
    const int top = terminal_->displayBuffer().yDisp();
    const int from = top + std::max(first, 0);
    const int to = top + std::min(last, rows - 1);
    if (gpuDirtyRange_)
        gpuDirtyRange_ = std::pair(std::min(gpuDirtyRange_->first, from), std::max(gpuDirtyRange_->second, to));
    else if (from <= to)
        gpuDirtyRange_ = std::pair(from, to);
    queueGpuDisplay();
    const double ch = cellDimension_.height();
    QRectF band(0, ch * first, textAreaWidth(), ch * (last - first + 1));
    if (toBottom) {
        band.setBottom(height());
        bottomStripDirty_ = true;
    }
    willRepaint(band.toAlignedRect());
    update(band.toAlignedRect());
}

void TerminalView::invalidateAll()
{
    dirtyRows_.assign(static_cast<size_t>(terminal_ ? terminal_->rows : 0), true);
    bottomStripDirty_ = true;
    ++renderGeneration_;
    queueGpuDisplay();
    willRepaint(rect());
    update();
}

void TerminalView::setPictureScale(double scale)
{
    if (!(scale > 0) || scale == pictureScale_)
        return;
    pictureScale_ = scale;
    invalidateAll();
}

void TerminalView::renderDirtyRows()
{
    const double scale = backingScale() * pictureScale_;
    const QSize pixels(static_cast<int>(std::ceil(textAreaWidth() * scale)),
                       static_cast<int>(std::ceil(height() * scale)));
    if (pixels.isEmpty())
        return;
    // An opaque background needs no alpha channel, which makes every blend
    // and every copy to the screen cheaper.
    const QImage::Format format
        = colors_.nativeBackground.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    if (textImage_.size() != pixels || textImage_.devicePixelRatio() != scale || textImage_.format() != format) {
        textImage_ = QImage(pixels, format);
        textImage_.setDevicePixelRatio(scale);
        textImage_.fill(colors_.nativeBackground);
        dirtyRows_.assign(static_cast<size_t>(terminal_->rows), true);
        bottomStripDirty_ = true;
    }
    Buffer& shown = terminal_->displayBuffer();
    if (dirtyRows_.size() != static_cast<size_t>(shown.rows()))
        dirtyRows_.assign(static_cast<size_t>(shown.rows()), true);
    const bool anyRow = std::find(dirtyRows_.begin(), dirtyRows_.end(), true) != dirtyRows_.end();
    if (!anyRow && !bottomStripDirty_)
        return;

    updateRowPainterGeometry();
    RowPainter::Geometry g = rowPainter_.geometry();
    g.cols = shown.cols();
    g.scale = scale;
    rowPainter_.setGeometry(g);

    QPainter painter(&textImage_);
    for (int r = 0; r < static_cast<int>(dirtyRows_.size()); ++r) {
        if (!dirtyRows_[static_cast<size_t>(r)])
            continue;
        renderRow(painter, shown, r);
        dirtyRows_[static_cast<size_t>(r)] = false;
    }
    if (bottomStripDirty_) {
        const double top = cellDimension_.height() * shown.rows();
        if (top < height()) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.fillRect(QRectF(0, top, textAreaWidth(), height() - top), colors_.nativeBackground);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        bottomStripDirty_ = false;
    }
}

void TerminalView::renderRow(QPainter& painter, Buffer& screen, int screenRow)
{
    const double ch = cellDimension_.height();
    const double top = ch * screenRow;
    const QRectF band(0, top, textAreaWidth(), ch);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(band, colors_.nativeBackground);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

    const int lineIndex = screen.yDisp() + screenRow;
    if (lineIndex < 0 || lineIndex >= screen.lines().count())
        return;
    const BufferLine& line = screen.lines()[lineIndex];
    const ViewLineInfo info = buildAttributedString(lineIndex, line, screen.cols());

    painter.save();
    painter.setClipRect(band);
    switch (line.renderMode) {
    case BufferLine::RenderLineMode::single: break;
    case BufferLine::RenderLineMode::doubleWidth: painter.scale(2, 1); break;
    case BufferLine::RenderLineMode::doubledTop:
        // The upper half of double-size text: scale about the row's top.
        painter.translate(0, top);
        painter.scale(2, 2);
        painter.translate(0, -top);
        break;
    case BufferLine::RenderLineMode::doubledDown:
        painter.translate(0, top + ch);
        painter.scale(2, 2);
        painter.translate(0, -(top + ch));
        break;
    }
    const bool pictures = info.images || !info.placeholders.empty();
    rowPainter_.paint(painter, info, top, [&] {
        if (pictures)
            paintLinePictures(painter, info, top, true);
    });
    if (pictures)
        paintLinePictures(painter, info, top, false);
    painter.restore();
}

void TerminalView::paintEvent(QPaintEvent* event)
{
    // The GPU surface covers the text area.
    if (gpuSurface_)
        return;
    renderDirtyRows();
    if (textImage_.isNull())
        return;
    QPainter painter(this);
    const double scale = textImage_.devicePixelRatio();
    const QRect area = textAreaRect();
    for (const QRect& rect : event->region()) {
        const QRect target = rect.intersected(area);
        if (target.isEmpty())
            continue;
        const QRectF source(target.x() * scale, target.y() * scale, target.width() * scale, target.height() * scale);
        painter.drawImage(QRectF(target), textImage_, source);
    }
}

} // namespace corvel
