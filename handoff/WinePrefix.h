#pragma once

// The Wine prefix the game launcher runs in: a folder of the player's own,
// made on first use by the runner's wineboot, and looked at before each start
// for what would make the start fail in ways Wine does not tell.

#include <atomic>
#include <string>
#include <vector>

#include "handoff/WindowsProgram.h"

class CWinePrefix {
public:
    explicit CWinePrefix(std::string path) : m_strPath(std::move(path)) {}

    const std::string& Path() const { return m_strPath; }

    enum class EFolder {
        Usable,
        NotAbsolute,  // Wine takes only a full path
        NotPrivate,   // a link, not a folder, another user's, or cannot be made
        ReadOnly,     // ours, but nothing can be written in it
    };
    // Makes the folder (0700, with its parents) when it is missing, and
    // tells whether Wine can be run in it.
    EFolder PrepareFolder() const;

    // Whether the runner has made the prefix already.
    bool IsMade() const;

    enum class ESupport {
        Supported,
        No32Bit,  // a 64-bit prefix made without 32-bit support
        No64Bit,  // a 32-bit prefix
    };
    // Whether a made prefix can run a program of `kind`.
    ESupport Supports(EProgramKind kind) const;

    enum class EMade { Made, Cancelled, Failed };
    struct MakeResult {
        EMade kind = EMade::Failed;
        int exitCode = 0;    // the runner's, when it failed
        int spawnError = 0;  // errno, when the runner did not start
        bool diskFull = false;
    };
    // Runs `runnerArgv` (the runner's wineboot) with `environment` until the
    // prefix is made, or until `cancel` is set. Blocks: for a worker thread.
    // What a failed or cancelled run made is taken away again, when the
    // folder held nothing before.
    MakeResult Make(const std::vector<std::string>& runnerArgv,
                    const std::vector<std::string>& environment,
                    const std::atomic<bool>& cancel) const;

    // The name of the folder that the prefix's Wine server works in while it
    // runs (server-<device>-<inode>); empty when the prefix cannot be read.
    std::string ServerFolderName() const;
    // Whether the prefix's Wine server runs: while it does, some program of
    // the prefix is running or has just ended.
    bool IsServerRunning() const;
    // Ends the prefix's server, and with it every program in the prefix.
    void StopServer() const;

private:
    bool IsEmpty() const;
    // Takes away everything in the folder, without following links.
    void Empty() const;

    std::string m_strPath;
};
