#include "tests/engine/support/PeerServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/TestSupport.h"

namespace enginetest {

namespace {

std::vector<std::string> commandFor(PeerServer::Kind kind) {
  switch (kind) {
    case PeerServer::Kind::python: return {qortest::kPython, qortest::sourcePath("tools/wspeers/ws_peer.py")};
    case PeerServer::Kind::hostile: return {qortest::kPython, qortest::sourcePath("tools/wspeers/hostile_ws.py")};
    case PeerServer::Kind::chunky: return {qortest::kPython, qortest::sourcePath("tools/wspeers/chunky_peer.py")};
    case PeerServer::Kind::node: return {"/usr/bin/env", "node", qortest::sourcePath("tools/wspeers/ws_peer.js")};
  }
  return {};
}

}  // namespace

std::string PeerServer::name(Kind kind) {
  switch (kind) {
    case Kind::python: return "python3-websockets";
    case Kind::node: return "ws";
    case Kind::hostile: return "hostile";
    case Kind::chunky: return "chunky";
  }
  return "?";
}

bool PeerServer::nodePeerInstalled() {
  return std::filesystem::exists(qortest::sourcePath("tools/wspeers/node_modules/ws/package.json"));
}

PeerServer::PeerServer(Kind kind, const std::vector<std::string>& args) {
  auto argv = commandFor(kind);
  argv.insert(argv.end(), args.begin(), args.end());
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC)) return;
  signal(SIGPIPE, SIG_IGN);
  // Built before fork: the child of a threaded process may only make async-signal-safe calls.
  std::vector<char*> raw;
  for (auto& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    execv(raw[0], raw.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  toPeer_ = in[1];
  fromPeer_ = out[0];
  reader_ = std::thread([this] { readLines(); });
  std::unique_lock lock(mutex_);
  cv_.wait_for(lock, std::chrono::seconds(30), [this] { return port_ != 0; });
}

PeerServer::~PeerServer() {
  if (toPeer_ >= 0) close(toPeer_);
  if (pid_ > 0) {
    for (int i = 0; i < 100 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (kill(pid_, 0) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  if (reader_.joinable()) reader_.join();
  if (fromPeer_ >= 0) close(fromPeer_);
}

void PeerServer::readLines() {
  std::string buffered;
  char chunk[4096];
  for (;;) {
    ssize_t n = read(fromPeer_, chunk, sizeof chunk);
    if (n <= 0) break;
    buffered.append(chunk, static_cast<size_t>(n));
    for (auto end = buffered.find('\n'); end != std::string::npos; end = buffered.find('\n')) {
      auto line = nlohmann::json::parse(buffered.substr(0, end), nullptr, false);
      buffered.erase(0, end + 1);
      std::lock_guard lock(mutex_);
      if (port_ == 0 && line.is_object() && line.contains("port")) {
        port_ = line["port"].get<int>();
      } else if (line.is_object()) {
        events_.push_back(line);
      }
      cv_.notify_all();
    }
  }
  std::lock_guard lock(mutex_);
  if (port_ == 0) port_ = -1;
  cv_.notify_all();
}

std::string PeerServer::url(const std::string& path, bool tls) const {
  return std::string(tls ? "wss" : "ws") + "://127.0.0.1:" + std::to_string(port_) + path;
}

nlohmann::json PeerServer::waitForEvent(const nlohmann::json& match, std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  nlohmann::json found;
  cv_.wait_for(lock, limit, [&] {
    for (const auto& event : events_) {
      bool all = true;
      for (const auto& [k, v] : match.items()) all = all && event.contains(k) && event[k] == v;
      if (all) {
        found = event;
        return true;
      }
    }
    return false;
  });
  return found;
}

}  // namespace enginetest
