// READING TEXT BACK
//
// Selections, single rows and whole screens as text, for the view's copy,
// find and selection and for hosts.

#include "corvel/terminal/BufferTextReader.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {

std::string Terminal::getText(Position start, Position end)
{
    return BufferTextReader(*buffer_, graphemes_).getText(start, end);
}

std::string Terminal::getDisplayText(Position start, Position end)
{
    return BufferTextReader(displayBuffer(), graphemes_).getText(start, end);
}

std::vector<Line> Terminal::getSelectedLines(Position start, Position end, Buffer& buffer)
{
    return BufferTextReader(buffer, graphemes_).getSelectedLines(start, end);
}

std::string Terminal::translateBufferLineToString(Buffer& buffer, int line, int start, int end)
{
    return BufferTextReader(buffer, graphemes_).translateBufferLineToString(line, start, end);
}

std::vector<uint8_t> Terminal::getBufferAsData(BufferKind kind, TextEncoding encoding)
{
    Buffer& screen = kind == BufferKind::normal ? *normalBuffer_ : kind == BufferKind::alt ? *altBuffer_ : *buffer_;
    return BufferTextReader(screen, graphemes_).getBufferAsData(encoding);
}

} // namespace corvel
