// Built-in pictures: loading, failure results and release, and the shapes
// and colours a window takes from a picture's alpha.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/AlphaShape.h"
#include "platform/Resources.h"
#include "res/ResourceIds.h"
#include "tests/unit/TestResources.h"
#include "ui/PngImage.h"

namespace {

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
    ASSERT_TRUE(background.LoadFromResource(kMainBackgroundId));
    EXPECT_EQ(background.m_pImage->GetWidth(), 1334);
    EXPECT_EQ(background.m_pImage->GetHeight(), 725);
    EXPECT_TRUE(background.m_hBuffer.has_value());

    const struct {
        int id, width, height;
    } strips[] = {{kCloseStripId, 54, 216},
                  {kMinimizeStripId, 39, 156},
                  {kConfirmStripId, 74, 104},
                  {kCancelStripId, 74, 104}};
    for (const auto& s : strips) {
        const auto image = LoadPngImage(s.id);
        ASSERT_NE(image, nullptr) << s.id;
        EXPECT_EQ(image->GetWidth(), s.width) << s.id;
        EXPECT_EQ(image->GetHeight(), s.height) << s.id;
    }
    // The background keeps per-pixel alpha; the strips' corners are clear.
    EXPECT_EQ(cairo_image_surface_get_format(background.m_pImage->GetSurface()),
              CAIRO_FORMAT_ARGB32);
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
    const CairoRegionPtr any = RegionFromAlpha(tiny->GetSurface(), 1);
    EXPECT_EQ(Area(any.get()), 5);
    EXPECT_TRUE(cairo_region_contains_point(any.get(), 2, 0));
    EXPECT_FALSE(cairo_region_contains_point(any.get(), 3, 0));
    EXPECT_FALSE(cairo_region_contains_point(any.get(), 0, 1));
    const CairoRegionPtr half = RegionFromAlpha(tiny->GetSurface(), 128);
    EXPECT_EQ(Area(half.get()), 3);
    EXPECT_TRUE(cairo_region_contains_point(half.get(), 0, 0));
    EXPECT_FALSE(cairo_region_contains_point(half.get(), 1, 0));
}

