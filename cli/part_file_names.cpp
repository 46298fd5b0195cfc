#include "cli/part_file_names.h"

#include <map>
#include <vector>

#include "archive/mime_reader.h"
#include "base/path_text.h"
#include "cli/page_urls.h"

namespace {

// NAME_MAX of Linux file systems.
constexpr std::size_t kLongestComponent = 255;
// Room for "-N" and an added extension within the component's limit.
constexpr std::size_t kComponentRoom = kLongestComponent - 32;
constexpr std::size_t kDeepestPath = 32;
constexpr std::string_view kExternalFolder = "_external";

std::string ExtensionForType(std::string_view type) {
  static const std::map<std::string, std::string, std::less<>> kExtensions = {
      {"text/html", "html"},
      {"application/xhtml+xml", "xhtml"},
      {"text/css", "css"},
      {"text/javascript", "js"},
      {"application/javascript", "js"},
      {"text/plain", "txt"},
      {"image/png", "png"},
      {"image/jpeg", "jpg"},
      {"image/gif", "gif"},
      {"image/webp", "webp"},
      {"image/svg+xml", "svg"},
      {"image/x-icon", "ico"},
      {"image/vnd.microsoft.icon", "ico"},
      {"image/avif", "avif"},
      {"font/woff", "woff"},
      {"font/woff2", "woff2"},
      {"font/ttf", "ttf"},
      {"font/otf", "otf"},
      {"application/json", "json"},
      {"video/mp4", "mp4"},
      {"audio/mpeg", "mp3"},
  };
  const auto found = kExtensions.find(type);
  return found == kExtensions.end() ? std::string() : found->second;
}

std::string SafeComponent(std::string_view raw) {
  std::string component;
  for (const char c : raw) {
    const auto byte = static_cast<unsigned char>(c);
    component.push_back(byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' ? '_' : c);
  }
  if (component == "." || component == "..") return {};
  if (component.size() > kComponentRoom) {
    // The extension is kept, so the file still opens as what it is.
    const std::string extension = GetExtension(component);
    const std::size_t keep = extension.size() < 16 ? extension.size() + 1 : 0;
    component = component.substr(0, kComponentRoom - keep) + (keep > 0 ? "." + extension : "");
  }
  return component;
}

// The components of a URL's path, decoded and made safe; empty ones dropped.
std::vector<std::string> SafeComponents(std::string_view path) {
  std::vector<std::string> components;
  std::size_t at = 0;
  while (at <= path.size()) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    std::string component = SafeComponent(PercentDecoded(path.substr(at, end - at)));
    if (!component.empty()) components.push_back(std::move(component));
    at = end + 1;
  }
  return components;
}

std::string StripQueryAndFragment(std::string_view url) {
  return std::string(url.substr(0, std::min(url.find_first_of("?#"), url.size())));
}

// The path that names the part from its location; empty when none does.
std::vector<std::string> LocationComponents(std::string_view location, std::string_view mainFolderUrl) {
  const std::string url = StripQueryAndFragment(location);
  if (!mainFolderUrl.empty() && url.starts_with(mainFolderUrl)) {
    return SafeComponents(std::string_view(url).substr(mainFolderUrl.size()));
  }
  const std::size_t colon = url.find(':');
  if (colon == std::string::npos || url.compare(colon + 1, 2, "//") != 0) return {};
  const std::string_view rest = std::string_view(url).substr(colon + 3);
  const std::size_t pathStart = std::min(rest.find('/'), rest.size());
  std::vector<std::string> components{std::string(kExternalFolder)};
  const std::string host = SafeComponent(PercentDecoded(rest.substr(0, pathStart)));
  if (!host.empty()) components.push_back(host);
  for (std::string& component : SafeComponents(rest.substr(pathStart))) components.push_back(std::move(component));
  return components.size() > 1 ? components : std::vector<std::string>{};
}

std::string Joined(const std::vector<std::string>& components) {
  std::string name;
  for (const std::string& component : components) {
    if (!name.empty()) name.push_back('/');
    name += component;
  }
  return name;
}

}  // namespace

std::string PartFileName(const MimePart& part, std::string_view mainFolderUrl) {
  std::vector<std::string> components = LocationComponents(part.location, mainFolderUrl);
  if (components.empty() || components.size() > kDeepestPath) {
    // Chromium gives the style sheets of a page's style elements a "cid:" location.
    const bool cidLocation = ToLower(std::string_view(part.location).substr(0, 4)) == "cid:";
    const std::string id = SafeComponent(cidLocation ? PercentDecoded(part.location.substr(4)) : part.contentId);
    components = {id.empty() ? "part-" + std::to_string(part.number) : id};
  }
  std::string& last = components.back();
  const std::string extension = ToLower(GetExtension(last));
  const std::string wanted = ExtensionForType(part.type);
  // A browser opening the folder takes a page's or a style sheet's type from
  // its extension alone.
  const bool typedByExtension = part.type == "text/html" || part.type == "text/css";
  const bool fits = extension == wanted || (wanted == "html" && extension == "htm");
  if (!wanted.empty() && (extension.empty() || (typedByExtension && !fits))) last += "." + wanted;
  return Joined(components);
}

std::string NumberedName(std::string_view name, int number) {
  const std::size_t slash = name.rfind('/');
  const std::size_t componentStart = slash == std::string_view::npos ? 0 : slash + 1;
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot <= componentStart) dot = name.size();
  return std::string(name.substr(0, dot)) + "-" + std::to_string(number) + std::string(name.substr(dot));
}

std::string FlatName(std::string_view name) {
  std::string flat(name);
  for (char& c : flat) {
    if (c == '/') c = '_';
  }
  return flat;
}
