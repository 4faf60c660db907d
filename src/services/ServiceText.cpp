#include "services/ServiceText.h"

namespace velmora::ServiceText {
namespace {

bool isBidiControl(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

} // namespace

QString withoutBidiControls(QString text)
{
    text.removeIf(isBidiControl);
    return text;
}

} // namespace velmora::ServiceText
