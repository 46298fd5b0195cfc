#pragma once

#include <cstdint>
#include <stdexcept>

// A failed document operation, carrying a status code in the manner of a
// COM HRESULT: the document layer's own failure, apart from ConvertError,
// whose codes are the user's. It never leaves the engine: the conversion
// steps that use the document turn it into their false result or into
// ConvertError 1 or 3.
class HtmlError : public std::runtime_error {
 public:
  static constexpr std::int32_t kPointer = static_cast<std::int32_t>(0x80004003);  // a null item was used
  static constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);

  HtmlError(std::int32_t status, const char* what) : std::runtime_error(what), m_status(status) {}
  std::int32_t Status() const { return m_status; }

 private:
  std::int32_t m_status;
};
