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
inline constexpr std::int32_t kErrorFilesLeftOut = 8;  // files the page needs were left out, and that was to fail

// The message the user sees for a code; a code not listed above (a negative
// one included) gives the message of kErrorUnknown.
const char* ConvertErrorMessage(std::int32_t code) noexcept;

// Why a conversion or a whole-file operation failed: the one error that
// leaves the engine and the file functions. Thrown by value; the front ends
// show what() to the user.
class ConvertError : public std::exception {
 public:
  // `systemError`: the errno of the failed call, when one tells why.
  explicit ConvertError(std::int32_t code, int systemError = 0) noexcept : m_code(code), m_systemError(systemError) {}

  std::int32_t Code() const noexcept { return m_code; }
  int SystemError() const noexcept { return m_systemError; }
  const char* what() const noexcept override { return ConvertErrorMessage(m_code); }

 private:
  std::int32_t m_code;
  int m_systemError;
};
