#include "support/ProgramHome.h"

namespace {

// Made while the program loads, before any test or singleton reads the
// environment.
[[maybe_unused]] const auto& home = velmora::test::ProgramHome::instance();

} // namespace
