#pragma once

#include <utility>
#include <vector>

#include "corvel/terminal/LineFragment.h"

namespace corvel {

// One visual line of selected text, made of fragments in order.
class Line {
public:
    std::vector<LineFragment> fragments;
    // The sum of the fragments' lengths.
    int length = 0;

    void add(LineFragment fragment)
    {
        length += fragment.length;
        fragments.push_back(std::move(fragment));
    }
};

} // namespace corvel
