// The Windows command-line rules the game launcher's arguments are split by.
// The whole input is split as a command line and as an argument text; then
// the input is read as a list of arguments, which, quoted the way Windows
// programs quote them for such a command line, must split back into the
// same list.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ProcessStart.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Without quotes, backslashes are plain characters: the text splits at runs
// of blanks and nothing else.
std::vector<std::string> SplitAtBlanks(std::string_view text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (true) {
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
        if (i == text.size()) {
            return words;
        }
        const size_t start = i;
        while (i < text.size() && !IsBlank(text[i])) {
            ++i;
        }
        words.emplace_back(text.substr(start, i - start));
    }
}

// Quotes an argument so that the Windows rules read it back unchanged:
// inside quotes, a run of backslashes is doubled where a quote follows it
// (an escaped one or the closing one) and left alone elsewhere.
std::string Quote(std::string_view arg, bool always) {
    if (!always && !arg.empty() && arg.find_first_of(" \t\"") == std::string_view::npos) {
        return std::string(arg);
    }
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, '\\');
    quoted.push_back('"');
    return quoted;
}

std::string ConsumeBlanks(FuzzedDataProvider& in, size_t least) {
    std::string blanks(least + in.ConsumeIntegralInRange(0, 2), ' ');
    for (char& c : blanks) {
        if (in.ConsumeBool()) {
            c = '\t';
        }
    }
    return blanks;
}

void FuzzQuoting(FuzzedDataProvider& in) {
    // The program path: the first blank or quote ends an unquoted one, and
    // a quoted one ends at its closing quote, with no escapes.
    std::string program = in.ConsumeRandomLengthString(32);
    std::erase(program, '"');
    const bool quoteProgram =
        program.empty() || program.find_first_of(" \t") != std::string::npos || in.ConsumeBool();
    std::string commandLine = quoteProgram ? '"' + program + '"' : program;

    std::vector<std::string> args(in.ConsumeIntegralInRange(0, 6));
    std::string argumentText = ConsumeBlanks(in, 0);
    for (size_t i = 0; i < args.size(); ++i) {
        args[i] = in.ConsumeRandomLengthString(32);
        if (i != 0) {
            argumentText += ConsumeBlanks(in, 1);
        }
        argumentText += Quote(args[i], in.ConsumeBool());
    }
    argumentText += ConsumeBlanks(in, 0);

    FUZZ_EXPECT(SplitArguments(argumentText) == args, "quoted arguments split back unchanged");

    commandLine += ' ' + argumentText;
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    FUZZ_EXPECT(SplitCommandLine(commandLine) == all,
                "a program and its quoted arguments split back unchanged");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::vector<std::string> args = SplitArguments(text);
    const std::vector<std::string> line = SplitCommandLine(text);
    FUZZ_EXPECT(!line.empty(), "a command line always names a program");
    if (text.find('"') == std::string_view::npos) {
        FUZZ_EXPECT(args == SplitAtBlanks(text), "without quotes only blanks separate");
    }
    size_t length = 0;
    for (const std::string& arg : args) {
        length += arg.size();
    }
    FUZZ_EXPECT(length <= text.size(), "splitting never adds characters");

    FuzzedDataProvider in(data, size);
    FuzzQuoting(in);
    return 0;
}
