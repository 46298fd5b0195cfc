#pragma once

#include <cstdint>

// Why a conversion or a whole-file operation failed. Thrown by value; the main
// dialog and the command line turn the code into a message.
struct ConvertError {
  std::int32_t code;
};

inline constexpr std::int32_t kErrorUnknown = 0;        // failure without a specific cause
inline constexpr std::int32_t kErrorInputOpen = 1;      // the input cannot be opened
inline constexpr std::int32_t kErrorOutputCreate = 2;   // the output cannot be created
inline constexpr std::int32_t kErrorMalformedInput = 3; // discovery or archive building failed
inline constexpr std::int32_t kErrorInputRead = 4;      // the input cannot be read completely
inline constexpr std::int32_t kErrorOutputWrite = 5;    // the output cannot be written completely
