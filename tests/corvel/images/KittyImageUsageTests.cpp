#include "corvel/images/KittyImageUsage.h"
#include "corvel/images/KittyPlacementImage.h"
#include "corvel/model/Buffer.h"

#include <gtest/gtest.h>

#include <memory>

namespace corvel {
namespace {

class StripImage : public KittyPlacementImage {
public:
    int pixelWidth() const override { return 10; }
    int pixelHeight() const override { return 10; }
    int col() const override { return col_; }
    void setCol(int col) override { col_ = col; }

private:
    int col_ = 0;
};

class PlainImage : public TerminalImage {
public:
    int pixelWidth() const override { return 1; }
    int pixelHeight() const override { return 1; }
    int col() const override { return 0; }
    void setCol(int) override {}
};

std::shared_ptr<StripImage> strip(std::optional<uint32_t> imageId, bool isKitty = true)
{
    auto image = std::make_shared<StripImage>();
    image->kittyImageId = imageId;
    image->kittyIsKitty = isKitty;
    return image;
}

TEST(KittyImageUsage, CollectsIdsOfPlacementPicturesOnEveryLine)
{
    Buffer screen(10, 5, 8, 100);
    screen.fillViewportRows();
    KittyImageIdSet ids;
    collectUsedKittyImageIds(screen, ids);
    EXPECT_TRUE(ids.empty());

    screen.attachImage(strip(3), 0);
    screen.attachImage(std::make_shared<PlainImage>(), 2);
    screen.attachImage(strip(std::nullopt), 2);
    screen.attachImage(strip(9, false), 4); // counted whatever its Kitty flag says
    screen.attachImage(strip(3), 4);
    collectUsedKittyImageIds(screen, ids);
    EXPECT_EQ(ids, (KittyImageIdSet{3, 9}));
}

} // namespace
} // namespace corvel
