#include "tests/http/support/RefServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace qortest {

RefServer::RefServer(std::vector<std::string> certNames) {
  std::vector<std::string> argv = {kPython, sourcePath("tools/refserver/refserver.py"), "--dir",
                                   dir_.path().string()};
  for (const auto& name : certNames) {
    argv.push_back("--cert-name");
    argv.push_back(name);
  }
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC)) return;
  signal(SIGPIPE, SIG_IGN);
  // Built before fork: the child of a threaded process may only make async-signal-safe calls.
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    execv(args[0], args.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  toServer_ = in[1];
  fromServer_ = out[0];
  std::string line;
  if (!readLine(line, 30000)) return;
  auto info = nlohmann::json::parse(line, nullptr, false);
  if (!info.is_object()) return;
  port_ = info.value("port", 0);
  host_ = info.value("host", "");
  caPath_ = info.value("ca", "");
  pubVtnBase64_ = info.value("pubVtnBase64", "");
  webSocketURL_ = info.value("ws", "");
}

RefServer::~RefServer() {
  if (toServer_ >= 0) close(toServer_);  // end of input stops the server
  if (pid_ > 0) {
    for (int i = 0; i < 100; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  if (fromServer_ >= 0) close(fromServer_);
}

bool RefServer::readLine(std::string& line, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (auto end = buffered_.find('\n'); end != std::string::npos) {
      line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      return true;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fd = {fromServer_, POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
    char chunk[65536];
    ssize_t n = read(fromServer_, chunk, sizeof chunk);
    if (n <= 0) return false;
    buffered_.append(chunk, static_cast<size_t>(n));
  }
}

nlohmann::json RefServer::command(const nlohmann::json& command) {
  std::string text = command.dump() + "\n";
  if (write(toServer_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    return {{"ok", false}, {"error", "cannot write to the server"}};
  }
  std::string line;
  if (!readLine(line, 30000)) return {{"ok", false}, {"error", "no answer from the server"}};
  auto answer = nlohmann::json::parse(line, nullptr, false);
  if (!answer.is_object()) return {{"ok", false}, {"error", "unreadable answer"}};
  return answer;
}

void RefServer::script(const nlohmann::json& answers) { command({{"cmd", "script"}, {"answers", answers}}); }

nlohmann::json RefServer::requests() { return command({{"cmd", "requests"}}).value("requests", nlohmann::json::array()); }

void RefServer::reset() { command({{"cmd", "reset"}}); }

int unusedLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

}  // namespace qortest
