#include "corvel/model/CharData.h"

#include "corvel/base/Utf8.h"

namespace corvel {

std::string CharData::debugDescription() const
{
    std::string out = "CharData: " + std::to_string(code) + " ";
    if (isValidScalar(code)) {
        appendUtf8(out, char32_t(code));
    } else {
        out += '?';
    }
    return out;
}

} // namespace corvel
