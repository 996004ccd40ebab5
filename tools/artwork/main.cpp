// Generates the launcher's built-in pictures into the directory given as the
// only argument (res/ when run by make-artwork.sh), in units of one pixel:
//
//   155-background.png          the shaped main window: key art, logo and frame
//   160-close.png               close button, four 54x54 faces stacked
//   162-minimise.png            minimise button, four 39x39 faces stacked
//   175-confirm.png             "确定" button, four 74x26 faces stacked
//   176-cancel.png              "取消" button, four 74x26 faces stacked
//   177-confirm-background.bmp  the quit dialog's background (24-bit, no alpha)
//   181-download-background.png the download window's face, 360x160, opaque
//   182-progress-track.png      the download bar's empty groove, 312x14
//   183-progress-fill.png       what fills the groove as the file arrives
//   128-icon.png                64x64 application icon, for the window
//   icons/icon-<n>.png          the desktop's icons, n x n for the sizes of
//                               kIconSizes
//   icons/icon.svg              the desktop's scalable icon
//
// and each again at two pixels to the unit, for screens that scale windows by
// two, named with "@2x" before the extension (155-background@2x.png, ...);
// the quit dialog's 2x background is a PNG, 177-confirm-background@2x.png.
//
// The pictures are drawn from code so they can be rebuilt exactly and changed
// in review like any other source.

#include "artwork.h"

#include <filesystem>
#include <iostream>

namespace {

using namespace art;

// The sizes of the hicolor icon theme's folders that desktops look in most.
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// Back to front. The panel comes last so that the browser's rectangle is
// fully opaque whatever was drawn near it.
void make_background(const std::string& file, int scale) {
    cairo_surface_t* s = new_picture(CAIRO_FORMAT_ARGB32, kWinW, kWinH, scale);
    cairo_t* cr = cairo_create(s);
    draw_moon(cr);
    draw_magic_circle(cr);
    draw_frame_body(cr);
    draw_corners(cr);
    draw_edge_ornaments(cr);
    draw_figure(cr);
    draw_crag(cr);
    draw_logo(cr);
    draw_name_plaque(cr);
    draw_button_seat(cr);
    draw_sparks(cr);
    draw_panel(cr);
    cairo_destroy(cr);
    write_png(s, file);
    cairo_surface_destroy(s);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " OUTPUT_DIR\n";
        return 2;
    }
    const std::string dir = argv[1];
    try {
        for (const int scale : {1, 2}) {
            // "name" becomes dir/name.png at 1x and dir/name@2x.png at 2x.
            const std::string at = scale == 1 ? "" : "@" + std::to_string(scale) + "x";
            auto png = [&](const char* name) { return dir + "/" + name + at + ".png"; };
            make_background(png("155-background"), scale);
            art::make_round_button(png("160-close"), scale, 54, true);
            art::make_round_button(png("162-minimise"), scale, 39, false);
            art::make_text_button(png("175-confirm"), scale, "确定", true);
            art::make_text_button(png("176-cancel"), scale, "取消", false);
            art::make_dialog_background(
                scale == 1 ? dir + "/177-confirm-background.bmp" : png("177-confirm-background"),
                scale);
            art::make_download_background(png("181-download-background"), scale);
            art::make_progress_track(png("182-progress-track"), scale);
            art::make_progress_fill(png("183-progress-fill"), scale);
            art::make_icon(png("128-icon"), 64 * scale);
        }
        std::filesystem::create_directories(dir + "/icons");
        for (const int size : kIconSizes)
            art::make_icon(dir + "/icons/icon-" + std::to_string(size) + ".png", size);
        art::make_icon_svg(dir + "/icons/icon.svg");
    } catch (const std::exception& e) {
        std::cerr << "artwork: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
