#pragma once

#include <string>
#include <string_view>

// Content-ID of the part at `location` (RFC 2392): 16 hex digits of a 64-bit
// hash of the location, then "@scrivane". Deterministic, so archives stay
// reproducible.
std::string ContentIdFromLocation(std::string_view location);
