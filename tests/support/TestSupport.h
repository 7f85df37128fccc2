// Helpers shared by the test programs.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
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

// A child process started with posix_spawn, never fork: the test programs run threads, and the
// child that fork() makes of a threaded process may only make async-signal-safe calls. Its
// standard input and output (and error, when asked) are pipes of this process. When the object
// goes, the child's input is closed and it gets a few seconds to end before it is killed; it is
// always reaped.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv, bool captureError = false);
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&&) = delete;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  int input() const { return input_; }
  int output() const { return output_; }
  int error() const { return error_; }  // -1 unless asked for
  void closeInput();
  // The next line of its output, without the line break; false at the end of the output or when
  // none came within the time.
  bool readLine(std::string& line, int timeoutMs);
  void kill(int signal);
  // Waits until it ends: its exit code, or 128 plus the signal that ended it.
  int wait();

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  int error_ = -1;
  std::string buffered_;
  int status_ = -1;
};

// Runs a program with arguments and optional standard input; waits for it.
ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& input = {});

// Runs `script` (Python source) with Debian's python3; arguments follow.
ProcessResult runPython(const std::string& script, const std::vector<std::string>& args = {},
                        const std::string& input = {});

// The running test program again, as a child that runs the entry registered under `name` with
// QORTEST_CHILD instead of the tests.
ChildProcess spawnTestChild(const std::string& name, const std::vector<std::string>& args = {});

// Child entries: code a test runs in another process of its own program.
using ChildEntry = int (*)(const std::vector<std::string>& args);
bool registerChildEntry(const char* name, ChildEntry entry);
// The exit code of the child entry that the program's arguments name; nullopt when they name none.
std::optional<int> runChildEntryIfAsked(int argc, char** argv);

// Defines a child entry: QORTEST_CHILD(writer) { ... return 0; } with `args` in scope.
#define QORTEST_CHILD(name)                                                                 \
  static int name##ChildEntry(const std::vector<std::string>& args);                        \
  [[maybe_unused]] static const bool name##ChildRegistered =                                \
      ::qortest::registerChildEntry(#name, name##ChildEntry);                               \
  static int name##ChildEntry([[maybe_unused]] const std::vector<std::string>& args)

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
