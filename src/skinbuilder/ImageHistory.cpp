#include "skinbuilder/ImageHistory.h"

namespace velmora {

void ImageHistory::push(ImageSnapshot snapshot)
{
    if (m_maxDepth == 0)
        return;
    if (m_stack.size() >= m_maxDepth)
        m_stack.erase(m_stack.begin(), m_stack.begin() + std::ptrdiff_t(m_stack.size() - m_maxDepth + 1));
    m_stack.push_back(std::move(snapshot));
}

std::optional<ImageSnapshot> ImageHistory::pop()
{
    if (m_stack.empty())
        return std::nullopt;
    ImageSnapshot newest = std::move(m_stack.back());
    m_stack.pop_back();
    return newest;
}

} // namespace velmora
