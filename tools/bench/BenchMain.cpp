// qor_bench: runs the benchmarks (Google Benchmark flags apply, such as --benchmark_filter or
// --benchmark_repetitions), then prints each row of the summary: the SDK's time, its floor's, the
// ratio and whether the goal holds. With repetitions, medians are compared.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tools/bench/BenchTable.h"

namespace qorbench {
namespace {

const Row kRows[] = {
    {"RSA-2048 decrypt, key object used before", "rsa_decrypt.same_object", "rsa_decrypt.cryptopp", std::nullopt},
    {"RSA-2048 decrypt, new key object of known bytes", "rsa_decrypt.new_object", "rsa_decrypt.cryptopp", 1.15},
    {"RSA-2048 decrypt, same, against OpenSSL", "rsa_decrypt.new_object", "rsa_decrypt.openssl", std::nullopt},
    {"RSA-2048 decrypt, first use of a key", "rsa_decrypt.first_use", "rsa_decrypt.cryptopp_validating",
     std::nullopt},
    {"RSA public encrypt, key object used before", "rsa_encrypt.same_object", "rsa_encrypt.cryptopp", std::nullopt},
    {"RSA public encrypt, new key object", "rsa_encrypt.new_object", "rsa_encrypt.cryptopp", std::nullopt},
    {"RSA public encrypt, against OpenSSL", "rsa_encrypt.same_object", "rsa_encrypt.openssl", std::nullopt},
    {"AES-128-GCM seal 256 B, key object used before", "aes_seal.same_object", "aes_seal.cryptopp_kept_key", 1.5},
    {"AES-128-GCM open 256 B, key object used before", "aes_open.same_object", "aes_open.cryptopp_kept_key", 1.5},
    {"AES-128-GCM seal 256 B, new key object", "aes_seal.new_object", "aes_seal.cryptopp_rekeyed", 1.5},
    {"AES-128-GCM open 256 B, new key object", "aes_open.new_object", "aes_open.cryptopp_rekeyed", 1.5},
    {"AES-128-GCM seal, new key object, against a new Crypto++ cipher", "aes_seal.new_object",
     "aes_seal.cryptopp_new_cipher", std::nullopt},
    {"AES-128-GCM open, new key object, against OpenSSL", "aes_open.new_object", "aes_open.openssl",
     std::nullopt},
    {"16 random bytes", "random16.project", "random16.cryptopp_kept_pool", std::nullopt},
    {"16 random bytes, against OpenSSL", "random16.project", "random16.openssl", std::nullopt},
    {"sealed request: envelope built + answer opened", "sealed_request.project", "sealed_request.crypto_sum", 1.3},
    {"sealed request, against raw Crypto++ calls", "sealed_request.project", "sealed_request.cryptopp_sum",
     std::nullopt},
    {"sealed request, keychain in memory", "sealed_request.keychain_in_memory", "sealed_request.crypto_sum",
     std::nullopt},
    {"key store open, storage key used before", "keystore_open.project", "keystore_open.crypto_sum", std::nullopt},
    {"key store open, first use of the storage key", "keystore_open.first_use",
     "keystore_open.crypto_sum_validating", std::nullopt},
    {"masked client frame, 64 KiB (against memcpy)", "mask_frame.project", "mask_frame.memcpy", 5.0, 65536, 10.0},
    {"masked client frame, 64 KiB (against an 8-byte XOR loop)", "mask_frame.project", "mask_frame.xor64",
     std::nullopt, 65536},
    {"unmasked server frame read, 64 KiB (against memcpy)", "unmask_frame.project", "mask_frame.memcpy",
     std::nullopt, 65536},
    {"inflate, 1 MiB", "inflate.project", "inflate.zlib", 1.05, 1 << 20},
    {"HTTPS POST 1 KB, kept-alive loopback", "https_road.project", "https_road.curl_reused_handle", 3.0},
};

struct Measured {
  double secondsPerIteration = 0;
  bool median = false;
};

// Prints as the console reporter does and keeps each benchmark's time per iteration (the median
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
      // A median carries the median repetition's total time and the iterations of one repetition.
      m = {run.real_accumulated_time / static_cast<double>(run.iterations), isMedian};
    }
  }
  const Measured* find(const std::string& name) const {
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

void printSummary(const CollectingReporter& reporter) {
  std::printf("\n%-64s %14s %14s %8s  %s\n", "operation", "SDK", "floor", "ratio", "goal");
  for (const Row& row : kRows) {
    const Measured* project = reporter.find(row.project);
    const Measured* floor = reporter.find(row.floor);
    if (!project || !floor) continue;  // filtered out
    const double ratio = project->secondsPerIteration / floor->secondsPerIteration;
    std::string goal = "-";
    if (row.maxRatio || row.minGBps) {
      bool held = !row.maxRatio || ratio <= *row.maxRatio;
      goal.clear();
      if (row.maxRatio) goal += "<= " + std::to_string(*row.maxRatio).substr(0, 4) + " x";
      if (row.minGBps) {
        const double gbps = static_cast<double>(row.bytesPerIteration) / project->secondsPerIteration / 1e9;
        held = held && gbps >= *row.minGBps;
        goal += ", >= " + std::to_string(static_cast<int>(*row.minGBps)) + " GB/s";
      }
      goal += held ? "  held" : "  NOT held";
    }
    std::printf("%-64s %14s %14s %7.2fx  %s\n", row.label, formatValue(row, project->secondsPerIteration).c_str(),
                formatValue(row, floor->secondsPerIteration).c_str(), ratio, goal.c_str());
  }
}

}  // namespace
}  // namespace qorbench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  qorbench::CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  qorbench::printSummary(reporter);
  benchmark::Shutdown();
  return 0;
}
