#include "session/SessionTestSupport.h"

namespace {

[[maybe_unused]] const auto& home = velmora::test::SessionTestHome::instance();

} // namespace
