#pragma once

#include <cstdint>
#include <exception>

// The codes of a failed conversion; each has one message for the user.
inline constexpr std::int32_t kErrorUnknown = 0;        // failure without a specific cause
inline constexpr std::int32_t kErrorInputOpen = 1;      // the input cannot be opened
inline constexpr std::int32_t kErrorOutputCreate = 2;   // the output cannot be created
inline constexpr std::int32_t kErrorMalformedInput = 3; // discovery or archive building failed
inline constexpr std::int32_t kErrorInputRead = 4;      // the input cannot be read completely
inline constexpr std::int32_t kErrorOutputWrite = 5;    // the output cannot be written completely
inline constexpr std::int32_t kErrorCancelled = 6;      // the user stopped the conversion
inline constexpr std::int32_t kErrorOutOfMemory = 7;    // memory ran out during the conversion

// The message the user sees for a code; a code not listed above (a negative
// one included) gives the message of kErrorUnknown.
const char* ConvertErrorMessage(std::int32_t code) noexcept;

// Why a conversion or a whole-file operation failed: the one error that
// leaves the engine and the file functions. Thrown by value; the front ends
// show what() to the user.
class ConvertError : public std::exception {
 public:
  explicit ConvertError(std::int32_t code) noexcept : m_code(code) {}

  std::int32_t Code() const noexcept { return m_code; }
  const char* what() const noexcept override { return ConvertErrorMessage(m_code); }

 private:
  std::int32_t m_code;
};
