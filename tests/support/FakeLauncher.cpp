// Stands in for the game launcher: writes its current directory and its
// arguments, each followed by a zero byte, to the file that
// FAKE_LAUNCHER_RECORD names, then exits.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* recordPath = std::getenv("FAKE_LAUNCHER_RECORD");
    if (recordPath == nullptr) {
        return 2;
    }
    std::string record;
    char cwd[4096];
    record += getcwd(cwd, sizeof cwd) ? cwd : "?";
    record.push_back('\0');
    for (int i = 0; i < argc; ++i) {
        record += argv[i];
        record.push_back('\0');
    }
    // Written under another name and renamed, so a reader never sees half.
    const std::string part = std::string(recordPath) + ".part";
    FILE* f = std::fopen(part.c_str(), "wb");
    if (f == nullptr) {
        return 3;
    }
    std::fwrite(record.data(), 1, record.size(), f);
    std::fclose(f);
    return std::rename(part.c_str(), recordPath) == 0 ? 0 : 4;
}
