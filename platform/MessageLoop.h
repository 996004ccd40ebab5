#pragma once

// The program's one main loop and the request that ends it.

// Asks the running main loop to end with `exitCode`. Like a posted message,
// it takes effect once the current handler has returned to the loop, so the
// caller still finishes what it is doing.
void PostQuitMessage(int exitCode);

// Whether an end has been requested and not yet consumed by RunMessageLoop.
bool IsQuitPosted();

// Runs the main loop until a quit request or EndMessageLoop; returns the
// request's exit code, or `defaultCode` when the loop was ended otherwise.
int RunMessageLoop(int defaultCode);

// Ends the running main loop without a quit request (a window's own close).
void EndMessageLoop();
