#pragma once

#include <QChar>
#include <QStringView>

namespace velmora {

// Tabs and the Unicode space separators (space, no-break space, em space...);
// line breaks are not horizontal space.
inline bool isHorizontalSpace(QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; }

// The text without horizontal space at either end.
inline QStringView trimHorizontalSpace(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isHorizontalSpace(text[begin]))
        ++begin;
    while (end > begin && isHorizontalSpace(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace velmora
