#include "core/AppInfo.h"

#ifndef VELMORA_VERSION
#define VELMORA_VERSION ""
#endif
#ifndef VELMORA_BUILD_NUMBER
#define VELMORA_BUILD_NUMBER ""
#endif

namespace velmora::AppInfo {
namespace {

QString orFallback(const char* value, const char* fallback)
{
    const QString text = QString::fromUtf8(value).trimmed();
    return text.isEmpty() ? QString::fromUtf8(fallback) : text;
}

} // namespace

QString shortVersion() { return orFallback(VELMORA_VERSION, "0.0.0"); }
QString build() { return orFallback(VELMORA_BUILD_NUMBER, "dev"); }

} // namespace velmora::AppInfo
