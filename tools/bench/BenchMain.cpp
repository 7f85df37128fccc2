// qor_bench: runs the benchmarks (Google Benchmark flags apply, such as --benchmark_filter or
// --benchmark_repetitions), then prints each row of the summary: the SDK's time, its floor's, the
// ratio and whether the goal holds. With repetitions, medians are compared. The groups that need a
// peer (the WebSocket echo, the authorization) start it as a child process on their first run.
#include <benchmark/benchmark.h>

#include <signal.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tools/bench/BenchSupport.h"
#include "tools/bench/BenchTable.h"
#include "tools/bench/EchoWorkloads.h"

namespace qorbench {
namespace {

const Row kRows[] = {
    {.label = "RSA-2048 decrypt, key object used before", .project = "rsa_decrypt.same_object",
     .floor = "rsa_decrypt.cryptopp"},
    {.label = "RSA-2048 decrypt, new key object of known bytes", .project = "rsa_decrypt.new_object",
     .floor = "rsa_decrypt.cryptopp", .maxRatio = 1.15},
    {.label = "RSA-2048 decrypt, same, against OpenSSL", .project = "rsa_decrypt.new_object",
     .floor = "rsa_decrypt.openssl"},
    {.label = "RSA-2048 decrypt, first use of a key", .project = "rsa_decrypt.first_use",
     .floor = "rsa_decrypt.cryptopp_validating"},
    {.label = "RSA public encrypt, key object used before", .project = "rsa_encrypt.same_object",
     .floor = "rsa_encrypt.cryptopp"},
    {.label = "RSA public encrypt, new key object", .project = "rsa_encrypt.new_object",
     .floor = "rsa_encrypt.cryptopp"},
    {.label = "RSA public encrypt, against OpenSSL", .project = "rsa_encrypt.same_object",
     .floor = "rsa_encrypt.openssl"},
    {.label = "AES-128-GCM seal 256 B, key object used before", .project = "aes_seal.same_object",
     .floor = "aes_seal.cryptopp_kept_key", .maxRatio = 1.5},
    {.label = "AES-128-GCM open 256 B, key object used before", .project = "aes_open.same_object",
     .floor = "aes_open.cryptopp_kept_key", .maxRatio = 1.5},
    {.label = "AES-128-GCM seal 256 B, new key object", .project = "aes_seal.new_object",
     .floor = "aes_seal.cryptopp_rekeyed", .maxRatio = 1.5},
    {.label = "AES-128-GCM open 256 B, new key object", .project = "aes_open.new_object",
     .floor = "aes_open.cryptopp_rekeyed", .maxRatio = 1.5},
    {.label = "AES-128-GCM seal, new key object, against a new Crypto++ cipher", .project = "aes_seal.new_object",
     .floor = "aes_seal.cryptopp_new_cipher"},
    {.label = "AES-128-GCM open, new key object, against OpenSSL", .project = "aes_open.new_object",
     .floor = "aes_open.openssl"},
    {.label = "16 random bytes", .project = "random16.project", .floor = "random16.cryptopp_kept_pool"},
    {.label = "16 random bytes, against OpenSSL", .project = "random16.project", .floor = "random16.openssl"},
    {.label = "sealed request, against its crypto calls + bare SQLite read", .project = "sealed_request.project",
     .floor = "sealed_request.floor", .maxRatio = 1.15},
    {.label = "sealed request, against its crypto calls alone", .project = "sealed_request.project",
     .floor = "sealed_request.crypto_sum"},
    {.label = "sealed request, against raw Crypto++ calls", .project = "sealed_request.project",
     .floor = "sealed_request.cryptopp_sum"},
    {.label = "sealed request, keychain in memory", .project = "sealed_request.keychain_in_memory",
     .floor = "sealed_request.crypto_sum"},
    {.label = "a request's keychain read of five values, against bare SQLite", .project = "sealed_request.keychain_read",
     .floor = "sealed_request.bare_read"},
    {.label = "key store open, storage key used before", .project = "keystore_open.project",
     .floor = "keystore_open.crypto_sum"},
    {.label = "key store open, first use of the storage key", .project = "keystore_open.first_use",
     .floor = "keystore_open.crypto_sum_validating"},
    {.label = "masked client frame, 64 KiB (against memcpy)", .project = "mask_frame.project",
     .floor = "mask_frame.memcpy", .maxRatio = 5.0, .bytesPerIteration = 65536, .minGBps = 10.0},
    {.label = "masked client frame, 64 KiB (against an 8-byte XOR loop)", .project = "mask_frame.project",
     .floor = "mask_frame.xor64", .bytesPerIteration = 65536},
    {.label = "unmasked server frame read, 64 KiB (against memcpy)", .project = "unmask_frame.project",
     .floor = "mask_frame.memcpy", .bytesPerIteration = 65536},
    {.label = "inflate, 1 MiB", .project = "inflate.project", .floor = "inflate.zlib", .maxRatio = 1.05,
     .bytesPerIteration = 1 << 20},
    {.label = "HTTPS POST 1 KB, kept-alive loopback", .project = "https_road.project",
     .floor = "https_road.curl_reused_handle", .maxRatio = 3.0},
    {.label = "WebSocket echo round trip, 125 B (faster of two peers' clients)",
     .project = "ws_echo.roundtrip_125B.qor", .floor = "ws_echo.roundtrip_125B.python3_websockets",
     .otherFloor = "ws_echo.roundtrip_125B.npm_ws", .maxRatio = 1.25,
     .operationsPerIteration = kEchoRoundTrips},
    {.label = "WebSocket echo throughput, 64 KiB messages", .project = "ws_echo.throughput_64KiB.qor",
     .floor = "ws_echo.throughput_64KiB.python3_websockets", .otherFloor = "ws_echo.throughput_64KiB.npm_ws",
     .maxRatio = 1.0, .bytesPerIteration = kEcho64KiBBytes},
    {.label = "WebSocket echo throughput, 1 MiB messages", .project = "ws_echo.throughput_1MiB.qor",
     .floor = "ws_echo.throughput_1MiB.python3_websockets", .otherFloor = "ws_echo.throughput_1MiB.npm_ws",
     .maxRatio = 1.0, .bytesPerIteration = kEcho1MiBBytes},
    {.label = "whole authorization, client CPU (against its crypto)", .project = "authorization.whole",
     .floor = "authorization.crypto_floor", .processCpu = true},
    {.label = "whole authorization, client CPU (floor with key validation)",
     .project = "authorization.whole", .floor = "authorization.crypto_floor_validating", .maxRatio = 1.35,
     .processCpu = true},
};

struct Measured {
  double secondsPerIteration = 0;     // elapsed
  double cpuSecondsPerIteration = 0;  // as the benchmark measures CPU (the process's, when it asks)
  bool median = false;
};

// Prints as the console reporter does and keeps each benchmark's times per iteration (the median
// when there are repetitions).
class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.iterations == 0) continue;
      const bool isMedian = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !isMedian) continue;
      Measured& m = measured_[run.run_name.function_name];
      if (m.median && !isMedian) continue;
      // A median carries the median repetition's total times and the iterations of one repetition.
      const auto iterations = static_cast<double>(run.iterations);
      m = {run.real_accumulated_time / iterations, run.cpu_accumulated_time / iterations, isMedian};
    }
  }
  const Measured* find(const char* name) const {
    if (!name) return nullptr;
    auto it = measured_.find(name);
    return it == measured_.end() ? nullptr : &it->second;
  }

 private:
  std::map<std::string, Measured> measured_;
};

