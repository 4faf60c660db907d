// Feeds arbitrary bytes to a small terminal. The first bytes choose the
// screen size and how the rest is cut into chunks, so that split sequences,
// resizes and screen switches are explored too.

#include <cstddef>
#include <cstdint>
#include <span>

#include "corvel/terminal/Terminal.h"

namespace {

class DiscardingHost : public corvel::TerminalDelegate {
public:
    void send(corvel::Terminal&, std::span<const uint8_t>) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    corvel::TerminalOptions options;
    options.cols = 2 + data[0] % 40;
    options.rows = 1 + data[1] % 12;
    options.scrollback = data[2] % 16;
    const size_t chunk = 1 + data[2] % 7;
    std::span<const uint8_t> rest(data + 3, size - 3);

    DiscardingHost host;
    corvel::Terminal terminal(&host, options);
    size_t fed = 0;
    while (!rest.empty()) {
        const size_t n = std::min(rest.size(), chunk + fed % 29);
        terminal.parser().parse(rest.first(n));
        rest = rest.subspan(n);
        fed += n;
        // Now and then the host resizes, as a window would.
        if (fed % 97 < n)
            terminal.resize(2 + static_cast<int>(fed % 37), 1 + static_cast<int>(fed % 11));
    }
    for (int row = 0; row < terminal.rows; ++row)
        (void)terminal.lineText(row);
    terminal.garbageCollectPayload();
    return 0;
}
