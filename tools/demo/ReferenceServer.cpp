#include "tools/demo/ReferenceServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <vector>

extern char** environ;

namespace demo {

namespace {

constexpr const char* kPython = "/usr/bin/python3";
constexpr int kStartTimeoutMs = 30000;

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Reads up to a line break from the descriptor within the time; false at its end or on time-out.
bool readLine(int fd, std::string& line, int timeoutMs) {
  line.clear();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (timeoutMs >= 0 && left <= 0) return false;
    pollfd p = {fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs >= 0 ? static_cast<int>(left) : -1) <= 0) continue;
    char c;
    if (::read(fd, &c, 1) != 1) return false;
    if (c == '\n') return true;
    line.push_back(c);
  }
}

}  // namespace

std::unique_ptr<ReferenceServer> ReferenceServer::start(const std::string& script, const std::string& folder,
                                                        ExchangeHandler onExchange, std::string& error) {
  // A server that went away must not end the demo through a write to its input.
  ::signal(SIGPIPE, SIG_IGN);
  std::unique_ptr<ReferenceServer> server(new ReferenceServer());
  int in[2], out[2], err[2] = {-1, -1};
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || (onExchange && pipe2(err, O_CLOEXEC))) {
    error = "cannot make pipes";
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  if (onExchange) posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  std::vector<std::string> argv = {kPython, script, "--dir", folder};
  if (onExchange) argv.push_back("--exchanges");
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  const int rc = posix_spawn(&server->pid_, kPython, &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  if (err[1] >= 0) ::close(err[1]);
  server->input_ = in[1];
  server->output_ = out[0];
  server->errors_ = err[0];
  if (rc != 0) {
    server->pid_ = -1;
    error = "cannot start " + std::string(kPython);
    return nullptr;
  }

  std::string line;
  if (!readLine(server->output_, line, kStartTimeoutMs)) {
    error = "the reference server did not start (" + script + ")";
    return nullptr;
  }
  const auto first = platform::Json::parse(line, nullptr, false);
  if (!first.is_object() || !first.contains("host") || !first.contains("pubVtnBase64")) {
    error = "the reference server's first line is not its address: " + line;
    return nullptr;
  }
  server->info_.host = first.value("host", "");
  server->info_.pubVtnBase64 = first.value("pubVtnBase64", "");
  server->info_.caPath = first.value("ca", "");
  server->info_.webSocketURL = first.value("ws", "");
  if (onExchange) server->reader_ = std::thread([s = server.get(), onExchange] { s->readExchanges(onExchange); });
  return server;
}

void ReferenceServer::readExchanges(ExchangeHandler onExchange) {
  for (std::string line; readLine(errors_, line, -1);) {
    const auto message = platform::Json::parse(line, nullptr, false);
    if (message.is_object() && message.contains("exchange")) onExchange(message["exchange"]);
  }
}

ReferenceServer::~ReferenceServer() {
  closeFd(input_);  // the end of its input stops the server
  if (pid_ > 0) {
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 100 && !ended; ++i) {
      ended = ::waitpid(pid_, &status, WNOHANG) == pid_;
      if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!ended) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
    }
  }
  // The server's end closes its error output, which ends the reader.
  if (reader_.joinable()) reader_.join();
  closeFd(output_);
  closeFd(errors_);
}

}  // namespace demo
