#pragma once

// What the Windows helper that starts the game launcher under Wine is given
// and what its exit code means. Shared by the helper (C, built for Windows)
// and by the program that runs it, so the two cannot disagree.
//
// The helper's command line, after its own path:
//   <dpi> x<hex of the launcher's Unix path> x<hex of the argument text>
// <dpi> is decimal, 0 to leave the prefix's setting alone; the path is hex
// of its bytes, the text hex of its UTF-8. Hex digits pass every quoting
// layer between us and the helper unchanged; the leading "x" keeps an empty
// value a word of its own.

// A started game launcher. Not 0: a Wine that cannot run the helper at all
// (a 32-bit helper on a Wine without 32-bit support) exits 0.
#define START_IN_WINE_STARTED 75
// The helper's own command line was not as above.
#define START_IN_WINE_BAD_USAGE 64
// Wine gave the launcher's Unix path no Windows name.
#define START_IN_WINE_NO_WINDOWS_PATH 65
// The launcher's file was not found.
#define START_IN_WINE_NOT_FOUND 66
// The launcher is not a program this Wine can run.
#define START_IN_WINE_BAD_FORMAT 67
// CreateProcessW failed for another reason (the command line too long, say).
#define START_IN_WINE_FAILED 68
