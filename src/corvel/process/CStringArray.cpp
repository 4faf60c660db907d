#include "corvel/process/CStringArray.h"

namespace corvel {

CStringArray::CStringArray(const std::vector<std::string>& strings) : strings_(strings)
{
    pointers_.reserve(strings_.size() + 1);
    for (std::string& s : strings_) {
        if (s.find('\0') != std::string::npos)
            faithful_ = false;
        pointers_.push_back(s.data());
    }
    pointers_.push_back(nullptr);
}

} // namespace corvel
