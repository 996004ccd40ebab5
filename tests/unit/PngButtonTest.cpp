#include <gtest/gtest.h>

#include "ui/PngButton.h"

TEST(PngButton, PressedWinsOverHoverAndTheFourthFaceIsNeverShown) {
    struct {
        bool selected, hover;
        int cell;
    } const cases[] = {{false, false, 0}, {false, true, 1}, {true, false, 2}, {true, true, 2}};
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseCell(c.selected, c.hover), c.cell) << c.selected << c.hover;
    }
}

TEST(PngButton, CellsAreAQuarterOfTheStripRoundedDown) {
    EXPECT_EQ(CellHeight(216), 54);
    EXPECT_EQ(CellHeight(156), 39);
    EXPECT_EQ(CellHeight(104), 26);
    EXPECT_EQ(CellHeight(105), 26);  // the last row is never shown
    EXPECT_EQ(CellHeight(3), 0);
}
