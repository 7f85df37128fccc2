#include "tests/transport/PeerProcess.h"

#include <stdexcept>

#include <nlohmann/json.hpp>

namespace transporttest {

namespace {

std::vector<std::string> peerArguments(const std::string& mode, const std::string& certFile,
                                       const std::string& keyFile, const std::vector<std::string>& extra) {
  std::vector<std::string> argv = {qortest::kPython, qortest::sourcePath("tests/transport/tls_peer.py"), "--mode",
                                   mode};
  if (!certFile.empty()) argv.insert(argv.end(), {"--cert", certFile, "--key", keyFile});
  argv.insert(argv.end(), extra.begin(), extra.end());
  return argv;
}

}  // namespace

PeerProcess::PeerProcess(const std::string& mode, const std::string& certFile, const std::string& keyFile,
                         const std::vector<std::string>& extra)
    : process_(peerArguments(mode, certFile, keyFile, extra)) {
  std::string line;
  process_.readLine(line, 30000);
  auto json = nlohmann::json::parse(line, nullptr, false);
  if (!json.is_object() || !json.contains("port")) throw std::runtime_error("peer did not start: " + line);
  port_ = json["port"].get<int>();
}

}  // namespace transporttest
