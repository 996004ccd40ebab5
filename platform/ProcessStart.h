#pragma once

// Starting a program with an argument text split the way the game launcher
// has always received it: by the Windows command-line rules.

#include <chrono>
#include <optional>
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

// A program to start exactly as given: never through a shell, never searched
// for, with only the three standard streams of ours open in it.
struct ProcessSpec {
    std::vector<std::string> argv;  // argv[0] is the program's path
    // The whole environment, "NAME=value" each; empty: ours.
    std::vector<std::string> environment;
    // In a session of its own: a hang-up to our process group, or our end,
    // does not reach it or what it starts.
    bool newSession = false;
};

struct SpawnResult {
    int pid = 0;    // above 0 once started
    int error = 0;  // errno of a start that failed
};

SpawnResult SpawnProcess(const ProcessSpec& spec);

// Waits up to `limit` for the child `pid` to end and reaps it. Its exit
// code, or 128 + the signal that ended it; empty while it still runs.
std::optional<int> WaitForExit(int pid, std::chrono::milliseconds limit);

// Ends the child `pid` started in a session of its own, and everything in
// its process group, at once; then reaps it.
void KillSession(int pid);

// Our environment, "NAME=value" each, with `changes` set over it (each
// "NAME=value") and the names in `removed` taken out.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& changes,
                                         const std::vector<std::string>& removed = {});

// The full path of the executable file `name` in the folders of `searchPath`
// (as PATH lists them); empty when none has it. A name with a slash is
// looked at as it stands.
std::string FindProgram(const std::string& name, std::string_view searchPath);

// The processes of this user whose current folder's name is `folderName`.
std::vector<int> ProcessesWorkingIn(std::string_view folderName);

// The processes of this user whose environment holds `entry` ("NAME=value").
std::vector<int> ProcessesWithEnvironment(std::string_view entry);
