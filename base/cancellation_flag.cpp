#include "base/cancellation_flag.h"

#include "base/convert_error.h"

void ThrowIfCancelled(const CancellationFlag* flag) {
  if (flag != nullptr && flag->IsCancelled()) throw ConvertError(ConvertReason::kCancelled);
}

bool IsCancellation(const std::exception& error) noexcept {
  const auto* convertError = dynamic_cast<const ConvertError*>(&error);
  return convertError != nullptr && convertError->Reason() == ConvertReason::kCancelled;
}
