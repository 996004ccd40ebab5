// Generates the launcher's built-in pictures into the directory given as the
// only argument (res/ when run by make-artwork.sh):
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
void make_background(const std::string& dir) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWinW, kWinH);
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
    write_png(s, dir + "/155-background.png");
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
        make_background(dir);
        art::make_round_button(dir + "/160-close.png", 54, true);
        art::make_round_button(dir + "/162-minimise.png", 39, false);
        art::make_text_button(dir + "/175-confirm.png", "确定", true);
        art::make_text_button(dir + "/176-cancel.png", "取消", false);
        art::make_dialog_background(dir + "/177-confirm-background.bmp");
        art::make_download_background(dir + "/181-download-background.png");
        art::make_progress_track(dir + "/182-progress-track.png");
        art::make_progress_fill(dir + "/183-progress-fill.png");
        art::make_icon(dir + "/128-icon.png", 64);
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
