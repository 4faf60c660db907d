#pragma once

#include <QString>

namespace corvel {

// The last term searched for, shared by every terminal view of the process
// (and by other programs where the platform has a find clipboard): the find
// bar starts from it and "find next" with the bar hidden searches for it.
namespace FindPasteboard {

QString string();
void setString(const QString& text);

} // namespace FindPasteboard
} // namespace corvel
