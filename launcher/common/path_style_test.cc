#include "launcher/common/path_style.h"

#include <gtest/gtest.h>

TEST(PathStyle, ComposesPathsInEachStyle) {
  const PathStyle &win = windows_path_style();
  const PathStyle &posix = posix_path_style();
  EXPECT_EQ(path_join(win, "C:\\srv", {"lib", "a.jar"}), "C:\\srv\\lib\\a.jar");
  EXPECT_EQ(path_join(posix, "/srv", {"lib", "a.jar"}), "/srv/lib/a.jar");
  EXPECT_EQ(program_path(win, "C:\\java\\bin", "java"), "C:\\java\\bin\\java.exe");
  EXPECT_EQ(program_path(posix, "/usr/bin", "java"), "/usr/bin/java");
  EXPECT_EQ(win.default_java_home, "C:\\java");
  EXPECT_EQ(posix.default_java_home, "/usr/lib/jvm/default-java");
  EXPECT_EQ(win.list_separator, ';');
  EXPECT_EQ(posix.list_separator, ':');
}

TEST(PathStyle, OwnExecutableGivesParentMarkerAndDirectory) {
  struct Row {
    const PathStyle *style;
    std::string path, want_parent, want_directory;
  };
  const Row rows[] = {
      {&windows_path_style(), "C:\\srv\\bin\\skiff.exe", "C:\\srv\\bin\\..", "C:\\srv\\bin"},
      {&posix_path_style(), "/opt/srv/bin/skiff", "/opt/srv/bin/..", "/opt/srv/bin"},
      // no separator at all: only the marker is left
      {&posix_path_style(), "skiff", "..", ""},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(path_parent_marker(*row.style, row.path), row.want_parent);
    EXPECT_EQ(path_directory(*row.style, row.path), row.want_directory);
  }
}
