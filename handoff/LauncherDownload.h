#pragma once

// Fetching the game launcher file so that no broken file ever stands at its
// path: the body goes to a temporary file beside it, and only a complete,
// non-empty body that passes the optional SHA-256 check is made executable,
// synced and renamed into place.

#include <chrono>
#include <string>

#include "platform/TransferProgress.h"

struct LauncherSource {
    std::string url;        // where the content server offers the launcher
    std::string userAgent;  // the program's file name without extension
    std::string sha256;     // expected digest in hex; empty: not checked
};

struct DownloadOutcome {
    enum class Kind {
        Saved,       // the launcher now stands at its path
        NotOffered,  // the server answered with a status other than 200
        Cancelled,   // the player closed the progress window
        Failed,      // see message
    };
    Kind kind = Kind::Failed;
    std::u16string message;  // for the player, unless Saved or Cancelled
    std::string detail;      // for the diagnostic line
};

// Blocks until done; meant for a worker thread. Leaves no file behind unless
// it returns Saved. The body is written to ".<launcher file name>.part-XXXXXX"
// beside the launcher.
DownloadOutcome DownloadLauncher(const LauncherSource& source, const std::string& launcherPath,
                                 TransferProgress& progress);

// Removes what a download that never ended (the program was killed, the
// machine went down) left beside `launcherPath`: plain files of this user's
// named as DownloadLauncher names them and untouched for longer than
// `olderThan`, so that another run's download in progress is left alone.
void RemoveStalePartFiles(const std::string& launcherPath, std::chrono::seconds olderThan);
