#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace qortest {

ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& input) {
  int inPipe[2], outPipe[2], errPipe[2];
  if (pipe2(inPipe, O_CLOEXEC) || pipe2(outPipe, O_CLOEXEC) || pipe2(errPipe, O_CLOEXEC)) {
    throw std::runtime_error("pipe failed");
  }
  pid_t pid = fork();
  if (pid == 0) {
    dup2(inPipe[0], 0);
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  signal(SIGPIPE, SIG_IGN);
  size_t written = 0;
  if (input.empty()) {
    close(inPipe[1]);
    inPipe[1] = -1;
  }
  ProcessResult result;
  pollfd fds[3] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}, {inPipe[1], POLLOUT, 0}};
  int open = 2;
  while (open > 0 || fds[2].fd >= 0) {
    if (poll(fds, 3, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP))) {
        char buf[4096];
        ssize_t n = read(fds[i].fd, buf, sizeof buf);
        if (n <= 0) {
          close(fds[i].fd);
          fds[i].fd = -1;
          --open;
        } else {
          (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(n));
        }
      }
    }
    if (fds[2].fd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t n = write(fds[2].fd, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<size_t>(n);
      if (n <= 0 || written == input.size()) {
        close(fds[2].fd);
        fds[2].fd = -1;
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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
