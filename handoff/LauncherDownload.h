#pragma once

// Fetching the game launcher file so that nothing but a complete, verified
// file ever stands at its path: the body goes to a temporary file beside it
// (kept across retries, so that a retry can fetch only the rest), and only a
// complete, non-empty body that passes the configured checks (SHA-256,
// Ed25519 signature) is made executable, synced and renamed into place.

#include <string>

#include "handoff/PartFile.h"
#include "handoff/RetriedGet.h"
#include "platform/TransferProgress.h"

struct LauncherSource {
    std::string url;        // where the content server offers the launcher
    std::string userAgent;  // the program's file name without extension
    std::string sha256;     // expected digest in hex; empty: not checked
    // Ed25519 public key in hex; when set, the file must carry a valid
    // signature at url + ".sig".
    std::string signingKey;
    RetryPolicy retry;
};

struct DownloadOutcome {
    enum class Kind {
        Saved,       // the launcher now stands at its path
        NotOffered,  // the server answered with a status other than 200
        Cancelled,   // the player cancelled the download
        Failed,      // see message
    };
    Kind kind = Kind::Failed;
    std::u16string message;  // for the player, unless Saved or Cancelled
    std::string detail;      // for the diagnostic line
};

// Blocks until done; meant for a worker thread. Leaves no file behind unless
// it returns Saved.
DownloadOutcome DownloadLauncher(const LauncherSource& source, const std::string& launcherPath,
                                 TransferProgress& progress);
