// Writes the base64 form of one file to standard output, as `base64 -w 76`
// does but with the archive's CR LF line ends, so that the two can be timed
// side by side and their outputs compared.
// Like coreutils it streams the file through two buffers, one for the bytes
// and one for their encoding; each piece is a whole number of 57-byte lines,
// so the pieces' encodings join into the encoding of the whole file.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <vector>

#include "archive/base64_encoder.h"
#include "base/buffered_writer.h"
#include "base/byte_buffer.h"
#include "base/file_descriptor.h"

namespace {

constexpr std::size_t kPieceBytes = 57 * 16 * 1024;

// Fills `buffer` unless the file ends first; the count read, or -1.
ssize_t ReadPiece(int fd, std::vector<char>& buffer) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t got = ::read(fd, buffer.data() + done, buffer.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: scrivane_base64 FILE\n");
    return 2;
  }
  const FileDescriptor fd(::open(argv[1], O_RDONLY | O_CLOEXEC));
  if (!fd.IsOpen()) {
    std::perror(argv[1]);
    return 1;
  }
  std::vector<char> piece(kPieceBytes);
  ByteBuffer encoded;
  bool endsInLineEnd = true;
  for (;;) {
    const ssize_t got = ReadPiece(fd.Get(), piece);
    if (got < 0) {
      std::perror(argv[1]);
      return 1;
    }
    if (got == 0) break;
    encoded.Clear();
    AppendBase64(std::string_view(piece.data(), static_cast<std::size_t>(got)), encoded);
    if (!WriteAll(STDOUT_FILENO, encoded.View())) return 1;
    endsInLineEnd = encoded.View().back() == '\n';
  }
  // coreutils ends its output with a line end; the archive's bodies need not.
  return endsInLineEnd || WriteAll(STDOUT_FILENO, "\r\n") ? 0 : 1;
}
