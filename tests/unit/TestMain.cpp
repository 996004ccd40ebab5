#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    // As the program does: narrow text follows the environment's locale.
    std::setlocale(LC_ALL, "");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
