// Helpers shared by the test programs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qortest {

// Debian's interpreter, the one its python3-* packages serve.
inline constexpr const char* kPython = "/usr/bin/python3";

struct ProcessResult {
  int exitCode = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs a program with arguments and optional standard input; waits for it.
ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& input = {});

// Runs `script` (Python source) with Debian's python3; arguments follow.
ProcessResult runPython(const std::string& script, const std::vector<std::string>& args = {},
                        const std::string& input = {});

// A fresh folder that is removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Path of a file of the source tree, from its path relative to the tree's root.
std::string sourcePath(const std::string& relative);

}  // namespace qortest
