#include "base/file_replacement_stream.h"

#include <string_view>

FileReplacementStream::FileReplacementStream(FileReplacement& file) : std::ostream(nullptr), m_buffer(file) {
  rdbuf(&m_buffer);
}

std::streamsize FileReplacementStream::Buffer::xsputn(const char* text, std::streamsize count) {
  return m_file.Write(std::string_view(text, static_cast<std::size_t>(count))) ? count : 0;
}

FileReplacementStream::Buffer::int_type FileReplacementStream::Buffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) {
    return traits_type::not_eof(c);
  }
  const char byte = traits_type::to_char_type(c);
  return m_file.Write(std::string_view(&byte, 1)) ? c : traits_type::eof();
}
