#include "source/sidewidget.h"
#include "tests/source/chrometestsupport.h"

#include <gtest/gtest.h>

using FrameEdgeTest = ChromeTest;

TEST_F(FrameEdgeTest, SideEdgesTileTheirImageDownwards)
{
    for (const bool left : {true, false}) {
        SideWidget side(nullptr, left, nullptr, "sideWidget");
        EXPECT_EQ(side.width(), chrome(DialogFrameLeft).width());
        side.resize(side.width(), 37); // not a multiple of the tile height
        const QImage shot = side.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage tile = chrome(left ? DialogFrameLeft : DialogFrameRight);
        for (int y = 0; y < 37; ++y)
            for (int x = 0; x < side.width(); ++x)
                EXPECT_EQ(shot.pixel(x, y), tile.pixel(x, y % tile.height())) << left << x << y;
    }
}
