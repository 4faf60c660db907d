#include "corvel/base/CharSets.h"

#include <string_view>

namespace corvel::CharSets {

namespace {

CharSet decSpecialGraphics()
{
    // 0x60..0x7E
    static constexpr char32_t glyphs[] = {
        U'\u25C6', U'\u2592', U'\u2409', U'\u240C', U'\u240D', U'\u240A', U'\u00B0', U'\u00B1',
        U'\u2424', U'\u240B', U'\u2518', U'\u2510', U'\u250C', U'\u2514', U'\u253C', U'\u23BA',
        U'\u23BB', U'\u2500', U'\u23BC', U'\u23BD', U'\u251C', U'\u2524', U'\u2534', U'\u252C',
        U'\u2502', U'\u2264', U'\u2265', U'\u03C0', U'\u2260', U'\u00A3', U'\u00B7',
    };
    CharSet set;
    for (uint8_t i = 0; i < std::size(glyphs); ++i)
        set.set(static_cast<uint8_t>(0x60 + i), glyphs[i]);
    return set;
}

// The bytes a national set may replace, in the order of the rows below.
constexpr std::u32string_view nationalBytes = U"#@[\\]^_`{|}~";

// One character per byte of nationalBytes; a space keeps that byte unchanged.
// The array size makes a row of the wrong length a compile error.
CharSet national(const char32_t (&shown)[13])
{
    CharSet set;
    for (size_t i = 0; i < nationalBytes.size(); ++i) {
        if (shown[i] != U' ')
            set.set(static_cast<uint8_t>(nationalBytes[i]), shown[i]);
    }
    return set;
}

} // namespace

Table initAll()
{
    //                            #@[\]^_`{|}~
    const CharSet unitedKingdom = national(U"£           ");
    const CharSet dutch = national(U"£¾\u0133½|   ¨f¼´");
    const CharSet finnish = national(U"  ÄÖÅÜ éäöåü");
    const CharSet french = national(U"£à°ç§   éùè¨");
    const CharSet frenchCanada = national(U" àâçêî ôéùèû");
    const CharSet german = national(U" §ÄÖÜ   äöüß");
    const CharSet italian = national(U"£§°çé  ùàòèì");
    const CharSet norwegian = national(U" ÄÆØÅÜ äæøåü");
    const CharSet spanish = national(U"£§¡Ñ¿   °ñç ");
    const CharSet swedish = national(U" ÉÄÖÅÜ éäöåü");
    const CharSet swiss = national(U"ùàéçêîèôäöüû");
    const CharSet graphics = decSpecialGraphics();

    Table table;
    table['0'] = graphics;
    table['2'] = graphics;
    table['A'] = unitedKingdom;
    table['B'] = CharSet{};
    table['4'] = dutch;
    table['5'] = finnish;
    table['C'] = finnish;
    table['R'] = french;
    table['Q'] = frenchCanada;
    table['K'] = german;
    table['Y'] = italian;
    table['6'] = norwegian;
    table['E'] = norwegian;
    table['Z'] = spanish;
    table['7'] = swedish;
    table['H'] = swedish;
    table['='] = swiss;
    return table;
}

const Table& all()
{
    static const Table table = initAll();
    return table;
}

const CharSet* find(uint8_t designator)
{
    const Table& table = all();
    const auto it = table.find(designator);
    return it == table.end() ? nullptr : &it->second;
}

} // namespace corvel::CharSets
