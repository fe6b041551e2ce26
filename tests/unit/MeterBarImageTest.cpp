#include <cstdlib>

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include "recorder/MeterBarImage.h"

namespace {

QColor At(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}

} // namespace

TEST(MeterBarImageTest, SizeAndColours)
{
    const QImage image = MeterBarImage::Create();
    ASSERT_EQ(image.size(), QSize(188, 27));

    for (int y : {0, 13, 26}) {
        EXPECT_EQ(At(image, 0, y), QColor(19, 190, 47));
        EXPECT_EQ(At(image, MeterBarImage::YellowColumn, y), QColor(223, 208, 25));
        EXPECT_EQ(At(image, 187, y), QColor(224, 46, 44));
    }
}

TEST(MeterBarImageTest, RunsSmoothlyFromGreenThroughYellowToRed)
{
    const QImage image = MeterBarImage::Create();
    for (int x = 1; x < image.width(); ++x) {
        const QColor left = At(image, x - 1, 0);
        const QColor right = At(image, x, 0);
        EXPECT_EQ(At(image, x, 26), right) << "column " << x;
        if (x <= MeterBarImage::YellowColumn) {
            EXPECT_GE(right.red(), left.red()) << "column " << x;
        } else {
            EXPECT_LE(right.green(), left.green()) << "column " << x;
        }
        // No visible step between neighbouring columns.
        EXPECT_LE(std::abs(right.red() - left.red()), 3) << "column " << x;
        EXPECT_LE(std::abs(right.green() - left.green()), 3) << "column " << x;
    }
}
