#include "corvel/images/SixelDcsHandler.h"

#include <algorithm>

namespace corvel {

SixelDcsHandler::SixelDcsHandler(SixelHost& host, size_t maximumDataBytes, int maximumSide)
    : host_(host), maximumDataBytes_(maximumDataBytes), maximumSide_(maximumSide)
{
}

void SixelDcsHandler::hook(const Intermediates&, const SequenceParams&, uint8_t)
{
    // A string abandoned before its end gets no unhook; let its data go here.
    data_.clear();
    data_.shrink_to_fit();
}

void SixelDcsHandler::put(std::span<const uint8_t> data)
{
    const size_t room = maximumDataBytes_ - std::min(maximumDataBytes_, data_.size());
    const size_t taken = std::min(room, data.size());
    data_.insert(data_.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(taken));
}

void SixelDcsHandler::unhook()
{
    SixelImage image = SixelDecoder(host_, maximumSide_).decode(data_);
    data_.clear();
    data_.shrink_to_fit();
    host_.createImageFromBitmap(std::move(image.pixels), image.width, image.height);
}

} // namespace corvel
