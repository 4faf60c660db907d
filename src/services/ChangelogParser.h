#pragma once

#include <QString>
#include <QStringList>

namespace velmora {

// The release notes that ship with the application ("Resources/CHANGELOG.md"
// in the resource folder), shown under "What's New" when the web service has
// none. The file lists releases newest first, each under a "## " title, with
// "- " bullets.
namespace ChangelogParser {

// The bullets of the first "## " section whose title does not say
// "unreleased" (in any case), in file order: each without its "- ", its "**"
// markers and the horizontal space around it; empty bullets are dropped.
// Bullets under "###" subheadings belong to their section. The section ends
// at the next "## " title, whatever it says. Lines end at LF or CRLF; other
// lines (prose, "# " titles, "* " bullets) are ignored. Never fails.
QStringList parse(const QString& text);

// parse() of the resource folder's release notes, read on every call; empty
// when the file is missing, unreadable or not UTF-8.
QStringList bundledNotes();

} // namespace ChangelogParser
} // namespace velmora
