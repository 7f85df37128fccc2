// Echo round trips (125 B, one at a time) and throughput (64 KiB and 1 MiB messages, a few in
// flight) of the WebSocket front class and its engine against a loopback echo peer, and of a
// python3-websockets and an npm ws client against the same peer, in one run. The peer is the ws
// echo server of tools/wspeers (python3-websockets' when node is missing). Plain ws, no compression.
//
// Every figure is the time from the first send to the last echo, over COUNT messages; the peer and
// the connection are set up outside the timing.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/websocket/client/WebSocket.h"
#include "platform/Queue.h"

namespace {

const std::string kSource = QOR_SOURCE_DIR;

struct Workload {
  const char* name;
  size_t size;
  int count;
  int window;  // messages waiting for their echo at most
};

constexpr Workload kWorkloads[] = {
    {"RoundTrip125B", 125, 2000, 1},
    {"Throughput64KiB", 64 * 1024, 500, 8},
    {"Throughput1MiB", 1024 * 1024, 50, 4},
};

bool nodeAvailable() {
  return std::filesystem::exists(kSource + "/tools/wspeers/node_modules/ws/package.json") &&
         std::system("command -v node >/dev/null 2>&1") == 0;
}

// The echo peer as a child process for the whole run.
class Peer {
 public:
  Peer() {
    std::vector<std::string> argv = nodeAvailable()
        ? std::vector<std::string>{"/usr/bin/env", "node", kSource + "/tools/wspeers/ws_peer.js"}
        : std::vector<std::string>{"/usr/bin/python3", kSource + "/tools/wspeers/ws_peer.py"};
    name_ = nodeAvailable() ? "ws" : "python3-websockets";
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC)) return;
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
    std::string line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
    // The peer goes on writing event lines; they are read and dropped so that it never writes into
    // a closed pipe.
    std::thread([fd = out[0]] {
      char chunk[512];
      while (read(fd, chunk, sizeof chunk) > 0) {
      }
      close(fd);
    }).detach();
    auto info = nlohmann::json::parse(line, nullptr, false);
    if (info.is_object()) port_ = info.value("port", 0);
  }
  ~Peer() {
    if (toPeer_ >= 0) close(toPeer_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  std::string url() const { return "ws://127.0.0.1:" + std::to_string(port_) + "/echo"; }
  const std::string& name() const { return name_; }
  bool running() const { return port_ > 0; }

 private:
  pid_t pid_ = -1;
  int toPeer_ = -1;
  int port_ = 0;
  std::string name_;
};

Peer& peer() {
  static auto* p = new Peer();
  return *p;
}

// Our client: the front class with its default engine and transport, events on a serial queue.
class EngineClient {
 public:
  explicit EngineClient(const std::string& url)
      : socket_(qor::WebSocket::create(platform::URLRequest(platform::URL::parse(url)))) {
    socket_->setCallbackQueue(platform::SerialQueue::create("com.qor.wsbench.events"));
    socket_->setOnEvent([this](const qor::WebSocketEvent& event) {
      std::lock_guard lock(mutex_);
      if (event.as<qor::WebSocketEvent::Connected>()) connected_ = true;
      if (event.as<qor::WebSocketEvent::Text>()) ++echoes_;
      if (event.as<qor::WebSocketEvent::Error>() || event.as<qor::WebSocketEvent::Cancelled>()) failed_ = true;
      cv_.notify_all();
    });
    socket_->connect();
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, std::chrono::seconds(10), [this] { return connected_ || failed_; });
  }
  ~EngineClient() { socket_->disconnect(); }

  bool connected() {
    std::lock_guard lock(mutex_);
    return connected_ && !failed_;
  }

  // Seconds from the first send to the last echo; negative when the connection failed.
  double run(const std::string& message, int count, int window) {
    {
      std::lock_guard lock(mutex_);
      echoes_ = 0;
    }
    const auto start = std::chrono::steady_clock::now();
    int sent = 0;
    std::unique_lock lock(mutex_);
    while (echoes_ < count) {
      while (sent < count && sent - echoes_ < window) {
        lock.unlock();
        socket_->writeString(message);
        lock.lock();
        ++sent;
      }
      const auto canGoOn = [&] { return failed_ || echoes_ == count || (sent < count && sent - echoes_ < window); };
      if (!cv_.wait_for(lock, std::chrono::seconds(30), canGoOn)) {
        return -1;
      }
      if (failed_) return -1;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }

 private:
  std::shared_ptr<qor::WebSocket> socket_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool connected_ = false;
  bool failed_ = false;
  int echoes_ = 0;
};

// Runs one of the client scripts of tools/wspeers; the seconds it reports, negative on failure.
double runScriptClient(const std::vector<std::string>& command, const Workload& w) {
  std::string line;
  for (const auto& part : command) line += "'" + part + "' ";
  line += "'" + peer().url() + "' " + std::to_string(w.size) + " " + std::to_string(w.count) + " " +
          std::to_string(w.window);
  FILE* pipe = popen(line.c_str(), "r");
  if (!pipe) return -1;
  std::string out;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
  if (pclose(pipe) != 0) return -1;
  auto result = nlohmann::json::parse(out, nullptr, false);
  return result.is_object() ? result.value("seconds", -1.0) : -1;
}

void finish(benchmark::State& state, const Workload& w, double totalSeconds) {
  const double messages = static_cast<double>(w.count) * static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(messages * static_cast<double>(w.size)));
  state.counters["us_per_message"] = totalSeconds > 0 ? totalSeconds * 1e6 / messages : 0;
}

void BM_Engine(benchmark::State& state, Workload w) {
  if (!peer().running()) return state.SkipWithError("no echo peer");
  EngineClient client(peer().url());
  if (!client.connected()) return state.SkipWithError("could not connect");
  const std::string message(w.size, 'x');
  double total = 0;
  for (auto _ : state) {
    const double seconds = client.run(message, w.count, w.window);
    if (seconds < 0) return state.SkipWithError("the connection failed");
    state.SetIterationTime(seconds);
    total += seconds;
  }
  finish(state, w, total);
}

void BM_Script(benchmark::State& state, Workload w, std::vector<std::string> command, bool needsNode) {
  if (!peer().running()) return state.SkipWithError("no echo peer");
  if (needsNode && !nodeAvailable()) return state.SkipWithError("the npm package ws is not installed");
  double total = 0;
  for (auto _ : state) {
    const double seconds = runScriptClient(command, w);
    if (seconds < 0) return state.SkipWithError("the client failed");
    state.SetIterationTime(seconds);
    total += seconds;
  }
  finish(state, w, total);
}

void registerAll() {
  const std::vector<std::string> python = {"/usr/bin/python3", kSource + "/tools/wspeers/bench_client.py"};
  const std::vector<std::string> node = {"node", kSource + "/tools/wspeers/bench_client.js"};
  for (const auto& w : kWorkloads) {
    benchmark::RegisterBenchmark((std::string(w.name) + "/qor-engine").c_str(), BM_Engine, w)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string(w.name) + "/python3-websockets").c_str(), BM_Script, w, python, false)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string(w.name) + "/npm-ws").c_str(), BM_Script, w, node, true)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  benchmark::Initialize(&argc, argv);
  registerAll();
  benchmark::AddCustomContext("echo peer", peer().name());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
