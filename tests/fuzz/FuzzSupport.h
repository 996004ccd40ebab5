#pragma once

// What every fuzz target shares: the locale taken from the environment as the
// program takes it, a check that turns a broken property into a finding, and
// the path a launch argument string takes to the game launcher's command line.

#include <string>
#include <vector>

// Reports a broken property and aborts, which libFuzzer records as a crash
// with the input that caused it. Unlike assert, it stays on in every build.
#define FUZZ_EXPECT(condition, what)                                  \
    do {                                                              \
        if (!(condition)) {                                           \
            FuzzPropertyBroken(what, #condition, __FILE__, __LINE__); \
        }                                                             \
    } while (false)

[[noreturn]] void FuzzPropertyBroken(const char* what, const char* condition, const char* file,
                                     int line);

// The narrow charset the fuzzer runs under ("UTF-8", "GB18030", ...).
const std::string& FuzzCharset();

// Hands a launch argument string over as the program does: the hand-off
// stores it narrowed, the launcher start widens it back and narrows it again
// for the command line, which is split by the Windows rules. Checks that the
// stored text is the text the command line carries, and returns the
// arguments the game launcher would see.
std::vector<std::string> HandOverLaunchArgs(const std::u16string& launchArgs);
