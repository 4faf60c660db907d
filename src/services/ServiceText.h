#pragma once

#include <QString>

namespace velmora::ServiceText {

// The text without its bidirectional formatting characters: the embeddings
// and overrides (U+202A to U+202E), the isolates (U+2066 to U+2069) and the
// marks (U+200E, U+200F, U+061C). Every text the web service sends goes
// through here as it is read, so that none of it can turn the text shown
// around it backwards; the letters themselves keep their own direction.
QString withoutBidiControls(QString text);

} // namespace velmora::ServiceText
