#include "launcher/common/path_style.h"

const PathStyle &windows_path_style() {
  static const PathStyle style{'\\', ';', ".exe", "C:\\java", "\\/:",
                               {".com", ".exe", ".bat", ".cmd"}};
  return style;
}

const PathStyle &posix_path_style() {
  static const PathStyle style{'/', ':', "", "/usr/lib/jvm/default-java", "/", {}};
  return style;
}

std::string path_join(const PathStyle &style, std::string_view base,
                      std::initializer_list<std::string_view> parts) {
  std::string path(base);
  for (std::string_view part : parts) {
    path += style.directory_separator;
    path += part;
  }
  return path;
}

std::string program_path(const PathStyle &style, std::string_view dir, std::string_view name) {
  std::string path = path_join(style, dir, {name});
  path += style.executable_suffix;
  return path;
}

std::string path_directory(const PathStyle &style, std::string_view path) {
  size_t cut = path.rfind(style.directory_separator);
  return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut));
}

std::string path_parent_marker(const PathStyle &style, std::string_view path) {
  size_t cut = path.rfind(style.directory_separator);
  if (cut == std::string_view::npos) {
    return "..";
  }
  return std::string(path.substr(0, cut + 1)) + "..";
}
