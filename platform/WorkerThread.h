#pragma once

// Work on a thread of its own, beside what this thread does meanwhile.

#include <functional>

// Runs `work` on a new thread and `meanwhile` on this one, then waits for the
// work to end and throws what it threw. `meanwhile` is not told when the work
// ends: work that `meanwhile` waits for says so itself.
void RunBeside(const std::function<void()>& work, const std::function<void()>& meanwhile);
