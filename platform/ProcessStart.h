#pragma once

// Starting a program with an argument text split the way the game launcher
// has always received it: by the Windows command-line rules.

#include <string>
#include <string_view>
#include <vector>

// Splits the text that follows the program on a Windows command line into
// arguments: leading blanks are skipped, blanks and tabs separate, double
// quotes group, and backslashes escape a quote that follows them.
std::vector<std::string> SplitArguments(std::string_view text);

// Splits a whole command line: the program runs to its closing quote (or to
// the first blank when it is not quoted) and takes no escapes; the rest is
// split by SplitArguments.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

struct StartResult {
    bool started = false;
    int error = 0;  // errno of a start that failed
};

// Starts the program at `programPath`, exactly the file the path names (any
// bytes but NUL, never searched for and never re-read from text), with
// argv[0] = programPath and SplitArguments(argumentText) after it. Never
// through a shell. The program inherits the current directory and the
// environment; no other open file of ours reaches it and nothing waits for it.
StartResult StartProcess(const std::string& programPath, std::string_view argumentText);
