// The key art: a knight-sorceress in profile, backlit by the moon, her hair
// and cloak streaming in the wind, raising a glowing sword towards the frame
// and holding a spell in her other hand.
//
// Each part is drawn the same way: a dark metal or cloth fill, form shading,
// gold trim, then rim lights: cold from the moon behind, blue from the blade
// in front. Outlines are hand-placed curves in window pixels.

#include "artwork.h"

#include <algorithm>
#include <vector>

namespace art {

namespace {

// Sword: from the fist towards the tip.
constexpr double kHandX = 462, kHandY = 322;
constexpr double kTipX = 562, kTipY = 56;

// A tapered band along a cubic curve (see ribbon()).
struct Band {
    double x0, y0, x1, y1, x2, y2, x3, y3, w0, w1, bulge;
};

Shape band(Band b) {
    return [b](cairo_t* cr) {
        ribbon(cr, b.x0, b.y0, b.x1, b.y1, b.x2, b.y2, b.x3, b.y3, b.w0, b.w1, b.bulge);
    };
}

// Outlines --------------------------------------------------------------------

// The cloak billows left from the shoulders; its free edge ripples.
#define CLOAK_EDGE                                                            \
    "C 214 222 140 236 84 276 C 60 294 40 300 22 300 C 44 320 52 340 50 362 " \
    "C 48 390 60 410 64 440 C 68 470 60 500 70 530 C 80 570 110 600 150 630 " \
    "C 160 650 160 670 158 692 "
const char* kCloak =
    "M 272 226 " CLOAK_EDGE
    "C 240 700 330 706 420 694 C 450 640 470 560 462 500 C 452 440 430 380 412 330 "
    "C 404 290 400 260 394 230 Z";
// The corner that the wind turns over, showing the crimson lining.
const char* kCloakFlap =
    "M 84 276 C 60 294 40 300 22 300 C 44 320 52 340 50 362 C 64 330 84 300 84 276 Z";
// The free edge alone, where the lining shows along the hem.
const char* kCloakEdge = "M 272 226 " CLOAK_EDGE;
#undef CLOAK_EDGE

const char* kRobe =
    "M 292 404 L 394 400 C 404 440 414 500 420 560 C 426 610 432 660 440 704 L 222 706 "
    "C 228 650 236 600 244 560 C 252 500 268 450 292 404 Z";

const char* kFrontLeg =
    "M 380 444 C 402 458 422 496 428 540 C 432 580 438 640 446 704 L 410 706 "
    "C 406 654 402 612 398 584 C 390 546 380 500 380 444 Z";

const char* kKnee =
    "M 404 530 C 412 522 426 524 431 534 C 433 546 428 556 419 562 C 411 557 405 549 403 540 Z";

const char* kTorso =
    "M 268 232 C 300 218 370 216 404 230 C 410 262 404 292 392 318 C 384 336 378 350 378 366 "
    "C 382 380 388 392 392 404 L 290 410 C 292 390 296 375 298 360 C 292 330 280 300 272 275 "
    "C 266 258 264 244 268 232 Z";

const char* kTassets =
    "M 286 396 L 396 392 C 404 410 412 430 418 452 C 398 460 380 462 364 458 "
    "C 350 470 330 474 310 470 C 296 466 284 462 276 456 C 280 436 282 414 286 396 Z";

const char* kTabard =
    "M 326 404 L 380 402 C 386 460 380 520 370 580 C 360 622 340 654 310 684 "
    "C 316 642 318 600 316 560 C 314 500 318 450 326 404 Z";

const char* kCollar =
    "M 304 204 C 322 212 350 212 372 202 C 384 210 394 220 400 232 C 366 248 300 250 262 238 "
    "C 274 224 288 212 304 204 Z";

// Head in profile, facing right: forehead, nose, lips, chin, throat, nape.
const char* kHead =
    "M 336 118 C 350 120 358 130 358 142 C 359 148 360 151 362 154 C 365 160 368 164 369 167 "
    "C 367 169 364 170 362 170 C 363 173 364 175 363 177 C 361 178 361 179 362 181 "
    "C 362 184 360 186 358 187 C 359 190 358 193 354 196 C 348 199 340 199 334 196 "
    "L 338 214 L 312 218 C 312 208 308 198 304 190 C 296 178 294 160 298 146 "
    "C 304 128 318 118 336 118 Z";

const char* kHairCap =
    "M 338 112 C 358 114 368 128 364 148 C 356 140 348 136 342 136 C 334 150 326 170 320 202 "
    "C 306 198 294 182 292 160 C 290 134 310 110 338 112 Z";

const char* kFrontPauldron =
    "M 352 226 C 370 204 414 202 432 224 C 440 238 438 254 430 262 C 412 254 386 252 366 258 "
    "C 356 248 350 238 352 226 Z";

const char* kFrontPauldronLame =
    "M 366 254 C 388 248 414 250 432 258 C 434 270 430 280 424 288 C 408 280 388 278 372 282 "
    "C 368 274 366 264 366 254 Z";

const char* kBackPauldron =
    "M 244 240 C 250 222 274 214 292 226 C 294 240 290 254 282 264 C 268 262 256 262 244 264 "
    "C 240 256 240 248 244 240 Z";

const char* kFist =
    "M 448 306 C 460 300 474 304 476 316 C 478 328 474 340 462 342 C 452 343 446 336 446 324 "
    "C 445 316 445 310 448 306 Z";

// Limbs as tapered bands.
const Band kBackUpperArm = {274, 246, 266, 276, 254, 304, 242, 332, 30, 22, 0.1};
const Band kBackForearm = {242, 328, 232, 352, 214, 380, 200, 402, 22, 16, 0.1};
const Band kFrontUpperArm = {400, 250, 410, 272, 416, 296, 418, 320, 32, 24, 0.1};
const Band kFrontForearm = {412, 322, 428, 324, 440, 324, 454, 322, 24, 20, 0.05};

// Painting helpers --------------------------------------------------------------

void rims(cairo_t* cr, const Shape& s, double moon = 1.0, double blade = 1.0) {
    // Moonlight from behind and above-left.
    if (moon > 0)
        rim_light(cr, s, hex(0xe6efff), 3.5, 2.5, 1, std::min(1.0, 0.85 * moon));
    // Blade light from the right.
    if (blade > 0)
        rim_light(cr, s, kArcane, -3, 1.5, 1, std::min(1.0, 0.75 * blade));
}

// Dark steel with a soft highlight where the blade's light falls.
void steel(cairo_t* cr, const Shape& s, double y0, double y1, double hx, double hy, double hr,
           double shine = 0.6) {
    cairo_new_path(cr);
    s(cr);
    linear(cr, 0, y0, 0, y1, {{0.0, hex(0x2b3548)}, {1.0, hex(0x0c1018)}});
    cairo_fill(cr);
    inside(cr, s, [&] {
        radial(cr, hx, hy, hr,
               {{0.0, hex(0x9cb4d6, shine)},
                {0.5, hex(0x4a5a78, shine * 0.5)},
                {1.0, hex(0x4a5a78, 0.0)}});
        cairo_paint(cr);
    });
}

void trim(cairo_t* cr, const Shape& s, double width, double y0, double y1) {
    cairo_save(cr);
    cairo_new_path(cr);
    s(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, width + 2.4);
    set(cr, hex(0x0a0703));
    cairo_stroke_preserve(cr);
    cairo_set_line_width(cr, width);
    gold_vertical(cr, y0, y1);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// Parts, back to front ----------------------------------------------------------------

void draw_cloak(cairo_t* cr) {
    Shape cloak = path(kCloak);
    cairo_new_path(cr);
    cloak(cr);
    linear(cr, 60, 260, 420, 640,
           {{0.0, hex(0x1e2a46)}, {0.5, hex(0x111829)}, {1.0, hex(0x080b13)}});
    cairo_fill(cr);
    inside(cr, cloak, [&] {
        // Folds: long darker and lighter streaks following the wind.
        const char* folds[] = {
            "M 250 250 C 200 270 140 300 70 330",  "M 250 290 C 200 330 130 370 60 410",
            "M 250 330 C 210 380 140 440 70 490",  "M 260 380 C 220 440 160 510 100 570",
            "M 300 420 C 280 520 270 600 262 700", "M 380 330 C 400 430 420 520 440 690",
            "M 240 440 C 220 520 200 600 180 680",
        };
        Layer l(cr);
        cairo_set_line_cap(l.cr(), CAIRO_LINE_CAP_ROUND);
        for (const char* f : folds) {
            svg_path(l.cr(), f);
            cairo_set_line_width(l.cr(), 16);
            set(l.cr(), hex(0x000000, 0.5));
            cairo_stroke(l.cr());
            cairo_save(l.cr());
            cairo_translate(l.cr(), -4, -10);
            svg_path(l.cr(), f);
            cairo_restore(l.cr());
            cairo_set_line_width(l.cr(), 5);
            set(l.cr(), hex(0x5a6f9a, 0.35));
            cairo_stroke(l.cr());
        }
        l.blur(4);
        l.paint_onto(cr);
        // Crimson lining showing along the flying edge.
        Layer lining(cr);
        svg_path(lining.cr(), kCloakEdge);
        cairo_set_line_width(lining.cr(), 12);
        cairo_set_line_join(lining.cr(), CAIRO_LINE_JOIN_ROUND);
        linear(lining.cr(), 40, 290, 180, 600,
               {{0.0, hex(0x9a2430)}, {0.6, hex(0x5a0e1a)}, {1.0, hex(0x2a060c)}});
        cairo_stroke(lining.cr());
        lining.blur(1);
        lining.paint_onto(cr);
    });
    Shape flap = path(kCloakFlap);
    cairo_new_path(cr);
    flap(cr);
    linear(cr, 20, 280, 80, 360, {{0.0, hex(0xa82a36)}, {1.0, hex(0x3a0810)}});
    cairo_fill(cr);
    rims(cr, cloak, 1.0, 0.0);
    rim_light(cr, flap, hex(0xffb0a0), 2, 2, 1, 0.6);
    // Gold hem along the flying edge.
    cairo_save(cr);
    cairo_new_path(cr);
    svg_path(cr, kCloakEdge);
    cairo_set_line_width(cr, 2.2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    set(cr, with_alpha(kGold, 0.9));
    cairo_stroke(cr);
    cairo_restore(cr);
}

// Locks of hair streaming left from the back of the head: rooted around the
// skull from crown to nape, flying out in S-curves, the crown's on top.
std::vector<Band> hair_locks(int n, double w_min, double w_max, uint64_t seed) {
    Rng rng(seed);
    std::vector<Band> locks;
    const double cx = 330, cy = 158, r = 30;
    for (int i = 0; i < n; ++i) {
        double t = std::clamp((i + rng.range(-0.3, 0.3)) / (n - 1), 0.0, 1.0);
        double a = -kPi * (0.53 + 0.72 * t);
        double x0 = cx + r * std::cos(a), y0 = cy + r * std::sin(a);
        double len = rng.range(150, 230) * (1.15 - 0.45 * t);
        double x3 = x0 - len, y3 = 118 + t * 190 + rng.range(-14, 14);
        double wave = rng.range(10, 24) * (i % 2 ? 1 : -1);
        locks.push_back({x0, y0, x0 - len * 0.35, y0 + (y3 - y0) * 0.2 + wave, x0 - len * 0.7,
                         y0 + (y3 - y0) * 0.8 - wave, x3, y3, rng.range(w_min, w_max), 0,
                         rng.range(0.1, 0.35)});
    }
    std::reverse(locks.begin(), locks.end());
    return locks;
}

void draw_hair(cairo_t* cr) {
    for (const Band& b : hair_locks(15, 16, 28, 5)) {
        Shape lock = band(b);
        cairo_new_path(cr);
        lock(cr);
        linear(cr, b.x0, b.y0, b.x3, b.y3,
               {{0.0, hex(0x2a1014)}, {0.6, hex(0x3e161c)}, {1.0, hex(0x5a2228)}});
        cairo_fill(cr);
        inside(cr, lock, [&] {
            // A glossy strand along each lock.
            cairo_new_path(cr);
            ribbon(cr, b.x0, b.y0 - 3, b.x1, b.y1 - 4, b.x2, b.y2 - 4, b.x3, b.y3 - 2, b.w0 * 0.25,
                   0, 0.3);
            set(cr, hex(0xb06a60, 0.35));
            cairo_fill(cr);
        });
        rims(cr, lock, 1.1, 0.0);
    }
    // Fine loose strands over the locks.
    for (const Band& b : hair_locks(9, 2.5, 4.5, 17)) {
        cairo_new_path(cr);
        ribbon(cr, b.x0, b.y0, b.x1, b.y1, b.x2, b.y2, b.x3 - 10, b.y3, b.w0, 0, 0);
        set(cr, hex(0x6a2a2e, 0.9));
        cairo_fill(cr);
    }
}

void draw_robe(cairo_t* cr) {
    Shape robe = path(kRobe);
    cairo_new_path(cr);
    robe(cr);
    linear(cr, 0, 400, 0, 700, {{0.0, hex(0x1a2338)}, {1.0, hex(0x080b12)}});
    cairo_fill(cr);
    inside(cr, robe, [&] {
        Layer l(cr);
        cairo_set_line_cap(l.cr(), CAIRO_LINE_CAP_ROUND);
        const char* folds[] = {
            "M 300 420 C 290 500 270 580 250 700", "M 340 420 C 340 520 336 600 330 700",
            "M 380 420 C 390 520 400 600 410 700", "M 270 440 C 250 480 230 520 210 560"};
        for (const char* f : folds) {
            svg_path(l.cr(), f);
            cairo_set_line_width(l.cr(), 10);
            set(l.cr(), hex(0x000000, 0.55));
            cairo_stroke(l.cr());
            cairo_save(l.cr());
            cairo_translate(l.cr(), 7, 0);
            svg_path(l.cr(), f);
            cairo_restore(l.cr());
            cairo_set_line_width(l.cr(), 3);
            set(l.cr(), hex(0x6a80aa, 0.3));
            cairo_stroke(l.cr());
        }
        l.blur(3);
        l.paint_onto(cr);
    });
    rims(cr, robe, 0.8, 0.7);
}

void draw_front_leg(cairo_t* cr) {
    Shape leg = path(kFrontLeg);
    steel(cr, leg, 492, 704, 432, 548, 40, 0.7);
    // Knee cop with a gold edge.
    Shape knee = path(kKnee);
    steel(cr, knee, 520, 564, 426, 530, 16, 0.9);
    trim(cr, knee, 1.3, 520, 564);
    // Ridge down the greave.
    cairo_new_path(cr);
    svg_path(cr, "M 421 566 C 425 600 428 650 432 704");
    cairo_set_line_width(cr, 1.6);
    set(cr, hex(0x9fb6d6, 0.5));
    cairo_stroke(cr);
    rims(cr, leg, 0.6, 1.0);
}

void draw_back_arm(cairo_t* cr) {
    Shape upper = band(kBackUpperArm), fore = band(kBackForearm);
    steel(cr, upper, 240, 340, 270, 260, 30, 0.6);
    rims(cr, upper, 1.6, 0.2);
    steel(cr, fore, 320, 404, 230, 340, 24, 0.6);
    trim(cr, path("M 226 344 C 234 350 240 356 244 364"), 1.6, 340, 364);
    rims(cr, fore, 1.6, 0.3);
    // Open hand, lit from below by the spell it holds.
    Shape hand = path("M 190 396 C 182 404 180 416 186 422 C 194 426 206 420 212 410 L 210 400 Z");
    fill(cr, hand, hex(0x2b2622));
    rim_light(cr, hand, kArcane, -1.5, -2, 1, 0.9);
}

void draw_spell(cairo_t* cr) {
    const double x = 182, y = 432;
    glow(
        cr, [&](cairo_t* c) { circle(c, x, y, 18); }, kArcaneDeep, 14, 1.0);
    glow(
        cr, [&](cairo_t* c) { circle(c, x, y, 9); }, kArcane, 6, 1.0);
    radial(cr, x, y, 10,
           {{0.0, hex(0xffffff)}, {0.5, hex(0xd6f7ff)}, {1.0, with_alpha(kArcane, 0.0)}});
    circle(cr, x, y, 10);
    cairo_fill(cr);
    // Swirling wisps rising from the orb.
    Layer l(cr);
    cairo_set_line_cap(l.cr(), CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 3; ++i) {
        double a0 = i * 2 * kPi / 3;
        cairo_new_path(l.cr());
        for (int k = 0; k <= 34; ++k) {
            double a = a0 + k * 0.13;
            double r = 13 + k * 0.8;
            cairo_line_to(l.cr(), x + r * std::cos(a), y + r * 0.55 * std::sin(a) - k * 0.9);
        }
        cairo_set_line_width(l.cr(), 1.6);
        set(l.cr(), hex(0xbff4ff, 0.9));
        cairo_stroke(l.cr());
    }
    l.blur(1);
    l.paint_onto(cr, 1.0, 0, 0, CAIRO_OPERATOR_ADD);
}

void draw_torso(cairo_t* cr) {
    Shape torso = path(kTorso);
    steel(cr, torso, 216, 410, 384, 268, 80, 0.6);
    inside(cr, torso, [&] {
        // Breastplate: the chest's curve and the waist's plates.
        cairo_set_line_width(cr, 2);
        svg_path(cr, "M 300 262 C 330 250 372 250 404 262");
        set(cr, hex(0x000000, 0.45));
        cairo_stroke(cr);
        svg_path(cr, "M 300 300 C 330 318 370 318 398 300");
        cairo_stroke(cr);
        cairo_set_line_width(cr, 1.2);
        svg_path(cr, "M 300 302 C 330 320 370 320 398 302");
        set(cr, hex(0x9fb4d0, 0.35));
        cairo_stroke(cr);
        for (int i = 0; i < 3; ++i) {
            double y = 330 + i * 18;
            cairo_move_to(cr, 290, y + 4);
            cairo_curve_to(cr, 320, y + 10, 360, y + 10, 392, y);
            set(cr, hex(0x000000, 0.5));
            cairo_set_line_width(cr, 2);
            cairo_stroke(cr);
            cairo_move_to(cr, 290, y + 6);
            cairo_curve_to(cr, 320, y + 12, 360, y + 12, 392, y + 2);
            set(cr, hex(0x8fa4c4, 0.3));
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
        }
    });
    // Emblem on the chest: a gold crescent around a gem.
    gold_stroke(
        cr, [](cairo_t* c) { cairo_arc(c, 368, 278, 11, kPi * 0.35, kPi * 1.65); }, 2.4, 266, 290);
    gem(cr, 370, 278, 4.5);
    rims(cr, torso, 1.0, 0.9);
}

void draw_waist(cairo_t* cr) {
    Shape tassets = path(kTassets);
    steel(cr, tassets, 392, 472, 400, 420, 40, 0.5);
    inside(cr, tassets, [&] {
        for (int i = 0; i < 2; ++i) {
            double y = 418 + i * 20;
            cairo_move_to(cr, 276, y);
            cairo_curve_to(cr, 320, y + 8, 380, y + 6, 420, y - 4);
            set(cr, hex(0x000000, 0.6));
            cairo_set_line_width(cr, 2.5);
            cairo_stroke(cr);
        }
    });
    trim(cr,
         path("M 418 452 C 398 460 380 462 364 458 C 350 470 330 474 310 470 C 296 466 284 462 276 "
              "456"),
         1.6, 452, 474);
    rims(cr, tassets, 0.6, 0.8);

    // Tabard hanging from the belt, in the crest's colours, blown left.
    Shape tabard = path(kTabard);
    cairo_new_path(cr);
    tabard(cr);
    linear(cr, 0, 404, 0, 684, {{0.0, hex(0x8a1e2a)}, {0.6, hex(0x4a0c16)}, {1.0, hex(0x22050a)}});
    cairo_fill(cr);
    inside(cr, tabard, [&] {
        cairo_set_line_width(cr, 1.4);
        svg_path(cr, "M 331 410 C 326 460 322 500 322 560 C 322 600 318 640 314 676");
        svg_path(cr, "M 375 408 C 380 460 374 520 366 576 C 358 616 342 646 318 674");
        set(cr, with_alpha(kGold, 0.75));
        cairo_stroke(cr);
    });
    gold_stroke(
        cr, [](cairo_t* c) { cairo_arc(c, 352, 452, 9, kPi * 0.35, kPi * 1.65); }, 1.8, 442, 462);
    gem(cr, 354, 452, 3.2, hex(0xffd0a0), hex(0x8a2a10));
    rims(cr, tabard, 0.5, 0.8);

    // Belt with a gold buckle.
    Shape belt = path("M 288 388 C 330 394 360 394 394 386 L 396 402 C 360 410 330 410 290 404 Z");
    fill(cr, belt, hex(0x2a1a10));
    rim_light(cr, belt, kGold, 0, 2, 0, 0.8);
    cairo_new_path(cr);
    rounded_rect(cr, 344, 390, 18, 16, 3);
    gold_vertical(cr, 390, 406);
    cairo_fill(cr);
    gem(cr, 353, 398, 3.4, hex(0xffd0a0), hex(0x8a2a10));
}

void draw_pauldron(cairo_t* cr, const char* d, double hx, double hy, double hr, double blade) {
    Shape s = path(d);
    steel(cr, s, hy - hr, hy + hr, hx, hy, hr, 0.9);
    trim(cr, s, 2.2, hy - hr, hy + hr);
    rims(cr, s, 1.0, blade);
}

void draw_collar(cairo_t* cr) {
    Shape collar = path(kCollar);
    steel(cr, collar, 202, 250, 380, 214, 30, 0.5);
    trim(cr, path("M 262 238 C 300 250 366 248 400 232"), 1.8, 232, 250);
    rims(cr, collar, 1.0, 0.8);
}

void draw_head(cairo_t* cr) {
    Shape head = path(kHead);
    // The face is in shadow, against the moon; the blade lights its profile.
    cairo_new_path(cr);
    head(cr);
    linear(cr, 300, 0, 370, 0, {{0.0, hex(0x140c0e)}, {0.7, hex(0x2a1a1c)}, {1.0, hex(0x3a262a)}});
    cairo_fill(cr);
    inside(cr, head, [&] {
        // Cheek and jaw catching a little of the blade's light.
        radial(cr, 352, 176, 16, {{0.0, hex(0x6a5a66, 0.5)}, {1.0, hex(0x6a5a66, 0.0)}});
        cairo_paint(cr);
        // Eye: a lash line and a faint arcane glint.
        glow(
            cr, [](cairo_t* c) { circle(c, 356, 153, 1.6); }, kArcane, 2, 0.9);
        cairo_move_to(cr, 350, 152);
        cairo_curve_to(cr, 353, 150, 357, 150, 360, 153);
        set(cr, hex(0x05030a, 0.9));
        cairo_set_line_width(cr, 1.3);
        cairo_stroke(cr);
        circle(cr, 357, 153.5, 0.9);
        set(cr, hex(0xdff8ff));
        cairo_fill(cr);
        // Brow.
        cairo_move_to(cr, 348, 146);
        cairo_curve_to(cr, 352, 144, 357, 144, 361, 147);
        set(cr, hex(0x3a1418, 0.9));
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    });
    rim_light(cr, head, hex(0xd8f6ff), -2, 0.5, 0, 1.0);
    rim_light(cr, head, kArcane, -4, 1, 2, 0.5);

    Shape cap = path(kHairCap);
    cairo_new_path(cr);
    cap(cr);
    linear(cr, 300, 112, 340, 200, {{0.0, hex(0x4a1c22)}, {1.0, hex(0x1e0a0e)}});
    cairo_fill(cr);
    inside(cr, cap, [&] {
        cairo_set_line_width(cr, 1.4);
        set(cr, hex(0xb06a60, 0.35));
        svg_path(cr, "M 336 118 C 318 122 304 140 300 166");
        svg_path(cr, "M 348 124 C 330 130 318 150 314 180");
        cairo_stroke(cr);
    });
    rims(cr, cap, 1.2, 0.5);
    // Gold circlet with a jewel on the brow.
    gold_stroke(cr, path("M 300 146 C 318 136 340 130 360 134"), 2.2, 128, 146);
    cairo_new_path(cr);
    cairo_move_to(cr, 352, 133);
    cairo_line_to(cr, 357, 120);
    cairo_line_to(cr, 360, 134);
    cairo_close_path(cr);
    gold_vertical(cr, 120, 134);
    cairo_fill(cr);
    gem(cr, 356, 134, 2.6);
}

void draw_front_arm(cairo_t* cr) {
    Shape upper = band(kFrontUpperArm), fore = band(kFrontForearm);
    steel(cr, upper, 250, 330, 420, 280, 30, 0.7);
    rims(cr, upper, 0.6, 1.0);
    steel(cr, fore, 310, 336, 440, 316, 24, 0.8);
    trim(cr, path("M 426 312 C 428 320 428 328 426 336"), 1.8, 310, 336);
    rims(cr, fore, 0.5, 1.0);
}

// Sword -----------------------------------------------------------------------

struct Axis {
    double ux, uy, nx, ny, len;
};

Axis sword_axis() {
    double dx = kTipX - kHandX, dy = kTipY - kHandY;
    double len = std::hypot(dx, dy);
    return {dx / len, dy / len, -dy / len, dx / len, len};
}

void blade_path(cairo_t* cr) {
    Axis a = sword_axis();
    auto p = [&](double t, double s) {
        auto [x, y] = sword_point(t, s);
        cairo_line_to(cr, x, y);
    };
    auto [x0, y0] = sword_point(22, -8.5);
    cairo_move_to(cr, x0, y0);
    p(a.len - 44, -6.5);
    p(a.len, 0);
    p(a.len - 44, 6.5);
    p(22, 8.5);
    cairo_close_path(cr);
}

void draw_sword(cairo_t* cr) {
    Axis a = sword_axis();
    glow(cr, blade_path, kArcaneDeep, 9, 1.0, 12);
    glow(cr, blade_path, kArcane, 5, 0.9, 5);
    // Blade: cold steel with a bright arcane core.
    auto [bx0, by0] = sword_point(0, -9);
    auto [bx1, by1] = sword_point(0, 9);
    fill(cr, blade_path, hex(0x9fc9e0));
    inside(cr, blade_path, [&] {
        linear(cr, bx0, by0, bx1, by1,
               {{0.0, hex(0xf2fdff)},
                {0.45, hex(0xc4ecff)},
                {0.55, hex(0x5fa8d0)},
                {1.0, hex(0x2b5d86)}});
        cairo_paint(cr);
        // The fuller, lit from within.
        cairo_set_line_width(cr, 2.2);
        auto [fx0, fy0] = sword_point(26, 0);
        auto [fx1, fy1] = sword_point(a.len - 60, 0);
        cairo_move_to(cr, fx0, fy0);
        cairo_line_to(cr, fx1, fy1);
        set(cr, hex(0xffffff, 0.95));
        cairo_stroke(cr);
    });
    // Runes along the fuller.
    Layer runes(cr);
    for (int i = 0; i < 7; ++i) {
        auto [x, y] = sword_point(42 + i * 28, 0);
        circle(runes.cr(), x, y, 2.2);
        set(runes.cr(), hex(0xffffff));
        cairo_fill(runes.cr());
    }
    runes.blur(2);
    runes.paint_onto(cr, 1.0, 0, 0, CAIRO_OPERATOR_ADD);

    // Grip and pommel below the fist.
    auto [gx0, gy0] = sword_point(-32, 0);
    auto [gx1, gy1] = sword_point(8, 0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 9);
    cairo_move_to(cr, gx0, gy0);
    cairo_line_to(cr, gx1, gy1);
    set(cr, hex(0x1a1008));
    cairo_stroke(cr);
    cairo_set_line_width(cr, 6.5);
    cairo_move_to(cr, gx0, gy0);
    cairo_line_to(cr, gx1, gy1);
    linear(cr, gx0 - 4, gy0, gx0 + 4, gy0, {{0.0, hex(0x6a4424)}, {1.0, hex(0x20140a)}});
    cairo_stroke(cr);
    auto [px, py] = sword_point(-37, 0);
    circle(cr, px, py, 8);
    gold_diagonal(cr, px - 8, py - 8, px + 8, py + 8);
    cairo_fill(cr);
    gem(cr, px, py, 4);

    // Crossguard: a gold bar with quillons curling towards the tip.
    auto guard = [&](cairo_t* c) {
        auto l = [&](double t, double s) {
            auto [x, y] = sword_point(t, s);
            cairo_line_to(c, x, y);
        };
        auto cv = [&](double t1, double s1, double t2, double s2, double t3, double s3) {
            auto [x1, y1] = sword_point(t1, s1);
            auto [x2, y2] = sword_point(t2, s2);
            auto [x3, y3] = sword_point(t3, s3);
            cairo_curve_to(c, x1, y1, x2, y2, x3, y3);
        };
        auto [mx, my] = sword_point(14, -9);
        cairo_move_to(c, mx, my);
        cv(16, -22, 20, -32, 34, -36);
        cv(26, -28, 24, -18, 23, -9);
        l(23, 9);
        cv(24, 18, 26, 28, 34, 36);
        cv(20, 32, 16, 22, 14, 9);
        cairo_close_path(c);
    };
    cairo_new_path(cr);
    guard(cr);
    set(cr, hex(0x140c04));
    cairo_set_line_width(cr, 2.2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
    auto [qx0, qy0] = sword_point(14, -34);
    auto [qx1, qy1] = sword_point(24, 34);
    gold_diagonal(cr, qx0, qy0, qx1, qy1);
    cairo_fill(cr);
    auto [cx, cy] = sword_point(18.5, 0);
    gem(cr, cx, cy, 4);
}

void draw_fist(cairo_t* cr) {
    Shape s = path(kFist);
    steel(cr, s, 300, 344, 470, 310, 22, 0.9);
    inside(cr, s, [&] {
        // Knuckle plates.
        cairo_set_line_width(cr, 1.2);
        set(cr, hex(0x000000, 0.6));
        for (int i = 0; i < 3; ++i) {
            cairo_move_to(cr, 452, 314 + i * 8);
            cairo_line_to(cr, 476, 312 + i * 8);
        }
        cairo_stroke(cr);
    });
    rim_light(cr, s, kArcane, -2.5, 2, 1, 0.9);
}

}  // namespace

std::pair<double, double> sword_point(double t, double s) {
    Axis a = sword_axis();
    return {kHandX + a.ux * t + a.nx * s, kHandY + a.uy * t + a.ny * s};
}

double sword_length() {
    return sword_axis().len;
}

void draw_figure(cairo_t* cr) {
    Layer fig(cr);
    cairo_t* f = fig.cr();
    draw_cloak(f);
    draw_hair(f);
    draw_robe(f);
    draw_front_leg(f);
    draw_back_arm(f);
    draw_torso(f);
    draw_waist(f);
    draw_pauldron(f, kBackPauldron, 262, 232, 26, 0.2);
    draw_collar(f);
    draw_head(f);
    draw_front_arm(f);
    draw_pauldron(f, kFrontPauldronLame, 410, 262, 28, 1.0);
    draw_pauldron(f, kFrontPauldron, 410, 228, 36, 1.0);
    draw_sword(f);
    draw_fist(f);
    draw_spell(f);

    // The feet are hidden in the cloud bank; make sure nothing shows below it.
    cairo_set_operator(f, CAIRO_OPERATOR_DEST_IN);
    linear(f, 0, 640, 0, 700, {{0.0, hex(0, 1.0)}, {1.0, hex(0, 0.0)}});
    cairo_paint(f);

    // A dark outline glow detaches the figure from the moon.
    Layer shadow(cr);
    fig.paint_onto(shadow.cr());
    cairo_set_operator(shadow.cr(), CAIRO_OPERATOR_IN);
    set(shadow.cr(), hex(0x02040a, 0.7));
    cairo_paint(shadow.cr());
    shadow.blur(4);
    shadow.paint_onto(cr);
    fig.paint_onto(cr);
}

}  // namespace art
