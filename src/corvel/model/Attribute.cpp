#include "corvel/model/Attribute.h"

namespace corvel {

namespace {

// Appends a colour as SGR parameters: base ("3" or "4") for palette colours
// 0-7, bright ("9" or "10") for 8-15, extended ("38" or "48") for the rest.
void appendColor(std::string& out, Attribute::Color c, const char* base, const char* bright, const char* extended)
{
    switch (c.kind()) {
    case Attribute::Color::Kind::trueColor:
        out += ';';
        out += extended;
        out += ";2;" + std::to_string(c.red()) + ';' + std::to_string(c.green()) + ';' + std::to_string(c.blue());
        break;
    case Attribute::Color::Kind::ansi256:
        out += ';';
        if (c.code() < 8) {
            out += base;
            out += std::to_string(c.code());
        } else if (c.code() < 16) {
            out += bright;
            out += std::to_string(c.code() - 8);
        } else {
            out += extended;
            out += ";5;" + std::to_string(c.code());
        }
        break;
    case Attribute::Color::Kind::defaultColor:
    case Attribute::Color::Kind::defaultInvertedColor: break;
    }
}

} // namespace

std::string Attribute::toSgr() const
{
    std::string out = "0";
    const CharacterStyle s = style();
    if (s.contains(CharacterStyle::bold))
        out += ";1";
    if (s.contains(CharacterStyle::underline))
        out += ";4";
    if (s.contains(CharacterStyle::blink))
        out += ";5";
    if (s.contains(CharacterStyle::inverse))
        out += ";7";
    if (s.contains(CharacterStyle::invisible))
        out += ";8";
    appendColor(out, fg(), "3", "9", "38");
    appendColor(out, bg(), "4", "10", "48");
    out += 'm';
    return out;
}

} // namespace corvel
