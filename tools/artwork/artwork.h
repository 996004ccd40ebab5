// What the parts of the artwork generator share: the palette, the main
// window's geometry (which must agree with where the program puts its browser
// view and buttons) and the drawing functions of each part.
#pragma once

#include "paint.h"

#include <string>
#include <utility>

namespace art {

// Palette -------------------------------------------------------------------

inline const Rgba kGoldLight = hex(0xfff1c2);
inline const Rgba kGold = hex(0xe2b457);
inline const Rgba kGoldMid = hex(0xb8862f);
inline const Rgba kGoldDark = hex(0x6e4a17);
inline const Rgba kInk = hex(0x07080c);
inline const Rgba kArcane = hex(0x7fe3ff);
inline const Rgba kArcaneDeep = hex(0x1e7fb8);
inline const Rgba kMoonLight = hex(0xf7efdc);
inline const Rgba kGemLight = hex(0xbff4ff);
inline const Rgba kGemDeep = hex(0x0b3f6e);

// Main window geometry --------------------------------------------------------

inline constexpr int kWinW = 1334, kWinH = 725;

// The browser view covers exactly this rectangle.
inline constexpr double kPanelX0 = 560, kPanelY0 = 177, kPanelX1 = 1191, kPanelY1 = 623;

// The frame's outer edge; its border surrounds the browser by ~30 px.
inline constexpr double kFrameX0 = kPanelX0 - 32, kFrameY0 = kPanelY0 - 30;
inline constexpr double kFrameX1 = kPanelX1 + 32, kFrameY1 = kPanelY1 + 32;
inline constexpr double kFrameMidX = (kFrameX0 + kFrameX1) / 2;

// Where the program places its window buttons (top-left corner and size).
inline constexpr double kMinX = 1173, kMinY = 137, kMinSize = 39;
inline constexpr double kCloseX = 1208, kCloseY = 115, kCloseSize = 54;

// The moon behind the figure.
inline constexpr double kMoonX = 300, kMoonY = 285, kMoonR = 205;

// Download window geometry ----------------------------------------------------

// Must agree with ui/DownloadDlg.cpp: the window's size, the half width of
// the room its title takes (the longest, 正在准备游戏运行环境…, is eleven
// characters of 12 points), the bar's size and how far inside the groove the
// fill lies.
inline constexpr int kDownloadW = 360, kDownloadH = 160;
inline constexpr double kDownloadTitleHalf = 100;
inline constexpr int kBarW = 312, kBarH = 14;
inline constexpr double kBarFillInset = 2;

// Metal and jewels (metal.cpp) ---------------------------------------------------

void gold_vertical(cairo_t* cr, double y0, double y1);
void gold_diagonal(cairo_t* cr, double x0, double y0, double x1, double y1);
void gem(cairo_t* cr, double cx, double cy, double r, Rgba light = kGemLight, Rgba deep = kGemDeep);
void gold_stroke(cairo_t* cr, const Shape& shape, double width, double y0, double y1);
void scroll_path(cairo_t* cr, double len, double curl, int dir);

// The main window's parts ---------------------------------------------------------

void draw_moon(cairo_t* cr);  // backdrop.cpp
void draw_magic_circle(cairo_t* cr);
void draw_crag(cairo_t* cr);
void draw_sparks(cairo_t* cr);

void draw_figure(cairo_t* cr);  // figure.cpp
// A point on the figure's sword: t along the blade from the fist, s across it.
std::pair<double, double> sword_point(double t, double s);
double sword_length();

void draw_frame_body(cairo_t* cr);  // frame.cpp
void draw_corners(cairo_t* cr);
void draw_edge_ornaments(cairo_t* cr);
void draw_button_seat(cairo_t* cr);
void draw_panel(cairo_t* cr);
void draw_logo(cairo_t* cr);
void draw_name_plaque(cairo_t* cr);

// The small pictures (widgets.cpp), each at `scale` pixels to the unit -------------

void make_round_button(const std::string& file, int scale, int size, bool close);
void make_text_button(const std::string& file, int scale, const char* label, bool primary);
void make_dialog_background(const std::string& file, int scale);
void make_download_background(const std::string& file, int scale);
void make_progress_track(const std::string& file, int scale);
void make_progress_fill(const std::string& file, int scale);

// The application icon (icon.cpp) -----------------------------------------------------

// A size x size picture, or the scalable one.
void make_icon(const std::string& file, int size);
void make_icon_svg(const std::string& file);

}  // namespace art
