#pragma once

#include <cstdint>

// Milliseconds elapsed since the process started, as near as a library can
// tell: counted from its static initialisation.
std::uint64_t MillisecondsSinceStart();
