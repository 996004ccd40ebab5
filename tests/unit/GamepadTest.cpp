// The gamepad's rules: which presses and pushes become which keys, the
// repeat of a held direction, game mode as the environment says it, and the
// on-screen keyboard asked for at most once a second.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/GamepadKeys.h"
#include "platform/OnScreenKeyboard.h"

namespace {

// One thing that happens to the pad, at a time in milliseconds: a button
// pressed ("+dn") or let go ("-dn"), an axis set ("x=20000", "y=-9000"), the
// clock read ("t"), the pad pulled out ("gone").
struct Step {
    int64_t at;
    std::string what;
};

const char* Name(EPadKey key) {
    const char* const names[] = {"Tab", "S-Tab", "Ret", "Esc", "Kbd"};
    return names[static_cast<int>(key)];
}

EPadButton Button(const std::string& name) {
    static const std::map<std::string, EPadButton> buttons = {
        {"a", EPadButton::South},     {"b", EPadButton::East},      {"y", EPadButton::North},
        {"up", EPadButton::DpadUp},   {"dn", EPadButton::DpadDown}, {"lt", EPadButton::DpadLeft},
        {"rt", EPadButton::DpadRight}};
    return buttons.at(name);
}

// The keys the steps make, each as "name@time"; the clock is read after
// every step, as the program's poll does.
std::string Keys(const std::vector<Step>& steps) {
    CGamepadKeys keys;
    std::string made;
    auto note = [&](std::optional<EPadKey> key, int64_t at) {
        if (key) {
            made += std::string(made.empty() ? "" : " ") + Name(*key) + "@" + std::to_string(at);
        }
    };
    for (const Step& step : steps) {
        const std::string& w = step.what;
        if (w[0] == '+' || w[0] == '-') {
            note(keys.OnButton(Button(w.substr(1)), w[0] == '+', step.at), step.at);
        } else if (w[1] == '=') {
            note(keys.OnAxis(w[0] == 'x' ? EPadAxis::LeftX : EPadAxis::LeftY,
                             std::stoi(w.substr(2)), step.at),
                 step.at);
        } else if (w == "gone") {
            keys.Reset();
        }
        note(keys.OnTime(step.at), step.at);
    }
    return made;
}

}  // namespace

TEST(GamepadKeys, PressesPushesAndRepeats) {
    struct Case {
        const char* name;
        std::vector<Step> steps;
        const char* keys;
    };
    const Case cases[] = {
        {"buttons, once each, on the press",
         {{0, "+a"}, {10, "-a"}, {20, "+b"}, {900, "t"}, {910, "-b"}, {920, "+y"}},
         "Ret@0 Esc@20 Kbd@920"},
        {"a tap of the D-pad", {{0, "+dn"}, {50, "-dn"}, {1000, "t"}}, "Tab@0"},
        {"right as down, left and up back",
         {{0, "+rt"}, {10, "-rt"}, {20, "+lt"}, {30, "-lt"}, {40, "+up"}, {50, "-up"}},
         "Tab@0 S-Tab@20 S-Tab@40"},
        {"held: first repeat at 400 ms, then every 120",
         {{0, "+dn"},
          {399, "t"},
          {400, "t"},
          {519, "t"},
          {520, "t"},
          {640, "t"},
          {700, "-dn"},
          {2000, "t"}},
         "Tab@0 Tab@400 Tab@520 Tab@640"},
        {"a late clock repeats once, not in a burst",
         {{0, "+up"}, {1000, "t"}, {1050, "t"}, {1120, "t"}},
         "S-Tab@0 S-Tab@1000 S-Tab@1120"},
        {"the stick past half its travel, each way",
         {{0, "y=20000"}, {10, "y=0"}, {20, "x=-20000"}, {30, "x=0"}, {40, "x=32767"}},
         "Tab@0 S-Tab@20 Tab@40"},
        {"no chatter: the stick goes back only under a quarter",
         {{0, "y=17000"},
          {10, "y=15000"},
          {20, "y=17000"},
          {30, "y=9000"},
          {40, "y=8000"},
          {50, "y=17000"}},
         "Tab@0 Tab@50"},
        {"dead zone: small pushes do nothing", {{0, "x=8000"}, {10, "y=-16000"}, {500, "t"}}, ""},
        {"the stick held repeats too",
         {{0, "x=-30000"}, {400, "t"}, {520, "t"}, {530, "x=0"}, {2000, "t"}},
         "S-Tab@0 S-Tab@400 S-Tab@520"},
        {"flipped across the middle: the other way at once",
         {{0, "y=30000"}, {100, "y=-30000"}, {500, "t"}},
         "Tab@0 S-Tab@100 S-Tab@500"},
        {"D-pad and stick the same way: one press, one repeat",
         {{0, "+dn"},
          {100, "y=30000"},
          {400, "t"},
          {450, "-dn"},
          {520, "t"},
          {600, "y=0"},
          {2000, "t"}},
         "Tab@0 Tab@400 Tab@520"},
        {"another button ends the repeat",
         {{0, "+dn"}, {400, "t"}, {450, "+a"}, {2000, "t"}, {2010, "-dn"}},
         "Tab@0 Tab@400 Ret@450"},
        {"pulled out while held: no repeat goes on",
         {{0, "+dn"}, {100, "gone"}, {400, "t"}, {2000, "t"}},
         "Tab@0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Keys(c.steps), c.keys) << c.name;
    }
}

TEST(OnScreenKeyboard, AsksAtMostOnceASecond) {
    COnScreenKeyboardRequests requests;
    std::vector<bool> sent;
    for (const int64_t at : {0, 300, 999, 1000, 1500, 2000, 5000}) {
        sent.push_back(requests.Allow(at));
    }
    EXPECT_EQ(sent, (std::vector<bool>{true, false, false, true, false, true, true}));
}
