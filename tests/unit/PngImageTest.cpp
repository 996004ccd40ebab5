// Built-in pictures: loading, failure results and release, and the shapes
// and colours a window takes from a picture's alpha.

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/unit/TestResources.h"
#include "ui/AlphaShape.h"
#include "ui/PngImage.h"

namespace {

constexpr int kBackground = 155;
constexpr int kEmpty = 9001;
constexpr int kBroken = 9002;
constexpr int kTiny = 9003;  // 4 × 2, see tests/res/tiny.png
constexpr int kMissing = 4242;

class PngImageTest : public testing::Test {
protected:
    void SetUp() override { RegisterTestPictures(); }
};

uint32_t PixelAt(cairo_surface_t* s, int x, int y) {
    cairo_surface_flush(s);
    const auto* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    return reinterpret_cast<const uint32_t*>(row)[x];
}

int Area(cairo_region_t* region) {
    int area = 0;
    for (int i = 0; i < cairo_region_num_rectangles(region); ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(region, i, &r);
        area += r.width * r.height;
    }
    return area;
}

}  // namespace

TEST_F(PngImageTest, ProgramPicturesHaveTheirSizes) {
    CGdiPlusPngResource background;
    ASSERT_TRUE(background.LoadFromResource(kBackground));
    EXPECT_EQ(background.m_pImage->GetWidth(), 1334);
    EXPECT_EQ(background.m_pImage->GetHeight(), 725);
    EXPECT_TRUE(background.m_hBuffer.has_value());

    const struct {
        int id, width, height;
    } strips[] = {{160, 54, 216}, {162, 39, 156}, {175, 74, 104}, {176, 74, 104}};
    for (const auto& s : strips) {
        const auto image = LoadPngImage(s.id);
        ASSERT_NE(image, nullptr) << s.id;
        EXPECT_EQ(image->GetWidth(), s.width) << s.id;
        EXPECT_EQ(image->GetHeight(), s.height) << s.id;
    }
    // The background keeps per-pixel alpha; the strips' corners are clear.
    EXPECT_EQ(cairo_image_surface_get_format(background.m_pImage->GetSurface()), CAIRO_FORMAT_ARGB32);
}

TEST_F(PngImageTest, FailedLoadsHoldNothing) {
    for (const int id : {kMissing, kEmpty, kBroken}) {
        CGdiPlusPngResource picture;
        EXPECT_FALSE(picture.LoadFromResource(id)) << id;
        EXPECT_EQ(picture.m_pImage, nullptr) << id;
        EXPECT_FALSE(picture.m_hBuffer.has_value()) << id;
    }
}

TEST_F(PngImageTest, SecondLoadReleasesTheFirstEvenWhenItFails) {
    CGdiPlusPngResource picture;
    ASSERT_TRUE(picture.LoadFromResource(kTiny));
    EXPECT_FALSE(picture.LoadFromResource(kBroken));
    EXPECT_EQ(picture.m_pImage, nullptr);
    EXPECT_FALSE(picture.m_hBuffer.has_value());
    ASSERT_TRUE(picture.LoadFromResource(kTiny));
    EXPECT_EQ(picture.m_pImage->GetWidth(), 4);
}

TEST_F(PngImageTest, LoadPngImageTellsMissingFromBroken) {
    EXPECT_EQ(LoadPngImage(kMissing), nullptr);
    for (const int id : {kEmpty, kBroken}) {
        const auto image = LoadPngImage(id);
        ASSERT_NE(image, nullptr) << id;
        EXPECT_FALSE(image->IsValid());
        EXPECT_EQ(image->GetWidth(), 0);
        EXPECT_EQ(image->GetHeight(), 0);
        EXPECT_EQ(image->GetSurface(), nullptr);
    }
}

TEST_F(PngImageTest, ShapeKeepsThePixelsOpaqueEnough) {
    const auto tiny = LoadPngImage(kTiny);
    ASSERT_TRUE(tiny && tiny->IsValid());
    // Row 0: alpha 255, 127, 51, 0. Row 1: 0, 255, 255, 0.
    cairo_region_t* any = RegionFromAlpha(tiny->GetSurface(), 1);
    EXPECT_EQ(Area(any), 5);
    EXPECT_TRUE(cairo_region_contains_point(any, 2, 0));
    EXPECT_FALSE(cairo_region_contains_point(any, 3, 0));
    EXPECT_FALSE(cairo_region_contains_point(any, 0, 1));
    cairo_region_t* half = RegionFromAlpha(tiny->GetSurface(), 128);
    EXPECT_EQ(Area(half), 3);
    EXPECT_TRUE(cairo_region_contains_point(half, 0, 0));
    EXPECT_FALSE(cairo_region_contains_point(half, 1, 0));
    cairo_region_destroy(any);
    cairo_region_destroy(half);
}

TEST_F(PngImageTest, OpaqueCopyShowsEachPixelInItsOwnColour) {
    const auto tiny = LoadPngImage(kTiny);
    ASSERT_TRUE(tiny && tiny->IsValid());
    cairo_surface_t* opaque = OpaqueCopy(tiny->GetSurface());
    EXPECT_EQ(PixelAt(opaque, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(opaque, 1, 0), 0xFF0000FFu) << "half-transparent blue is not darkened";
    EXPECT_EQ(PixelAt(opaque, 2, 0), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(opaque, 3, 0), 0x00000000u);
    cairo_surface_destroy(opaque);
}
