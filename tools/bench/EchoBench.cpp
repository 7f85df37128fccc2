// Echo round trips (125 B, one at a time) and throughput (64 KiB and 1 MiB messages, a few in
// flight) of the WebSocket front class and its engine against a loopback echo peer, beside a
// python3-websockets and an npm ws client against the same peer. The peer is the ws echo server of
// tools/wspeers (python3-websockets' when node or the npm package is missing). Plain ws, no
// compression.
//
// Every figure is the time from the first send to the last echo, over the workload's messages; the
// peer and the connection are set up outside the timing (the script clients time themselves).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/websocket/client/WebSocket.h"
#include "platform/Queue.h"
#include "tests/support/TestSupport.h"
#include "tools/bench/BenchSupport.h"
#include "tools/bench/EchoWorkloads.h"

namespace qorbench {
namespace {

bool nodeAvailable() {
  static const bool available =
      std::filesystem::exists(qortest::sourcePath("tools/wspeers/node_modules/ws/package.json")) &&
      qortest::runProcess({"/usr/bin/env", "node", "--version"}).exitCode == 0;
  return available;
}

// The echo peer as a child process, from the first echo benchmark to the end of the program.
class EchoPeer {
 public:
  static EchoPeer& instance() {
    static EchoPeer* peer = [] {
      auto* made = new EchoPeer();
      stopAtEnd([made] { delete made; });
      return made;
    }();
    return *peer;
  }

  bool running() const { return port_ > 0; }
  std::string url() const { return "ws://127.0.0.1:" + std::to_string(port_) + "/echo"; }
  // The peer writes a line for each client's close; they are read here so its pipe never fills.
  void dropEventLines() {
    std::string line;
    while (process_.readLine(line, 0)) {
    }
  }

 private:
  EchoPeer()
      : process_(nodeAvailable() ? std::vector<std::string>{"/usr/bin/env", "node",
                                                            qortest::sourcePath("tools/wspeers/ws_peer.js")}
                                 : std::vector<std::string>{qortest::kPython,
                                                            qortest::sourcePath("tools/wspeers/ws_peer.py")}) {
    std::string line;
    if (!process_.readLine(line, 30000)) return;
    auto info = nlohmann::json::parse(line, nullptr, false);
    if (info.is_object()) port_ = info.value("port", 0);
  }

  qortest::ChildProcess process_;
  int port_ = 0;
};

double processCpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Our client: the front class with its default engine and transport, events on a serial queue.
// As the two script clients do, it sends the next message from the handler of an echo, so a round
// trip is what an app that answers from its event queue sees.
class EngineClient {
 public:
  explicit EngineClient(const std::string& url)
      : socket_(qor::WebSocket::create(platform::URLRequest(platform::URL::parse(url)))) {
    socket_->setCallbackQueue(platform::SerialQueue::create("com.qor.bench.echo.events"));
    socket_->setOnEvent([this](const qor::WebSocketEvent& event) {
      int toSend = 0;
      bool wake = true;
      {
        std::lock_guard lock(mutex_);
        if (event.as<qor::WebSocketEvent::Connected>()) connected_ = true;
        if (event.as<qor::WebSocketEvent::Text>()) {
          ++echoes_;
          toSend = reserveSends();
          wake = echoes_ >= count_;
        }
        if (event.as<qor::WebSocketEvent::Error>() || event.as<qor::WebSocketEvent::Cancelled>()) failed_ = true;
      }
      send(toSend);
      if (wake) cv_.notify_all();
    });
    socket_->connect();
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, std::chrono::seconds(10), [this] { return connected_ || failed_; });
  }
  ~EngineClient() {
    socket_->setOnEvent(nullptr);
    socket_->disconnect();
  }

  bool connected() {
    std::lock_guard lock(mutex_);
    return connected_ && !failed_;
  }

