#include "corvel/base/ProfileSpan.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace corvel::Profile {

bool enabledBy(const char* value) { return value && std::strcmp(value, "1") == 0; }

bool enabled()
{
    static const bool on = enabledBy(std::getenv("CORVEL_PROFILE"));
    return on;
}

void write(const char* category, const char* name, std::chrono::steady_clock::duration elapsed)
{
    const auto micros = std::chrono::duration<double, std::micro>(elapsed).count();
    std::fprintf(stderr, "%s %s %.3f us\n", category, name, micros);
}

} // namespace corvel::Profile
