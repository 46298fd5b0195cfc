#pragma once

#include <cstddef>
#include <functional>

// Runs `work` to its end on a new thread whose stack holds `stackBytes`, and
// rethrows what it threw. For library code that recurses once per nesting
// level. False when no such thread can be started; `work` has not run then.
bool RunOnDeepStack(std::size_t stackBytes, const std::function<void()>& work);