std::string formatTime(double seconds) {
  char text[32];
  if (seconds >= 1e-3) {
    std::snprintf(text, sizeof text, "%.3f ms", seconds * 1e3);
  } else if (seconds >= 1e-6) {
    std::snprintf(text, sizeof text, "%.2f us", seconds * 1e6);
  } else {
    std::snprintf(text, sizeof text, "%.1f ns", seconds * 1e9);
  }
  return text;
}

std::string formatValue(const Row& row, double seconds) {
  if (row.bytesPerIteration == 0) return formatTime(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%.2f GB/s", static_cast<double>(row.bytesPerIteration) / seconds / 1e9);
  return text;
}

double secondsOf(const Row& row, const Measured& m) {
  return (row.processCpu ? m.cpuSecondsPerIteration : m.secondsPerIteration) /
         static_cast<double>(row.operationsPerIteration);
}

void printSummary(const CollectingReporter& reporter) {
  std::printf("\n%-66s %14s %14s %8s  %s\n", "operation", "SDK", "floor", "ratio", "goal");
  for (const Row& row : kRows) {
    const Measured* project = reporter.find(row.project);
    const Measured* floor = reporter.find(row.floor);
    const Measured* other = reporter.find(row.otherFloor);
    if (!project || (!floor && !other)) continue;  // filtered out, or its peers did not run
    if (!floor || (other && secondsOf(row, *other) < secondsOf(row, *floor))) floor = other;
    const double projectSeconds = secondsOf(row, *project);
    const double floorSeconds = secondsOf(row, *floor);
    const double ratio = projectSeconds / floorSeconds;
    std::string goal = "-";
    if (row.maxRatio || row.minGBps) {
      bool held = !row.maxRatio || ratio <= *row.maxRatio;
      goal.clear();
      if (row.maxRatio) goal += "<= " + std::to_string(*row.maxRatio).substr(0, 4) + " x";
      if (row.minGBps) {
        const double gbps = static_cast<double>(row.bytesPerIteration) / projectSeconds / 1e9;
        held = held && gbps >= *row.minGBps;
        goal += ", >= " + std::to_string(static_cast<int>(*row.minGBps)) + " GB/s";
      }
      goal += held ? "  held" : "  NOT held";
    }
    std::printf("%-66s %14s %14s %7.2fx  %s\n", row.label, formatValue(row, projectSeconds).c_str(),
                formatValue(row, floorSeconds).c_str(), ratio, goal.c_str());
  }
}

}  // namespace
}  // namespace qorbench

int main(int argc, char** argv) {
  // A peer that goes away mid-write must not end the program.
  signal(SIGPIPE, SIG_IGN);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  qorbench::CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  qorbench::printSummary(reporter);
  qorbench::stopPeers();
  benchmark::Shutdown();
  return 0;
}
