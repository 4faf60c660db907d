// Operating-system commands through which a program tells its host about
// itself: current document and directory (OSC 6, 7), hyperlinks (OSC 8),
// progress (OSC 9;4), notifications (OSC 777) and the iTerm2 inline-image
// protocol (OSC 1337). Also the process-wide collection of hyperlink handles.

#include <algorithm>
#include <mutex>
#include <unordered_set>

#include "corvel/base/Base64.h"
#include "corvel/terminal/SequenceText.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {

// ---- current document and directory ----------------------------------------------------

void Terminal::oscSetCurrentDocument(std::span<const uint8_t> data)
{
    if (!tdel || !tdel->isProcessTrusted(*this) || !isValidUtf8(data))
        return;
    hostCurrentDocument = std::string(asText(data));
    tdel->hostCurrentDocumentUpdated(*this);
}

void Terminal::oscSetCurrentDirectory(std::span<const uint8_t> data)
{
    if (!tdel || !tdel->isProcessTrusted(*this) || !isValidUtf8(data))
        return;
    hostCurrentDirectory = std::string(asText(data));
    tdel->hostCurrentDirectoryUpdated(*this);
}

// ---- hyperlinks ---------------------------------------------------------------------------

namespace {
// The longest URI (and the longest parameter list) a link may have; longer
// ones make no link, so a program cannot park megabytes in link handles.
constexpr size_t maxHyperlinkPart = 8 * 1024;
} // namespace

// While a link is open every cell printed gets its handle, so the link covers
// exactly the text written between the opening and the close, wherever the
// cursor went and however far the screen scrolled meanwhile.
void Terminal::oscHyperlink(std::span<const uint8_t> data)
{
    if (asText(data) == ";") {
        if (!hyperLinkTracking)
            return;
        hyperLinkTracking.reset();
        setHyperlinkAtom({});
        return;
    }
    const std::string_view text = asText(data);
    const size_t separator = std::min(text.find(';'), text.size());
    const bool tooLong = separator > maxHyperlinkPart || text.size() - separator > maxHyperlinkPart + 1;
    const bool ascii = std::all_of(data.begin(), data.end(), [](uint8_t b) { return b <= 0x7F; });
    std::string payload = ascii ? std::string(text) : std::string();
    std::optional<TinyAtom> atom = tooLong ? std::nullopt : TinyAtom::lookup(payload);
    if (!atom && !tooLong) {
        collectUnusedHyperlinks();
        atom = TinyAtom::lookup(payload);
    }
    if (!atom) {
        hyperLinkTracking.reset();
        setHyperlinkAtom({});
        return;
    }
    const Buffer& b = *buffer_;
    // The start row counts the lines a full ring dropped, so scrolling does
    // not move it.
    hyperLinkTracking = HyperlinkTracking{Position(b.x(), b.linesTop + b.yBase() + b.y()), std::move(payload)};
    setHyperlinkAtom(*atom);
}

void Terminal::setHyperlinkAtom(TinyAtom atom)
{
    normalBuffer_->printPayload = atom;
    altBuffer_->printPayload = atom;
}

namespace {

std::mutex& registryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<Terminal*>& liveTerminals()
{
    static std::vector<Terminal*> terminals;
    return terminals;
}

} // namespace

void Terminal::registerLive(Terminal* terminal, bool live)
{
    std::lock_guard lock(registryMutex());
    auto& terminals = liveTerminals();
    if (live)
        terminals.push_back(terminal);
    else
        std::erase(terminals, terminal);
}

void Terminal::garbageCollectPayload() { collectUnusedHyperlinks(); }

void Terminal::collectUnusedHyperlinks()
{
    std::unordered_set<uint16_t> used;
    auto collect = [&used](const std::shared_ptr<BufferLine>& line) {
        if (!line)
            return;
        for (const CharData& cell : line->cells())
            if (cell.payload.code != 0)
                used.insert(cell.payload.code);
    };
    {
        std::lock_guard lock(registryMutex());
        for (Terminal* terminal : liveTerminals()) {
            terminal->normalBuffer_->lines().forEachStored(collect);
            terminal->altBuffer_->lines().forEachStored(collect);
            if (terminal->synchronizedOutputBuffer)
                terminal->synchronizedOutputBuffer->lines().forEachStored(collect);
            if (terminal->normalBuffer_->printPayload.code != 0)
                used.insert(terminal->normalBuffer_->printPayload.code);
        }
    }
    TinyAtom::sweep([&used](uint16_t code) { return used.count(code) != 0; });
}

// ---- progress ----------------------------------------------------------------------------

