#include "corvel/process/HeadlessTerminal.h"

#include <algorithm>

#include "corvel/images/PngDecoder.h"
#include "corvel/model/Buffer.h"

#include <limits>

namespace corvel {

namespace {

unsigned short clampToShort(int value)
{
    if (value < 0)
        return 0;
    if (value > std::numeric_limits<unsigned short>::max())
        return std::numeric_limits<unsigned short>::max();
    return static_cast<unsigned short>(value);
}

} // namespace

HeadlessTerminal::HeadlessTerminal(Executor& executor, const TerminalOptions& options, EndHandler onEnd)
    : onEnd(std::move(onEnd))
{
    terminal_ = std::make_unique<Terminal>(this, options);
    terminal_->setExecutor(&executor);
    process_ = std::make_unique<LocalProcess>(this, executor);
}

HeadlessTerminal::~HeadlessTerminal()
{
    // The process goes first: it may still hold chunks for this delegate.
    process_.reset();
    terminal_->setDelegate(nullptr);
}

void HeadlessTerminal::setProcess(std::unique_ptr<LocalProcess> process) { process_ = std::move(process); }

void HeadlessTerminal::send(std::span<const std::uint8_t> data) { process_->send(data); }

void HeadlessTerminal::send(std::string_view text)
{
    send(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void HeadlessTerminal::changeScrollback(std::optional<int> lines) { terminal_->changeScrollback(lines); }

std::string HeadlessTerminal::screenText()
{
    std::vector<std::string> rows;
    for (int row = 0; row < terminal_->rows; ++row)
        rows.push_back(terminal_->lineText(row));
    while (!rows.empty() && rows.back().empty())
        rows.pop_back();
    std::string text;
    for (const std::string& row : rows) {
        text += row;
        text += '\n';
    }
    return text;
}

void HeadlessTerminal::processTerminated(LocalProcess& /*source*/, std::optional<std::int32_t> exitCode)
{
    if (onEnd)
        onEnd(exitCode);
}

void HeadlessTerminal::dataReceived(std::span<const std::uint8_t> slice) { terminal_->parser().parse(slice); }

// The size in pixels agrees with the cell size the terminal reports, so
// programs that size pictures from it get whole cells.
winsize HeadlessTerminal::getWindowSize()
{
    const int rows = terminal_->rows;
    const int cols = terminal_->cols;
    return winsize{
        clampToShort(rows), clampToShort(cols), clampToShort(cols * cellWidth), clampToShort(rows * cellHeight)};
}

std::size_t HeadlessTerminal::unsentBytes(Terminal& /*source*/) { return process_->unsentBytes(); }

void HeadlessTerminal::send(Terminal& /*source*/, std::span<const std::uint8_t> data) { send(data); }

void HeadlessTerminal::mouseModeChanged(Terminal& /*source*/) {}

void HeadlessTerminal::hostCurrentDirectoryUpdated(Terminal& source) { dir = source.currentDirectory(); }

void HeadlessTerminal::colorChanged(Terminal& /*source*/, std::optional<int> /*idx*/) {}

std::vector<HeadlessTerminal::ShownStrip> HeadlessTerminal::imageStrips()
{
    std::vector<ShownStrip> strips;
    Buffer& screen = terminal_->buffer();
    for (int i = 0; i < screen.lines().count(); ++i) {
        const BufferLine& line = screen.lines()[i];
        if (!line.images)
            continue;
        for (const auto& image : *line.images) {
            auto strip = std::dynamic_pointer_cast<const ImageStrip>(image);
            if (!strip)
                continue;
            auto picture = std::static_pointer_cast<const Image>(strip->picture);
            strips.push_back({i, std::move(strip), std::move(picture)});
        }
    }
    return strips;
}

std::vector<std::shared_ptr<const HeadlessTerminal::Image>> HeadlessTerminal::pictures()
{
    std::vector<std::shared_ptr<const Image>> found;
    for (const ShownStrip& shown : imageStrips())
        if (std::find(found.begin(), found.end(), shown.picture) == found.end())
            found.push_back(shown.picture);
    return found;
}

std::optional<std::pair<int, int>> HeadlessTerminal::cellSizeInPixels(Terminal& /*source*/)
{
    return std::pair{cellWidth, cellHeight};
}

ImageStripInserter HeadlessTerminal::stripInserter()
{
    return ImageStripInserter(terminal_->kittyPlacementHost(),
                              ImageStripGeometry::forScreen(cellWidth, cellHeight, terminal_->cols, terminal_->rows));
}

void HeadlessTerminal::createImageFromBitmap(Terminal& /*source*/, std::vector<std::uint8_t>&& bytes, int width,
                                             int height)
{
    // Every strip shares the one copy of the pixels.
    auto picture = std::make_shared<const Image>(Image{std::move(bytes), width, height});
    stripInserter().insertBitmap({width, height, std::move(picture)});
}

void HeadlessTerminal::createImage(Terminal& /*source*/, std::span<const std::uint8_t> data, ImageSizeRequest width,
                                   ImageSizeRequest height, bool preserveAspectRatio)
{
    // A picture that cannot be decoded is not shown, as in a view.
    std::optional<RgbaBitmap> decoded = PngDecoder::decodeToRgba(data);
    if (!decoded)
        return;
    const int pictureWidth = decoded->width;
    const int pictureHeight = decoded->height;
    auto picture = std::make_shared<const Image>(Image{std::move(decoded->bytes), pictureWidth, pictureHeight});
    stripInserter().insertImage({pictureWidth, pictureHeight, std::move(picture)}, width, height, preserveAspectRatio);
}

} // namespace corvel
