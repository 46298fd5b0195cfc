#pragma once

#include <string_view>

// Stop the fuzzer with `what` on standard error when a property fails, so
// that libFuzzer keeps the input as a crash artifact.
void Require(bool condition, const char* what);
// Also shows both texts around their first difference.
void RequireSameText(std::string_view expected, std::string_view actual, const char* what);
