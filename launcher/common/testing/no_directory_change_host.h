// NoDirectoryChangeHost: the in-memory host on which every change of directory fails
// (an existing directory the launcher may not enter), for the tools' unit tests.
#pragma once

#include "launcher/common/fake_host.h"

class NoDirectoryChangeHost : public FakeHost {
 public:
  using FakeHost::FakeHost;
  bool change_directory(const std::string &) override { return false; }
};