std::optional<ProgressReport> Terminal::parseProgressReport(std::span<const uint8_t> data)
{
    if (!std::all_of(data.begin(), data.end(), [](uint8_t b) { return b <= 0x7F; }))
        return std::nullopt;
    const auto pieces = splitText(asText(data), ';', false);
    if (pieces.size() < 2 || pieces[0] != "4" || pieces[1].size() != 1)
        return std::nullopt;
    const char raw = pieces[1][0];
    if (raw < '0' || raw > '4')
        return std::nullopt;
    const auto state = *ProgressReport::stateFromRaw(raw - '0');
    int progress = -1; // none
    if (pieces.size() >= 3 && !pieces[2].empty()) {
        const auto value = parseInteger(pieces[2]);
        if (!value)
            return std::nullopt;
        progress = static_cast<int>(std::clamp<int64_t>(*value, 0, 100));
    }
    if (state == ProgressReportState::remove)
        progress = -1;
    else if (state == ProgressReportState::set && progress < 0)
        progress = 0;
    if (progress < 0)
        return ProgressReport{state, std::nullopt};
    return ProgressReport{state, static_cast<uint8_t>(progress)};
}

// ---- notifications -------------------------------------------------------------------------

void Terminal::oscNotification(std::span<const uint8_t> data)
{
    if (!isValidUtf8(data))
        return;
    const auto pieces = splitText(asText(data), ';', false);
    if (pieces.size() <= 2 || pieces[0] != "notify")
        return;
    std::string body(pieces[2]);
    for (size_t i = 3; i < pieces.size(); ++i) {
        body += ';';
        body += pieces[i];
    }
    if (tdel)
        tdel->notify(*this, std::string(pieces[1]), body);
}

// ---- iTerm2 inline images ---------------------------------------------------------------------

namespace {

using Parameters = std::vector<std::pair<std::string_view, std::string_view>>;

// key=value pieces separated by ";"; the first malformed piece ends the list.
Parameters parseKeyValues(std::string_view text)
{
    Parameters pairs;
    for (std::string_view piece : splitText(text, ';', false)) {
        const size_t equals = piece.find('=');
        if (equals == std::string_view::npos || !isValidUtf8(piece))
            break;
        const std::string_view key = piece.substr(0, equals);
        const std::string_view value = piece.substr(equals + 1);
        auto same = std::find_if(pairs.begin(), pairs.end(), [key](const auto& p) { return p.first == key; });
        if (same != pairs.end())
            same->second = value;
        else
            pairs.emplace_back(key, value);
    }
    return pairs;
}

std::optional<std::string_view> find(const Parameters& pairs, std::string_view key)
{
    for (const auto& [k, v] : pairs)
        if (k == key)
            return v;
    return std::nullopt;
}

ImageSizeRequest parseDimension(const Parameters& pairs, std::string_view key)
{
    const auto value = find(pairs, key);
    if (!value || *value == "auto")
        return ImageSizeRequest::automatic();
    auto inRange = [](std::optional<int64_t> n, int64_t low, int64_t high) { return n && *n >= low && *n <= high; };
    if (value->ends_with('%')) {
        const auto n = parseInteger(value->substr(0, value->size() - 1));
        return inRange(n, 1, 100) ? ImageSizeRequest::percent(static_cast<int>(*n)) : ImageSizeRequest::automatic();
    }
    if (value->ends_with("px")) {
        const auto n = parseInteger(value->substr(0, value->size() - 2));
        return inRange(n, 1, 4095) ? ImageSizeRequest::pixels(static_cast<int>(*n)) : ImageSizeRequest::automatic();
    }
    const auto n = parseInteger(*value);
    return inRange(n, 1, 199) ? ImageSizeRequest::cells(static_cast<int>(*n)) : ImageSizeRequest::automatic();
}

} // namespace

void Terminal::osciTerm2(std::span<const uint8_t> data)
{
    const std::string_view text = asText(data);
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos || !isValidUtf8(data.first(equals)))
        return;
    if (text.substr(0, equals) != "File") {
        if (tdel)
            tdel->iTermContent(*this, data);
        return;
    }
    const size_t colon = text.find(':', equals);
    if (colon == std::string_view::npos)
        return;
    const Parameters parameters = parseKeyValues(text.substr(equals + 1, colon - equals - 1));
    if (find(parameters, "inline") != std::optional<std::string_view>("1")) {
        if (tdel)
            tdel->iTermContent(*this, data);
        return;
    }
    const auto decoded = Base64::decode(data.subspan(colon + 1));
    if (!decoded)
        return;
    const auto aspect = find(parameters, "preserveAspectRatio");
    if (tdel)
        tdel->createImage(*this,
                          *decoded,
                          parseDimension(parameters, "width"),
                          parseDimension(parameters, "height"),
                          !aspect || *aspect == "1");
}

} // namespace corvel
