#pragma once

#include <cstdint>
#include <optional>

// The reproducible-builds convention's SOURCE_DATE_EPOCH: seconds since
// 1970 in decimal digits, up to the end of year 9999. Nothing when the
// variable is unset or empty; false when it is set to anything else, which
// is refused rather than quietly giving archives that differ run to run.
bool ParseSourceDateEpoch(const char* text, std::optional<std::uint64_t>& seconds);

inline constexpr const char* kSourceDateEpochVariable = "SOURCE_DATE_EPOCH";
