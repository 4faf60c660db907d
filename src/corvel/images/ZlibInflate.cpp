#include "corvel/images/ZlibInflate.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>

namespace corvel {
namespace {

class Inflater {
public:
    Inflater() { ok_ = inflateInit(&stream_) == Z_OK; }
    ~Inflater()
    {
        if (ok_)
            inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ok() const { return ok_; }
    z_stream& stream() { return stream_; }

private:
    z_stream stream_{};
    bool ok_ = false;
};

} // namespace

std::optional<std::vector<uint8_t>> inflateZlib(std::span<const uint8_t> input, size_t maxOutputBytes)
{
    Inflater inflater;
    if (!inflater.ok())
        return std::nullopt;
    z_stream& stream = inflater.stream();

    std::vector<uint8_t> result;
    std::array<uint8_t, 65536> buffer;
    size_t consumed = 0;
    for (;;) {
        if (stream.avail_in == 0 && consumed < input.size()) {
            size_t piece = std::min<size_t>(input.size() - consumed, UINT_MAX);
            stream.next_in = const_cast<Bytef*>(input.data() + consumed);
            stream.avail_in = static_cast<uInt>(piece);
            consumed += piece;
        }
        stream.next_out = buffer.data();
        stream.avail_out = static_cast<uInt>(buffer.size());
        int status = inflate(&stream, Z_NO_FLUSH);
        size_t produced = buffer.size() - stream.avail_out;
        if (produced > maxOutputBytes - std::min(maxOutputBytes, result.size()))
            return std::nullopt;
        result.insert(result.end(), buffer.data(), buffer.data() + produced);
        if (status == Z_STREAM_END)
            return result;
        if (status != Z_OK)
            return std::nullopt; // damaged data, or no progress possible
        if (produced == 0 && stream.avail_in == 0 && consumed == input.size())
            return std::nullopt; // input used up before the stream's end
    }
}

} // namespace corvel
