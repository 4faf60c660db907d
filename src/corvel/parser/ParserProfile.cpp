#include "corvel/parser/ParserProfile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace corvel::ParserProfile {

bool enabled()
{
    static const bool on = [] {
        const char* value = std::getenv("CORVEL_PROFILE");
        return value && std::strcmp(value, "1") == 0;
    }();
    return on;
}

void write(const char* name, std::chrono::steady_clock::duration elapsed)
{
    const auto micros = std::chrono::duration<double, std::micro>(elapsed).count();
    std::fprintf(stderr, "ParserProfile %s %.3f us\n", name, micros);
}

} // namespace corvel::ParserProfile
