#include "engine/html_text_decoding.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <utility>

#include "base/utf8_text.h"

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Where glibc's converter differs from the standard's decoder, the nearest
// superset stands in: GBK pages are decoded as gb18030, Big5 as Big5-HKSCS,
// Shift_JIS as Windows-31J and EUC-KR as Windows-949, as browsers do.
constexpr std::pair<std::string_view, const char*> kIconvNames[]{
    {"IBM866", "IBM866"},
    {"ISO-8859-2", "ISO-8859-2"},
    {"ISO-8859-3", "ISO-8859-3"},
    {"ISO-8859-4", "ISO-8859-4"},
    {"ISO-8859-5", "ISO-8859-5"},
    {"ISO-8859-6", "ISO-8859-6"},
    {"ISO-8859-7", "ISO-8859-7"},
    {"ISO-8859-8", "ISO-8859-8"},
    {"ISO-8859-8-I", "ISO-8859-8"},
    {"ISO-8859-10", "ISO-8859-10"},
    {"ISO-8859-13", "ISO-8859-13"},
    {"ISO-8859-14", "ISO-8859-14"},
    {"ISO-8859-15", "ISO-8859-15"},
    {"ISO-8859-16", "ISO-8859-16"},
    {"KOI8-R", "KOI8-R"},
    {"KOI8-U", "KOI8-U"},
    {"macintosh", "MACINTOSH"},
    {"windows-874", "CP874"},
    {"windows-1250", "CP1250"},
    {"windows-1251", "CP1251"},
    {"windows-1252", "CP1252"},
    {"windows-1253", "CP1253"},
    {"windows-1254", "CP1254"},
    {"windows-1255", "CP1255"},
    {"windows-1256", "CP1256"},
    {"windows-1257", "CP1257"},
    {"windows-1258", "CP1258"},
    {"x-mac-cyrillic", "MAC-CYRILLIC"},
    {"GBK", "GB18030"},
    {"gb18030", "GB18030"},
    {"Big5", "BIG5-HKSCS"},
    {"EUC-JP", "EUC-JP"},
    {"ISO-2022-JP", "ISO-2022-JP"},
    {"Shift_JIS", "CP932"},
    {"EUC-KR", "CP949"},
    {"UTF-16BE", "UTF-16BE"},
    {"UTF-16LE", "UTF-16LE"},
};

const char* IconvName(std::string_view encoding) {
  const auto* found = std::find_if(std::begin(kIconvNames), std::end(kIconvNames),
                                   [&](const auto& entry) { return entry.first == encoding; });
  return found == std::end(kIconvNames) ? nullptr : found->second;
}

// Closes the converter whichever way decoding ends.
class Converter {
 public:
  explicit Converter(const char* from) : m_handle(iconv_open("UTF-8", from)) {}
  ~Converter() {
    if (IsOpen()) iconv_close(m_handle);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // iconv_open tells its failure by this one value.
  bool IsOpen() const { return m_handle != reinterpret_cast<iconv_t>(-1); }  // NOLINT(performance-no-int-to-ptr)
  iconv_t Handle() const { return m_handle; }

 private:
  iconv_t m_handle;
};

// For code points from U+0080 to U+07FF.
void AppendTwoByteUtf8(std::string& out, unsigned int codePoint) {
  out += static_cast<char>(0xC0 | (codePoint >> 6));
  out += static_cast<char>(0x80 | (codePoint & 0x3F));
}

// How many bytes an undecodable piece of input takes, and what stands for it.
struct Undecodable {
  std::size_t length;
  std::optional<unsigned int> codePoint;  // nothing: U+FFFD
};

Undecodable ClassifyUndecodable(std::string_view encoding, unsigned char byte) {
  // The five bytes that windows-1252 leaves undefined decode to the C1
  // controls of the same value in browsers; glibc rejects them.
  if (encoding == "windows-1252") return {1, byte};
  if (encoding == "UTF-16BE" || encoding == "UTF-16LE") return {2, std::nullopt};
  return {1, std::nullopt};
}

// Appends what the converter has made of the input so far.
std::size_t Convert(const Converter& converter, char** in, std::size_t* inLeft, std::string& out) {
  std::array<char, 65536> chunk;
  char* outNext = chunk.data();
  std::size_t outLeft = chunk.size();
  const std::size_t result = iconv(converter.Handle(), in, inLeft, &outNext, &outLeft);
  const int error = errno;
  out.append(chunk.data(), outNext);
  errno = error;
  return result;
}

std::string DecodeWithIconv(std::string_view bytes, std::string_view encoding) {
  const Converter converter(IconvName(encoding));
  if (!converter.IsOpen()) throw std::invalid_argument("no converter for this encoding");
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  char* in = const_cast<char*>(bytes.data());  // iconv's signature; it does not write the input
  std::size_t inLeft = bytes.size();
  while (inLeft > 0) {
    if (Convert(converter, &in, &inLeft, out) != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    if (errno == EINVAL) {  // the input ends inside a sequence
      out += kReplacementCharacter;
      break;
    }
    const Undecodable undecodable = ClassifyUndecodable(encoding, static_cast<unsigned char>(*in));
    if (undecodable.codePoint) {
      AppendTwoByteUtf8(out, *undecodable.codePoint);
    } else {
      out += kReplacementCharacter;
    }
    const std::size_t skipped = std::min(undecodable.length, inLeft);
    in += skipped;
    inLeft -= skipped;
  }
  Convert(converter, nullptr, nullptr, out);  // a stateful decoder's return to its initial state
  return out;
}

}  // namespace

bool CanDecode(std::string_view encoding) {
  if (encoding == "UTF-8") return true;
  const char* name = IconvName(encoding);
  return name != nullptr && Converter(name).IsOpen();
}

std::string DecodeToUtf8(std::string_view bytes, std::string_view encoding) {
  if (encoding == "UTF-8") return RepairUtf8(bytes);
  return DecodeWithIconv(bytes, encoding);
}

std::string_view WellFormedUtf8(std::string_view text, std::string& repaired) {
  if (IsValidUtf8(text)) return text;
  repaired = RepairUtf8(text);
  return repaired;
}

std::string RepairUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t runStart = 0;
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::size_t subpart = 0;
    const std::size_t length = Utf8SequenceLength(bytes.substr(i), &subpart);
    if (length != 0) {
      i += length;
      continue;
    }
    out.append(bytes, runStart, i - runStart);
    out += kReplacementCharacter;
    i += subpart;
    runStart = i;
  }
  out.append(bytes, runStart, std::string_view::npos);
  return out;
}
