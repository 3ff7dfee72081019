// start_child: the child start shared by every launcher.
#pragma once

#include <string>
#include <vector>

#include "launcher/common/host.h"
#include "launcher/common/path_style.h"

enum class ChildMode { wait, no_wait };

// resolve_program: the file that start_child runs for `name`. A name holding one of the
// style's path markers is used as it stands, any other is taken relative to the current
// directory ("." and the separator put in front); the search path is never consulted.
// When the last component has no "." and the style has program suffixes, the first
// suffix naming an existing file is appended. Returns false with *error = ENOENT when
// the style's rules require an existing file and there is none.
bool resolve_program(Host &host, const PathStyle &style, const std::string &name,
                     std::string *program, int *error);

// start_child: starts vector[0] with the command line made of all elements joined by
// single blanks, without quoting. Mode wait returns the exit status; mode no-wait the
// child's handle. Either returns -1 with *error set when the child could not be created
// (or, in mode wait, not waited for). An empty vector fails with EINVAL.
long start_child(Host &host, const PathStyle &style, ChildMode mode,
                 const std::vector<std::string> &vector, int *error);
