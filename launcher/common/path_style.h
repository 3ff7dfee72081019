// PathStyle: how one platform spells paths and lists. The launcher logic composes
// every path and list through it, so the same code serves the Windows forms of the
// documented examples and the POSIX forms of the real host; fixed message texts never
// go through it.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

struct PathStyle {
  char directory_separator;        // '\\' or '/'
  char list_separator;             // ';' or ':' (CLASSPATH, PATH)
  std::string executable_suffix;   // ".exe" or empty
  std::string default_java_home;   // used when JAVA_HOME is not set
  std::string path_markers;        // characters that make a program name a path
  std::vector<std::string> program_suffixes;  // tried in order for a name without "."
};

// windows_path_style: '\', ';', ".exe", "C:\java"; ".com" ".exe" ".bat" ".cmd" searched.
const PathStyle &windows_path_style();
// posix_path_style: '/', ':', no suffix, "/usr/lib/jvm/default-java"; no suffix search.
const PathStyle &posix_path_style();

// path_join: `base` followed by each part, each preceded by the directory separator.
std::string path_join(const PathStyle &style, std::string_view base,
                      std::initializer_list<std::string_view> parts);

// program_path: `dir` + separator + `name` + the executable suffix ("bin\java.exe").
std::string program_path(const PathStyle &style, std::string_view dir, std::string_view name);

// path_parent_marker: the own-executable rule: everything after the last directory
// separator replaced by ".." ("C:\srv\bin\skiff.exe" -> "C:\srv\bin\.."). A path
// without a separator yields "..".
std::string path_parent_marker(const PathStyle &style, std::string_view path);

// path_directory: the text before the last directory separator (empty when none).
std::string path_directory(const PathStyle &style, std::string_view path);