TEST_F(PngImageTest, OpaqueCopyShowsEachPixelInItsOwnColour) {
    const auto tiny = LoadPngImage(kTiny);
    ASSERT_TRUE(tiny && tiny->IsValid());
    const CairoSurfacePtr opaque = OpaqueCopy(tiny->GetSurface());
    EXPECT_EQ(PixelAt(opaque.get(), 0, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(opaque.get(), 1, 0), 0xFF0000FFu) << "half-transparent blue is not darkened";
    EXPECT_EQ(PixelAt(opaque.get(), 2, 0), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(opaque.get(), 3, 0), 0x00000000u);
}

// Pictures for desktops that scale windows: which one a window gets, and the
// shapes cut from it in screen pixels.

namespace {

// The rectangles of a region scaled up by `factor`: what GTK's shapes, in a
// window's own pixels, make of it on the screen.
CairoRegionPtr Blocky(const cairo_region_t* region, int factor) {
    CairoRegionPtr scaled(cairo_region_create());
    for (int i = 0; i < cairo_region_num_rectangles(region); ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(region, i, &r);
        const cairo_rectangle_int_t big{r.x * factor, r.y * factor, r.width * factor,
                                        r.height * factor};
        cairo_region_union_rectangle(scaled.get(), &big);
    }
    return scaled;
}

// The pixels of rows [y, y + height) of a picture, as a picture of their own.
CairoSurfacePtr Rows(cairo_surface_t* picture, int y, int height) {
    const int stride = cairo_image_surface_get_stride(picture);
    return CairoSurfacePtr(cairo_image_surface_create_for_data(
        cairo_image_surface_get_data(picture) + y * stride, CAIRO_FORMAT_ARGB32,
        cairo_image_surface_get_width(picture), height, stride));
}

// What a window at `scale` covers of `part` of a picture, in screen pixels.
CairoRegionPtr ShapeAt(cairo_surface_t* picture, const cairo_rectangle_int_t& part, int scale,
                       int minAlpha) {
    return RegionFromAlpha(CopyAtScale(picture, part, scale).get(), minAlpha);
}

}  // namespace

TEST(PictureScales, AWindowTakesItsOwnScaleThenLargerThenSmaller) {
    const struct {
        int window;
        std::vector<int> tried;
    } cases[] = {{1, {1, 2}}, {2, {2, 1}}, {3, {2, 1}}, {4, {2, 1}}, {0, {1, 2}}};
    for (const auto& c : cases) {
        EXPECT_EQ(PictureScalesFor(c.window), c.tried) << c.window;
    }
}

TEST(PictureScales, EachScaleHasItsOwnName) {
    const struct {
        int id;
        ResourceType type;
        int scale;
        const char* path;
    } cases[] = {
        {kMainBackgroundId, ResourceType::Png, 1, "/tharnvale/png/155"},
        {kMainBackgroundId, ResourceType::Png, 2, "/tharnvale/png/155@2x"},
        {kConfirmBackgroundId, ResourceType::Bitmap, 2, "/tharnvale/bitmap/177@2x"},
        {kAppIconId, ResourceType::Icon, 2, "/tharnvale/icon/128@2x"},
        {kMainDialogId, ResourceType::Dialog, 1, "/tharnvale/dialog/102"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResourcePath(c.id, c.type, c.scale), c.path);
    }
}

TEST_F(PngImageTest, EveryProgramPictureHasATwiceAsFineForm) {
    for (const int id : {kMainBackgroundId, kCloseStripId, kMinimizeStripId, kConfirmStripId,
                         kCancelStripId, kDownloadFaceId, kProgressTrackId, kProgressFillId}) {
        const auto one = LoadPngImage(id, 1);
        const auto two = LoadPngImage(id, 2);
        ASSERT_TRUE(one && one->IsValid() && two && two->IsValid()) << id;
        EXPECT_EQ(one->GetScale(), 1) << id;
        EXPECT_EQ(two->GetScale(), 2) << id;
        // The same size in units, twice the pixels each way.
        EXPECT_EQ(two->GetWidth(), one->GetWidth()) << id;
        EXPECT_EQ(two->GetHeight(), one->GetHeight()) << id;
        EXPECT_EQ(cairo_image_surface_get_width(two->GetSurface()), 2 * one->GetWidth()) << id;
        EXPECT_EQ(cairo_image_surface_get_height(two->GetSurface()), 2 * one->GetHeight()) << id;
        EXPECT_EQ(ScaleOf(two->GetSurface()), 2) << id;
    }
    CGdiPlusPngResource background;
    ASSERT_TRUE(background.LoadFromResource(kMainBackgroundId, 2));
    EXPECT_EQ(background.m_pImage->GetScale(), 2);
    EXPECT_EQ(background.m_pImage->GetWidth(), 1334);
    // The quit dialog's bitmap has its 2x form as a PNG; the icon has one.
    const auto face = LoadPngImage(kConfirmBackgroundId, 2, ResourceType::Bitmap);
    ASSERT_TRUE(face && face->IsValid());
    EXPECT_EQ(face->GetScale(), 2);
    EXPECT_EQ(face->GetWidth(), 256);
    EXPECT_EQ(face->GetHeight(), 110);
    EXPECT_TRUE(FindResource(kAppIconId, ResourceType::Icon, 2).has_value());
}

TEST_F(PngImageTest, APictureWithoutA2xFormServesAWindowAt2) {
    const auto tiny = LoadPngImage(kTiny, 2);
    ASSERT_TRUE(tiny && tiny->IsValid());
    EXPECT_EQ(tiny->GetScale(), 1);
    EXPECT_EQ(tiny->GetWidth(), 4);
    CGdiPlusPngResource picture;
    ASSERT_TRUE(picture.LoadFromResource(kTiny, 2));
    EXPECT_EQ(picture.m_pImage->GetScale(), 1);
    // Broken or missing at every scale: the same results as at 1x.
    EXPECT_FALSE(picture.LoadFromResource(kBroken, 2));
    EXPECT_EQ(picture.m_pImage, nullptr);
    EXPECT_EQ(LoadPngImage(kMissing, 2), nullptr);
    const auto broken = LoadPngImage(kBroken, 2);
    ASSERT_NE(broken, nullptr);
    EXPECT_FALSE(broken->IsValid());
}

TEST_F(PngImageTest, A2xPictureIsCutAtEachOfItsOwnPixels) {
    const auto strip = LoadPngImage(kCloseStripId, 2);
    ASSERT_TRUE(strip && strip->IsValid());
    // The hover face, the second of four 54-unit cells: 108 pixels each at 2x.
    const cairo_rectangle_int_t hover{0, 54, 54, 54};
    const CairoRegionPtr shape = ShapeAt(strip->GetSurface(), hover, 2, 1);
    const CairoSurfacePtr rows = Rows(strip->GetSurface(), 108, 108);
    const CairoRegionPtr pixels = RegionFromAlpha(rows.get(), 1);
    EXPECT_TRUE(cairo_region_equal(shape.get(), pixels.get()));
    // Drawn for the window pixel for pixel, too.
    const CairoSurfacePtr face = CopyAtScale(strip->GetSurface(), hover, 2);
    EXPECT_EQ(PixelAt(face.get(), 54, 60), PixelAt(rows.get(), 54, 60));
    EXPECT_EQ(PixelAt(face.get(), 20, 90), PixelAt(rows.get(), 20, 90));

    // Finer than the 1x face's shape blown up, which GTK's shapes would give.
    const auto coarse = LoadPngImage(kCloseStripId, 1);
    const CairoRegionPtr coarseShape = ShapeAt(coarse->GetSurface(), hover, 1, 1);
    const CairoRegionPtr blocky = Blocky(coarseShape.get(), 2);
    EXPECT_FALSE(cairo_region_equal(shape.get(), blocky.get()));
    cairo_rectangle_int_t extents;
    cairo_region_get_extents(shape.get(), &extents);
    EXPECT_LE(extents.width, 108);
    EXPECT_LE(extents.height, 108);
    EXPECT_GT(Area(shape.get()), Area(blocky.get()) * 9 / 10);
    EXPECT_LT(Area(shape.get()), Area(blocky.get()) * 11 / 10);
}

TEST_F(PngImageTest, A1xPictureIsEnlargedSmoothlyForAWindowAt2) {
    const auto tiny = LoadPngImage(kTiny);
    ASSERT_TRUE(tiny && tiny->IsValid());
    const CairoSurfacePtr same = CopyAtScale(tiny->GetSurface(), 1);
    EXPECT_EQ(same.get(), tiny->GetSurface());

    const CairoSurfacePtr big = CopyAtScale(tiny->GetSurface(), 2);
    EXPECT_EQ(cairo_image_surface_get_width(big.get()), 8);
    EXPECT_EQ(cairo_image_surface_get_height(big.get()), 4);
    EXPECT_EQ(ScaleOf(big.get()), 2);
    // Row 0: alpha 255, 127, 51, 0. Row 1: 0, 255, 255, 0. The opaque red
    // corner stays opaque, not faded by the nothing beyond the picture's
    // edge; the clear right column stays clear; from the half-clear blue
    // down to the clear pixel below it, alpha falls in steps finer than a
    // 2 × 2 block.
    EXPECT_EQ(PixelAt(big.get(), 0, 0) >> 24, 255u);
    EXPECT_EQ(PixelAt(big.get(), 7, 3) >> 24, 0u);
    const uint32_t fall[] = {PixelAt(big.get(), 2, 0) >> 24, PixelAt(big.get(), 2, 1) >> 24,
                             PixelAt(big.get(), 2, 2) >> 24, PixelAt(big.get(), 2, 3) >> 24};
    EXPECT_NE(fall[0], fall[1]);
    EXPECT_NE(fall[2], fall[3]);

    // A part resampled alone takes nothing from beyond it: the second row
    // holds no trace of the first.
    const auto secondRow = CopyAtScale(tiny->GetSurface(), {0, 1, 4, 1}, 2);
    EXPECT_EQ(PixelAt(secondRow.get(), 0, 0) >> 24, 0u);
    EXPECT_EQ(PixelAt(secondRow.get(), 3, 0), PixelAt(secondRow.get(), 3, 1));

    // The opaque copy of a 2x picture is a 2x picture too.
    const CairoSurfacePtr opaque = OpaqueCopy(big.get());
    EXPECT_EQ(ScaleOf(opaque.get()), 2);
    EXPECT_EQ(cairo_image_surface_get_width(opaque.get()), 8);
}
