#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace qortest {

namespace {

constexpr const char* kChildFlag = "--qortest-child";

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

int exitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

std::map<std::string, ChildEntry>& childEntries() {
  static std::map<std::string, ChildEntry> entries;
  return entries;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, bool captureError) {
  // A child that went away must not end this process through a write to its input.
  ::signal(SIGPIPE, SIG_IGN);
  int in[2], out[2], err[2] = {-1, -1};
  if (pipe2(in, O_CLOEXEC)) throw std::runtime_error("pipe failed");
  if (pipe2(out, O_CLOEXEC) || (captureError && pipe2(err, O_CLOEXEC))) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  if (captureError) posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  if (captureError) ::close(err[1]);
  input_ = in[1];
  output_ = out[0];
  error_ = err[0];
  if (rc != 0) {
    // As a shell says of a program it cannot run.
    closeFd(input_);
    status_ = 127;
    return;
  }
  pid_ = pid;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      input_(std::exchange(other.input_, -1)),
      output_(std::exchange(other.output_, -1)),
      error_(std::exchange(other.error_, -1)),
      buffered_(std::move(other.buffered_)),
      status_(other.status_) {}

ChildProcess::~ChildProcess() {
  closeInput();  // the end of its input tells a peer to stop
  if (pid_ > 0 && status_ < 0) {
    for (int i = 0; i < 250 && status_ < 0; ++i) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = exitCodeOf(status);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
    if (status_ < 0) {
      kill(SIGKILL);
      wait();
    }
  }
  closeFd(output_);
  closeFd(error_);
}

void ChildProcess::closeInput() { closeFd(input_); }

bool ChildProcess::readLine(std::string& line, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (auto end = buffered_.find('\n'); end != std::string::npos) {
      line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      return true;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0 || output_ < 0) return false;
    pollfd fd = {output_, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(left)) <= 0) continue;
    char chunk[65536];
    const ssize_t n = ::read(output_, chunk, sizeof chunk);
    if (n <= 0) return false;
    buffered_.append(chunk, static_cast<size_t>(n));
  }
}

void ChildProcess::kill(int signal) {
  if (pid_ > 0 && status_ < 0) ::kill(pid_, signal);
}

int ChildProcess::wait() {
  if (pid_ > 0 && status_ < 0) {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    status_ = exitCodeOf(status);
  }
  return status_;
}

ChildProcess spawnTestChild(const std::string& name, const std::vector<std::string>& args) {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) throw std::runtime_error("cannot find the test program");
  std::vector<std::string> argv = {std::string(self, static_cast<size_t>(n)), kChildFlag, name};
  argv.insert(argv.end(), args.begin(), args.end());
  return ChildProcess(argv);
}

bool registerChildEntry(const char* name, ChildEntry entry) {
  childEntries()[name] = entry;
  return true;
}

std::optional<int> runChildEntryIfAsked(int argc, char** argv) {
  if (argc < 3 || std::strcmp(argv[1], kChildFlag) != 0) return std::nullopt;
  const auto it = childEntries().find(argv[2]);
  if (it == childEntries().end()) return 125;
  return it->second(std::vector<std::string>(argv + 3, argv + argc));
}

ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& input) {
  ChildProcess child(argv, /*captureError=*/true);
  if (input.empty()) child.closeInput();
  ProcessResult result;
  size_t written = 0;
  pollfd fds[3] = {{child.output(), POLLIN, 0}, {child.error(), POLLIN, 0}, {child.input(), POLLOUT, 0}};
  int open = 2;
  while (open > 0 || fds[2].fd >= 0) {
    if (::poll(fds, 3, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP))) {
        char buf[4096];
        const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
        if (n <= 0) {
          fds[i].fd = -1;
          --open;
        } else {
          (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(n));
        }
      }
    }
    if (fds[2].fd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      const ssize_t n = ::write(fds[2].fd, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<size_t>(n);
      if (n <= 0 || written == input.size()) {
        child.closeInput();
        fds[2].fd = -1;
      }
    }
  }
  result.exitCode = child.wait();
  return result;
}

ProcessResult runPython(const std::string& script, const std::vector<std::string>& args, const std::string& input) {
  std::vector<std::string> argv = {kPython, "-c", script};
  argv.insert(argv.end(), args.begin(), args.end());
  return runProcess(argv, input);
}

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "qor-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string sourcePath(const std::string& relative) { return std::string(QOR_SOURCE_DIR) + "/" + relative; }

}  // namespace qortest
