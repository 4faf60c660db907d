// Where the terminal meets the inline-image code: APC "G" (Kitty graphics),
// DCS "q" (Sixel), the clearing that screen switches and erases ask for, and
// the placements that follow their parents when the screen scrolls.

#include "corvel/images/KittyGraphicsHandler.h"
#include "corvel/images/KittyImageLineIndex.h"
#include "corvel/images/KittyImageUsage.h"
#include "corvel/images/KittyPlacementContext.h"
#include "corvel/images/KittyPlacementDisplay.h"
#include "corvel/images/KittyPlacementHost.h"
#include "corvel/images/KittyPlacementRemoval.h"
#include "corvel/images/KittyRelativePlacements.h"
#include "corvel/images/SixelDcsHandler.h"
#include "corvel/images/SixelHost.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {

// The terminal as the Kitty graphics handler, the placement code and the
// Sixel decoder see it. One per terminal; it holds the indexes of the lines
// that carry pictures.
class TerminalImageHost final : public KittyGraphicsHost, public KittyPlacementHost, public SixelHost {
public:
    explicit TerminalImageHost(Terminal& terminal) : terminal_(terminal) {}

    // ---- KittyGraphicsHost
    void sendKittyReply(std::span<const uint8_t> reply) override { terminal_.sendResponse({reply}); }
    bool sendsEightBitControls() const override { return terminal_.cc().send8bit; }
    int64_t kittyImageCacheLimitBytes() const override { return terminal_.options.kittyImageCacheLimitBytes; }
    void collectKittyImageIdsOnLines(KittyImageIdSet& ids) override
    {
        collectUsedKittyImageIds(terminal_.normalBuffer(), ids);
        collectUsedKittyImageIds(terminal_.altBuffer(), ids);
    }
    std::optional<std::string> displayKittyImage(const KittyGraphicsPayload& payload,
                                                 const KittyGraphicsControl& control, std::optional<uint32_t> imageId,
                                                 std::optional<uint32_t> imageNumber) override
    {
        return KittyPlacementDisplay(*this).displayKittyImage(payload, control, imageId, imageNumber);
    }
    std::optional<std::string> deleteKittyImages(const KittyGraphicsControl& control) override
    {
        return KittyPlacementRemoval(*this).handleKittyDelete(control);
    }

    // ---- KittyPlacementHost
    KittyGraphicsState& kittyState() override { return terminal_.kittyGraphicsState; }
    Buffer& activeScreen() override { return terminal_.buffer(); }
    Buffer& normalScreen() override { return terminal_.normalBuffer(); }
    Buffer& alternateScreen() override { return terminal_.altBuffer(); }
    int screenCols() const override { return terminal_.cols; }
    int screenRows() const override { return terminal_.rows; }
    void restrictCursor() override { terminal_.restrictCursor(true); }
    void index() override { terminal_.cmdIndex(); }
    void lineFeed() override { terminal_.cmdLineFeedBasic(); }
    void markRowChanged(int row) override { terminal_.updateRange(row); }
    void markScreenChanged() override { terminal_.updateFullScreen(); }
    std::vector<int> linesWithImages(Buffer& screen) override
    {
        KittyImageLineIndex& index = &screen == &terminal_.altBuffer() ? altIndex_ : normalIndex_;
        return index.linesWithImages(screen);
    }
    void cleanupUnusedImages() override
    {
        KittyGraphicsHandler(terminal_.kittyGraphicsState, *this).cleanupUnusedKittyImages();
    }
    std::optional<PixelSize> cellSizeInPixels() override
    {
        TerminalDelegate* delegate = terminal_.delegate();
        if (!delegate)
            return std::nullopt;
        std::optional<std::pair<int, int>> size = delegate->cellSizeInPixels(terminal_);
        if (!size)
            return std::nullopt;
        return PixelSize{size->first, size->second};
    }
    bool hasImageHost() override { return terminal_.delegate() != nullptr; }
    KittyPlacementContext* placementContext() override { return terminal_.kittyPlacementContext; }
    void setPlacementContext(KittyPlacementContext* context) override { terminal_.kittyPlacementContext = context; }
    void showBitmap(std::vector<uint8_t>&& rgba, int width, int height) override
    {
        if (TerminalDelegate* delegate = terminal_.delegate())
            delegate->createImageFromBitmap(terminal_, std::move(rgba), width, height);
    }
    void showEncoded(std::span<const uint8_t> data, ImageSizeRequest width, ImageSizeRequest height,
                     bool preserveAspectRatio) override
    {
        if (TerminalDelegate* delegate = terminal_.delegate())
            delegate->createImage(terminal_, data, width, height, preserveAspectRatio);
    }

    // ---- SixelHost
    std::span<const Color> sixelDefaultPalette() const override { return terminal_.defaultAnsiColors(); }
    void createImageFromBitmap(std::vector<uint8_t>&& rgba, int width, int height) override
    {
        showBitmap(std::move(rgba), width, height);
    }

private:
    Terminal& terminal_;
    KittyImageLineIndex normalIndex_;
    KittyImageLineIndex altIndex_;
};

TerminalImageHost& Terminal::imageHost()
{
    if (!imageHost_)
        imageHost_ = std::make_shared<TerminalImageHost>(*this);
    return *imageHost_;
}

KittyPlacementHost& Terminal::kittyPlacementHost() { return imageHost(); }

void Terminal::handleKittyGraphics(std::span<const uint8_t> data)
{
    KittyGraphicsHandler(kittyGraphicsState, imageHost()).handleKittyGraphics(data);
}

void Terminal::clearAllKittyImages() { KittyPlacementRemoval(imageHost()).clearAllKittyImages(); }

void Terminal::clearKittyImages(Buffer& screen, bool isAlternateBuffer)
{
    KittyPlacementRemoval(imageHost()).clearKittyImages(screen, isAlternateBuffer);
}

void Terminal::updateKittyRelativePlacementsForCurrentBuffer()
{
    KittyRelativePlacements(imageHost()).updateKittyRelativePlacementsForCurrentBuffer();
}

DcsHandler* Terminal::makeSixelHandler()
{
    if (!sixelHandler_)
        sixelHandler_ = std::make_unique<SixelDcsHandler>(imageHost());
    return sixelHandler_.get();
}

} // namespace corvel
