// Where the program puts a window that places itself, and the visible part
// of a picture it centres.

#include <gtest/gtest.h>

#include "platform/AlphaShape.h"
#include "platform/WindowPlacement.h"

namespace {

// The main window's picture: 1334 x 725, visible in x 12..1280, y 26..722.
const CRect kMain{0, 0, 1334, 725};
const CRect kPicture{12, 26, 1269, 697};

bool operator==(const CRect& a, const CRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

}  // namespace

TEST(PlaceVisiblePart, CentresWhatShowsAndKeepsItsCornerOnSmallScreens) {
    struct Case {
        const char* name;
        CRect window, visible, area, expected;
    };
    const Case cases[] = {
        {"full HD", kMain, kPicture, {0, 0, 1920, 1080}, {313, 165, 1334, 725}},
        // The margin hangs off both sides; the picture itself fits.
        {"1280 x 800", kMain, kPicture, {0, 0, 1280, 800}, {-7, 25, 1334, 725}},
        {"1366 x 768 under a top panel", kMain, kPicture, {0, 28, 1366, 740}, {36, 23, 1334, 725}},
        {"a left panel narrows the area", kMain, kPicture, {48, 0, 1232, 800}, {36, 25, 1334, 725}},
        {"smaller than the picture", kMain, kPicture, {0, 30, 1024, 600}, {-12, 4, 1334, 725}},
        {"a dialog over its owner",
         {0, 0, 256, 110},
         {0, 0, 256, 110},
         {313, 165, 1334, 725},
         {852, 472, 256, 110}},
    };
    for (const Case& c : cases) {
        const CRect placed = PlaceVisiblePart(c.window, c.visible, c.area);
        EXPECT_TRUE(placed == c.expected) << c.name << ": " << placed.x << "," << placed.y << " "
                                          << placed.width << "x" << placed.height;
    }
}

TEST(VisibleBounds, HoldsEveryPixelNotFullyTransparentInUnits) {
    for (const int scale : {1, 2}) {
        CairoSurfacePtr picture(
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 40 * scale, 30 * scale));
        cairo_surface_set_device_scale(picture.get(), scale, scale);
        cairo_t* cr = cairo_create(picture.get());
        // A faint pixel counts; the second covers only half a unit at 2x.
        cairo_set_source_rgba(cr, 0, 0, 0, 0.01);
        cairo_rectangle(cr, 3, 5, 1, 1);
        cairo_fill(cr);
        cairo_set_source_rgba(cr, 1, 0, 0, 1);
        cairo_rectangle(cr, 20, 12, 10.5, 4);
        cairo_fill(cr);
        cairo_destroy(cr);
        const cairo_rectangle_int_t box = VisibleBounds(picture.get());
        EXPECT_EQ(box.x, 3) << scale;
        EXPECT_EQ(box.y, 5) << scale;
        EXPECT_EQ(box.x + box.width, 31) << scale;
        EXPECT_EQ(box.y + box.height, 16) << scale;
    }
}
