// Writes the base64 form of one file to standard output, as `base64 -w 76`
// does, so that the two can be timed side by side and their outputs compared.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

#include "archive/base64_encoder.h"
#include "archive/convert_error.h"
#include "archive/file_io.h"

namespace {

bool WriteOut(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: scrivane_base64 FILE\n");
    return 2;
  }
  try {
    const std::string bytes = ReadWholeFile(argv[1]);
    std::string encoded = EncodeBase64(bytes.data(), bytes.size());
    // coreutils ends its output with a line feed; the archive's bodies need not.
    if (encoded.back() != '\n') encoded += '\n';
    return WriteOut(encoded) ? 0 : 1;
  } catch (const ConvertError& error) {
    std::fprintf(stderr, "scrivane_base64: cannot read %s (error %d)\n", argv[1], error.code);
    return 1;
  }
}
