#include "tests/transport/PeerProcess.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include <nlohmann/json.hpp>

#include "tests/support/TestSupport.h"

namespace transporttest {

PeerProcess::PeerProcess(const std::string& mode, const std::string& certFile, const std::string& keyFile,
                         const std::vector<std::string>& extra) {
  std::vector<std::string> argv = {qortest::kPython, qortest::sourcePath("tests/transport/tls_peer.py"), "--mode", mode};
  if (!certFile.empty()) argv.insert(argv.end(), {"--cert", certFile, "--key", keyFile});
  argv.insert(argv.end(), extra.begin(), extra.end());
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC)) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  stdinFd_ = in[1];
  std::string line;
  char c;
  while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
  close(out[0]);
  auto json = nlohmann::json::parse(line, nullptr, false);
  if (!json.is_object() || !json.contains("port")) throw std::runtime_error("peer did not start: " + line);
  port_ = json["port"].get<int>();
}

PeerProcess::~PeerProcess() {
  if (stdinFd_ >= 0) close(stdinFd_);
  if (pid_ > 0) {
    int status = 0;
    waitpid(pid_, &status, 0);
  }
}

}  // namespace transporttest
