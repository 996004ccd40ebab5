#pragma once

// Starting a program from one command line, the way the game launcher has
// always been started: a single text, quoted path first, arguments after.

#include <string>
#include <string_view>
#include <vector>

// Splits a command line into an argument vector by the Windows rules:
// the first argument runs to its closing quote (or to the first blank when it
// is not quoted) and takes no escapes; after it, blanks and tabs separate,
// double quotes group, and backslashes escape a quote that follows them.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

struct StartResult {
    bool started = false;
    int error = 0;  // errno of a start that failed
};

// Starts the program named by the command line's first argument with the
// split arguments, never through a shell. The program inherits the current
// directory and the environment; no other open file of ours reaches it and
// nothing waits for it.
StartResult StartProcess(std::string_view commandLine);
