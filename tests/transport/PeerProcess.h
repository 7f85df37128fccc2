// Runs tls_peer.py as a child process for the life of the object: its port is read from its first
// line; closing its standard input ends it.
#pragma once

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace transporttest {

class PeerProcess {
 public:
  // `mode` as tls_peer.py takes it; TLS when a certificate and key file are given.
  explicit PeerProcess(const std::string& mode, const std::string& certFile = {}, const std::string& keyFile = {},
                       const std::vector<std::string>& extra = {});

  int port() const { return port_; }

 private:
  qortest::ChildProcess process_;
  int port_ = 0;
};

}  // namespace transporttest
