#pragma once

#include "corvel/base/Executor.h"
#include "corvel/images/ImageStrip.h"
#include "corvel/images/ImageStripInserter.h"
#include "corvel/process/LocalProcess.h"
#include "corvel/process/LocalProcessDelegate.h"
#include "corvel/terminal/Terminal.h"
#include "corvel/terminal/TerminalDelegate.h"
#include "corvel/terminal/TerminalOptions.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvel {

// A terminal without a view: one Terminal and one LocalProcess wired to each
// other. The child's output goes into the terminal's parser, the terminal's
// replies go back to the child, and the child's end is handed to onEnd.
//
// Everything runs on the executor given at construction, which must outlive
// the headless terminal; its owner uses it on that executor's thread too.
// No child is started: call process().startProcess(...).
//
// Pictures the child shows are laid out as a view would lay them out, on
// cells of cellWidth × cellHeight pixels: their strips are attached to the
// lines they cover and the cursor moves past them. Each strip carries the
// picture's RGBA pixels (see imageStrips()); nothing is drawn.
class HeadlessTerminal : public TerminalDelegate, public LocalProcessDelegate {
public:
    using EndHandler = std::function<void(std::optional<std::int32_t> exitCode)>;

    struct Image {
        std::vector<std::uint8_t> bytes; // red, green, blue, alpha, row by row
        int width;
        int height;
    };

    // One picture strip attached to a line of the active screen.
    struct ShownStrip {
        int line; // index into the screen's lines, scroll-back included
        std::shared_ptr<const ImageStrip> strip;
        std::shared_ptr<const Image> picture; // the whole picture the strip is cut from
    };

    // The cell size pictures are laid out with, reported to the child when it
    // asks for it.
    static constexpr int cellWidth = 10;
    static constexpr int cellHeight = 20;

    HeadlessTerminal(Executor& executor, const TerminalOptions& options, EndHandler onEnd);
    ~HeadlessTerminal() override;

    HeadlessTerminal(const HeadlessTerminal&) = delete;
    HeadlessTerminal& operator=(const HeadlessTerminal&) = delete;

    Terminal& terminal() { return *terminal_; }
    LocalProcess& process() { return *process_; }
    // Puts another process in place of the current one, which is stopped.
    void setProcess(std::unique_ptr<LocalProcess> process);

    EndHandler onEnd;
    // The last directory the child reported (OSC 7).
    std::optional<std::string> dir;

    // Bytes for the child; written only while it runs.
    void send(std::span<const std::uint8_t> data);
    void send(std::string_view text);

    // The normal screen's scroll-back limit; nullopt removes it.
    void changeScrollback(std::optional<int> lines);

    // The visible rows as text, trailing blanks trimmed, trailing empty rows
    // dropped, each row ended by "\n".
    std::string screenText();

    // The strips on the active screen's lines, top line first.
    std::vector<ShownStrip> imageStrips();
    // The pictures those strips are cut from, each once, in the order of
    // their first strip. A picture's pixels are held by its strips alone, so
    // they are freed when its last strip leaves the screen and scroll-back.
    std::vector<std::shared_ptr<const Image>> pictures();

    // LocalProcessDelegate
    void processTerminated(LocalProcess& source, std::optional<std::int32_t> exitCode) override;
    void dataReceived(std::span<const std::uint8_t> slice) override;
    winsize getWindowSize() override;

    // TerminalDelegate
    void send(Terminal& source, std::span<const std::uint8_t> data) override;
    std::size_t unsentBytes(Terminal& source) override;
    void mouseModeChanged(Terminal& source) override;
    void hostCurrentDirectoryUpdated(Terminal& source) override;
    void colorChanged(Terminal& source, std::optional<int> idx) override;
    std::optional<std::pair<int, int>> cellSizeInPixels(Terminal& source) override;
    void createImageFromBitmap(Terminal& source, std::vector<std::uint8_t>&& bytes, int width, int height) override;
    void createImage(Terminal& source, std::span<const std::uint8_t> data, ImageSizeRequest width,
                     ImageSizeRequest height, bool preserveAspectRatio) override;

private:
    ImageStripInserter stripInserter();

    std::unique_ptr<Terminal> terminal_;
    std::unique_ptr<LocalProcess> process_;
};

} // namespace corvel
