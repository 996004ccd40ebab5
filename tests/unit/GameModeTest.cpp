// The game mode: when the environment says the program runs in it, and the
// backdrop the screen-sized window shows around the picture.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "platform/Backdrop.h"
#include "platform/GameMode.h"
#include "ui/PngImage.h"

TEST(GameMode, DecidedByTheEnvironment) {
    struct Case {
        const char* forced;
        const char* desktops;
        const char* gamescopeDisplay;
        bool gameMode;
    } cases[] = {
        {nullptr, nullptr, nullptr, false},
        {nullptr, "gamescope", nullptr, true},
        {nullptr, "KDE:gamescope", nullptr, true},
        {nullptr, "gamescope-session", nullptr, false},  // a name, not a list's member
        {nullptr, "GNOME", nullptr, false},
        {nullptr, nullptr, "gamescope-0", true},
        {nullptr, nullptr, "", false},
        {"0", "gamescope", "gamescope-0", false},  // the player's word holds
        {"1", "GNOME", nullptr, true},
        {"yes", "GNOME", nullptr, false},  // neither 1 nor 0: not a word
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GameModeFromEnvironment(c.forced, c.desktops, c.gamescopeDisplay), c.gameMode)
            << (c.forced ? c.forced : "-") << " " << (c.desktops ? c.desktops : "-") << " "
            << (c.gamescopeDisplay ? c.gamescopeDisplay : "-");
    }
}

// Every pixel of the backdrop is opaque and none is black, at both scales,
// around the launcher's picture whose margin is transparent.
TEST(GameMode, BackdropIsOpaqueAndNeverBlack) {
    for (const int scale : {1, 2}) {
        const std::unique_ptr<CPngImage> picture = LoadPngImage(155, scale);
        ASSERT_TRUE(picture && picture->IsValid());
        const CairoSurfacePtr backdrop = MakeBackdrop(picture->GetSurface(), 1280, 800, scale);
        ASSERT_EQ(cairo_image_surface_get_width(backdrop.get()), 1280 * scale);
        ASSERT_EQ(cairo_image_surface_get_height(backdrop.get()), 800 * scale);
        EXPECT_EQ(cairo_image_surface_get_format(backdrop.get()), CAIRO_FORMAT_RGB24);
        cairo_surface_flush(backdrop.get());
        int black = 0;
        for (int y = 0; y < 800 * scale; y += 7) {
            const auto* row = reinterpret_cast<const uint32_t*>(
                cairo_image_surface_get_data(backdrop.get()) +
                ptrdiff_t(y) * cairo_image_surface_get_stride(backdrop.get()));
            for (int x = 0; x < 1280 * scale; x += 7) {
                black += (row[x] & 0xffffff) == 0;
            }
        }
        EXPECT_EQ(black, 0) << "at scale " << scale;
    }
}
