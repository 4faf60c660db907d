#pragma once

#include <QString>

// Text that comes from files (skin names, paths, colours, archive entries)
// as it may go into a log line on standard error: one line, no terminal
// controls, a sane length. Control characters (C0, DEL, C1) and the
// invisible characters that reorder or hide text (bidirectional controls,
// zero-width marks) are written as \xNN or \u{XXXX}, a backslash as two, and
// the text is cut to maxLength characters with "…" behind.
namespace velmora::LogText {

inline constexpr qsizetype maxLength = 200;

QString escaped(const QString& text, qsizetype maxLength = LogText::maxLength);

} // namespace velmora::LogText
