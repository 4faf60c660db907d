#include "Streams.h"

#include <random>

namespace throughput {

namespace {

constexpr size_t targetSize = 4u << 20;
const char* const words[] = {"alpha",
                             "beta",
                             "gamma",
                             "delta",
                             "epsilon",
                             "zeta",
                             "eta",
                             "theta",
                             "iota",
                             "kappa",
                             "lambda",
                             "mu",
                             "omicron",
                             "sigma",
                             "upsilon"};

std::string word(std::mt19937& rng) { return words[rng() % std::size(words)]; }

std::string plainAscii(std::mt19937& rng)
{
    std::string out;
    while (out.size() < targetSize) {
        std::string line;
        while (line.size() < 70)
            line += word(rng) + ' ';
        out += line.substr(0, 79) + "\r\n";
    }
    return out;
}

std::string sgrWords(std::mt19937& rng)
{
    std::string out;
    while (out.size() < targetSize) {
        for (int i = 0; i < 8; ++i)
            out += "\x1b[" + std::to_string(30 + rng() % 8) + (rng() % 2 ? ";1" : "") + "m" + word(rng) + "\x1b[0m ";
        out += "\r\n";
    }
    return out;
}

std::string cursorRedraws(std::mt19937& rng)
{
    std::string out;
    while (out.size() < targetSize) {
        for (int row = 1; row <= 24; ++row) {
            out += "\x1b[" + std::to_string(row) + ";1H";
            std::string line;
            while (line.size() < 80)
                line += word(rng) + ' ';
            out += line.substr(0, 80);
        }
    }
    return out;
}

std::string regionScrolling(std::mt19937& rng)
{
    std::string out = "\x1b[5;20r\x1b[20;1H";
    while (out.size() < targetSize) {
        std::string line;
        while (line.size() < 60)
            line += word(rng) + ' ';
        out += line + "\r\n";
    }
    return out + "\x1b[r";
}

std::string unicodeText(std::mt19937& rng)
{
    const char* const pieces[] = {
        "\xe4\xb8\xad\xe6\x96\x87", // CJK
        "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", // CJK
        "\xf0\x9f\x98\x80", // emoji
        "\xf0\x9f\x91\x8d\xf0\x9f\x8f\xbd", // emoji with skin tone
        "e\xcc\x81", // combining mark
        "\xc3\xa9t\xc3\xa9", // Latin-1 letters
        "\xf0\x9f\x87\xa9\xf0\x9f\x87\xaa", // flag
        "\xe2\x9d\xa4\xef\xb8\x8f", // VS16
        "caf\xc3\xa9 ",
        " ",
    };
    std::string out;
    while (out.size() < targetSize) {
        for (int i = 0; i < 20; ++i)
            out += pieces[rng() % std::size(pieces)];
        out += "\r\n";
    }
    return out;
}

std::string trueColor(std::mt19937& rng)
{
    std::string out;
    while (out.size() < targetSize) {
        for (int i = 0; i < 79; ++i) {
            out += "\x1b[38;2;" + std::to_string(rng() % 256) + ";" + std::to_string(rng() % 256) + ";"
                + std::to_string(rng() % 256) + "m";
            out += static_cast<char>('a' + rng() % 26);
        }
        out += "\x1b[0m\r\n";
    }
    return out;
}

} // namespace

const std::vector<Stream>& streams()
{
    static const std::vector<Stream> all = [] {
        std::mt19937 rng(12345);
        return std::vector<Stream>{
            {"ascii", plainAscii(rng)},
            {"sgr_words", sgrWords(rng)},
            {"cursor_redraw", cursorRedraws(rng)},
            {"region_scroll", regionScrolling(rng)},
            {"unicode", unicodeText(rng)},
            {"truecolor", trueColor(rng)},
        };
    }();
    return all;
}

} // namespace throughput
