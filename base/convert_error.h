#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <utility>

// Why a conversion failed. The numbers 0 to 8 are the codes of the failures
// the user is told of, each with one message.
enum class ConvertReason : std::int32_t {
  kUnknown = 0,         // failure without a specific cause
  kInputOpen = 1,       // the input cannot be opened
  kOutputCreate = 2,    // the output cannot be created
  kMalformedInput = 3,  // discovery or archive building failed
  kInputRead = 4,       // the input cannot be read completely
  kOutputWrite = 5,     // the output cannot be written completely
  kCancelled = 6,       // the user stopped the conversion
  kOutOfMemory = 7,     // memory ran out during the conversion
  kFilesLeftOut = 8,    // files the page needs were left out, and that was to fail
  // Failures of the page's markup, which the engine's steps turn into one of
  // the above (or into a frame left as written), each with its log line.
  kUnusableMarkup = 100,  // the markup could not be parsed, or could not take an edit
  kMissingElement = 101,  // a null element, or a document without a root, was used
  kCostlyMarkup = 102,    // the markup would cost too much to parse; the detail says how
};

// The message the user sees for a reason; every reason not numbered 1 to 8
// gives the message of kUnknown.
const char* ConvertErrorMessage(ConvertReason reason) noexcept;

// True for the failures of the page's markup, the reasons from 100.
bool IsMarkupFailure(ConvertReason reason) noexcept;

// Why a conversion or a whole-file operation failed: the one error that
// leaves the engine and the file functions, and the one the document layer
// raises. Thrown by value; the front ends show what() to the user.
class ConvertError : public std::exception {
 public:
  // `systemError`: the errno of the failed call, when one tells why.
  explicit ConvertError(ConvertReason reason, int systemError = 0) noexcept
      : m_reason(reason), m_systemError(systemError) {}
  // `detail`: what exactly failed, for the log.
  ConvertError(ConvertReason reason, std::string detail)
      : m_reason(reason), m_systemError(0), m_detail(std::make_shared<const std::string>(std::move(detail))) {}

  ConvertReason Reason() const noexcept { return m_reason; }
  int SystemError() const noexcept { return m_systemError; }
  // Empty when the reason says it all.
  const std::string& Detail() const noexcept;
  const char* what() const noexcept override { return ConvertErrorMessage(m_reason); }

 private:
  ConvertReason m_reason;
  int m_systemError;
  std::shared_ptr<const std::string> m_detail;  // shared, so that copying the error cannot throw; may be null
};