  // Seconds from the first send to the last echo; negative when the connection failed.
  // `cpuSeconds` gets the CPU time all of this process's threads spent meanwhile.
  double run(const std::string& message, int count, int window, double& cpuSeconds) {
    int toSend;
    {
      std::lock_guard lock(mutex_);
      message_ = message;
      count_ = count;
      window_ = window;
      echoes_ = 0;
      sent_ = 0;
      toSend = reserveSends();
    }
    const double cpuStart = processCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    send(toSend);
    std::unique_lock lock(mutex_);
    if (!cv_.wait_for(lock, std::chrono::seconds(30), [this] { return failed_ || echoes_ == count_; }) || failed_) {
      return -1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpuSeconds = processCpuSeconds() - cpuStart;
    return seconds;
  }

 private:
  // How many messages may go now; counted as sent at once so two threads never both send them.
  int reserveSends() {
    const int n = std::max(0, std::min(count_ - sent_, window_ - (sent_ - echoes_)));
    sent_ += n;
    return n;
  }
  void send(int n) {
    for (int i = 0; i < n; ++i) socket_->writeString(message_);
  }

  std::shared_ptr<qor::WebSocket> socket_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool connected_ = false;
  bool failed_ = false;
  std::string message_;
  int count_ = 0;
  int window_ = 1;
  int sent_ = 0;
  int echoes_ = 0;
};

// Runs one of the client scripts of tools/wspeers; the seconds it reports, negative on failure.
double runScriptClient(std::vector<std::string> command, const EchoWorkload& w) {
  for (const auto& argument : {EchoPeer::instance().url(), std::to_string(w.size), std::to_string(w.count),
                               std::to_string(w.window)}) {
    command.push_back(argument);
  }
  const auto result = qortest::runProcess(command);
  if (result.exitCode != 0) return -1;
  auto answer = nlohmann::json::parse(result.out, nullptr, false);
  return answer.is_object() ? answer.value("seconds", -1.0) : -1;
}

void finish(benchmark::State& state, const EchoWorkload& w) {
  const auto messages = static_cast<int64_t>(w.count) * state.iterations();
  state.SetBytesProcessed(messages * static_cast<int64_t>(w.size));
  state.SetItemsProcessed(messages);
}

void echoEngine(benchmark::State& state, EchoWorkload w) {
  auto& peer = EchoPeer::instance();
  if (!peer.running()) return state.SkipWithError("no echo peer");
  peer.dropEventLines();
  EngineClient client(peer.url());
  if (!client.connected()) return state.SkipWithError("could not connect");
  const std::string message(w.size, 'x');
  double cpuSeconds = 0;
  for (auto _ : state) {
    double cpu = 0;
    const double seconds = client.run(message, w.count, w.window, cpu);
    if (seconds < 0) return state.SkipWithError("the connection failed");
    state.SetIterationTime(seconds);
    cpuSeconds += cpu;
  }
  finish(state, w);
  // The CPU column counts the benchmark's own thread only; this counts every thread of the client.
  state.counters["process_cpu_us_per_msg"] =
      cpuSeconds * 1e6 / static_cast<double>(static_cast<int64_t>(w.count) * state.iterations());
}

void echoScript(benchmark::State& state, EchoWorkload w, std::vector<std::string> command, bool needsNode) {
  auto& peer = EchoPeer::instance();
  if (!peer.running()) return state.SkipWithError("no echo peer");
  if (needsNode && !nodeAvailable()) return state.SkipWithError("the npm package ws is not installed");
  peer.dropEventLines();
  for (auto _ : state) {
    const double seconds = runScriptClient(command, w);
    if (seconds < 0) return state.SkipWithError("the client failed");
    state.SetIterationTime(seconds);
  }
  finish(state, w);
}

const bool kRegistered = [] {
  const std::vector<std::string> python = {qortest::kPython, qortest::sourcePath("tools/wspeers/bench_client.py")};
  const std::vector<std::string> node = {"/usr/bin/env", "node", qortest::sourcePath("tools/wspeers/bench_client.js")};
  for (const auto& w : kEchoWorkloads) {
    const std::string prefix = std::string("ws_echo.") + w.name;
    benchmark::RegisterBenchmark((prefix + ".qor").c_str(), echoEngine, w)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((prefix + ".python3_websockets").c_str(), echoScript, w, python, false)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((prefix + ".npm_ws").c_str(), echoScript, w, node, true)
        ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
}  // namespace qorbench
