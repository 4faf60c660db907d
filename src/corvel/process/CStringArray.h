#pragma once

#include <string>
#include <vector>

namespace corvel {

// The null-terminated block of C strings that execve takes, built from a list
// of strings. The copies and the block live as long as the object, so the
// block can be made before fork() and used by the child without allocating.
class CStringArray {
public:
    explicit CStringArray(const std::vector<std::string>& strings);

    CStringArray(const CStringArray&) = delete;
    CStringArray& operator=(const CStringArray&) = delete;

    // n + 1 pointers, the last one null.
    char* const* data() const { return pointers_.data(); }
    std::size_t size() const { return strings_.size(); }

    // False when a string holds a NUL byte, which exec would silently cut.
    bool isFaithful() const { return faithful_; }

private:
    std::vector<std::string> strings_;
    std::vector<char*> pointers_;
    bool faithful_ = true;
};

} // namespace corvel
