#include "corvel/base/Executor.h"

namespace corvel {

Executor::~Executor() = default;

} // namespace corvel
