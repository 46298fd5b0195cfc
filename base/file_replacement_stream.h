#pragma once

#include <ostream>
#include <streambuf>

#include "base/file_replacement.h"

// An output stream whose text goes straight into a FileReplacement, for
// writers that produce their text through std::ostream. It keeps no buffer
// of its own; a failed write sets badbit.
class FileReplacementStream : public std::ostream {
 public:
  explicit FileReplacementStream(FileReplacement& file);

 private:
  class Buffer : public std::streambuf {
   public:
    explicit Buffer(FileReplacement& file) : m_file(file) {}

   protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int_type overflow(int_type c) override;

   private:
    FileReplacement& m_file;  // not owned
  };

  Buffer m_buffer;
};
