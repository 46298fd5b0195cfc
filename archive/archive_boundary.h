#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The multipart boundary of an archive made at `clockMilliseconds`: a new
// one for each writer, so that two archives are told apart.
std::string ClockBoundary(std::uint64_t clockMilliseconds);

// The boundary of an archive that must come out byte for byte the same from
// the same input, whatever the machine, the moment or the number of jobs:
// made from SOURCE_DATE_EPOCH (seconds) and from the main part (its URL and
// its encoded body), which is all the writer has when it writes the header.
// Neither encoding the writer uses can produce "----=", so a boundary never
// occurs inside a part, as no clock boundary does.
std::string ReproducibleBoundary(std::uint64_t sourceDateEpoch, std::string_view mainUrl,
                                 std::string_view encodedMainBody);
