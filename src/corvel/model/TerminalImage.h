#pragma once

namespace corvel {

// What a line sees of an image attached to it: its size in pixels and the
// column of its left edge. The view's images and the graphics placements
// derive from it; lines share them through std::shared_ptr and only store
// and drop them.
class TerminalImage {
public:
    virtual ~TerminalImage() = default;

    virtual int pixelWidth() const = 0;
    virtual int pixelHeight() const = 0;
    virtual int col() const = 0;
    virtual void setCol(int col) = 0;
};

} // namespace corvel
