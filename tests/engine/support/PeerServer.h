// A test peer (one of tools/wspeers) as a child process: its port comes from its first line, each
// later line is a JSON event; closing its standard input ends it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

namespace enginetest {

class PeerServer {
 public:
  // ws_peer.py, ws_peer.js (node), hostile_ws.py, chunky_peer.py.
  enum class Kind { python, node, hostile, chunky };

  // TLS when a certificate and key file are given.
  PeerServer(Kind kind, const std::vector<std::string>& args = {});
  ~PeerServer();
  PeerServer(const PeerServer&) = delete;
  PeerServer& operator=(const PeerServer&) = delete;

  bool running() const { return port_ > 0; }
  int port() const { return port_; }
  // "ws://127.0.0.1:<port><path>" (wss with TLS).
  std::string url(const std::string& path, bool tls = false) const;

  // Waits until an event with these members arrived; the event, or null on time-out.
  nlohmann::json waitForEvent(const nlohmann::json& match, std::chrono::milliseconds limit = std::chrono::seconds(10));

  // Whether the npm package ws is installed for the node peer.
  static bool nodePeerInstalled();
  static std::string name(Kind kind);

 private:
  void readLines();

  pid_t pid_ = -1;
  int toPeer_ = -1;
  int fromPeer_ = -1;
  int port_ = 0;
  std::thread reader_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<nlohmann::json> events_;
};

}  // namespace enginetest
