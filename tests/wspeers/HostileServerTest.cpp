// Servers that break the protocol, refuse the upgrade, drop the connection or present bad
// certificates: the socket's owner hears one error and the connection's end, never a hang.
#include <gtest/gtest.h>

#include <thread>

#include "platform/security/TrustStore.h"
#include "platform/socket/NetworkErrors.h"
#include "tests/engine/support/EngineTestSupport.h"
#include "tests/engine/support/PeerServer.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TestSupport.h"

namespace peertest {
namespace {

using enginetest::PeerServer;
using Lines = std::vector<std::string>;

// Waits for the end, then a little longer to catch anything that comes after it.
Lines linesAfterTheEnd(const enginetest::RecordedSocket& s) {
  EXPECT_TRUE(s.recorder->log.waitForLine("cancelled", std::chrono::seconds(20)))
      << testing::PrintToString(s.recorder->log.lines());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  return s.recorder->log.lines();
}

TEST(HostileServer, EachMisbehaviourEndsInOneErrorAndTheConnectionsEnd) {
  PeerServer server(PeerServer::Kind::hostile);
  ASSERT_TRUE(server.running());
  const std::string peerClosed = "error:kNWErrorDomainPOSIX(" + std::to_string(ENOTCONN) + ")";
  struct Case {
    const char* mode;
    bool connects;      // the upgrade succeeds first
    std::string error;  // the one error line
  };
  const Case cases[] = {
      {"masked-frame", true, "error:WSError(protocolError,1002,masked and rsv data is not currently supported)"},
      {"reserved-opcode", true, "error:WSError(protocolError,1002,unknown opcode: 3)"},
      {"bad-utf8", true, "error:WSError(protocolError,1002,not valid UTF-8 data)"},
      {"huge-length", true, "error:WSError(protocolError,1002,payload length is invalid)"},
      {"fragmented-ping", true, "error:WSError(protocolError,1002,control frames can't be fragmented)"},
      {"reserved-bits", true, "error:WSError(protocolError,1002,masked and rsv data is not currently supported)"},
      {"oversized-ping", true, "error:WSError(protocolError,1002,"},
      {"drop-mid-frame", true, peerClosed},
      {"refused-403", false, "error:HTTPUpgradeError(0,403)"},
      {"status-200", false, "error:HTTPUpgradeError(0,200)"},
      {"garbage", false, "error:HTTPUpgradeError(1,0)"},
      {"wrong-accept", false, "error:WSError(securityError,1,accept header doesn't match)"},
      {"endless-header", false, "error:HTTPUpgradeError(1,0)"},
      {"drop-before-answer", false, peerClosed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    auto s = enginetest::makeSocket(server.url(std::string("/") + c.mode));
    s.socket->connect();
    auto lines = linesAfterTheEnd(s);
    Lines expectedStart = c.connects ? Lines{"connected"} : Lines{};
    ASSERT_EQ(lines.size(), expectedStart.size() + 2) << testing::PrintToString(lines);
    if (c.connects) {
      EXPECT_EQ(lines[0], "connected");
    }
    const std::string& error = lines[expectedStart.size()];
    EXPECT_EQ(error.substr(0, c.error.size()), c.error) << error;
    EXPECT_EQ(lines.back(), "cancelled");
  }
}

TEST(HostileServer, TLSFaultsEndInOneErrorOfTheTLSDomain) {
  qortest::TempDir dir;
  qortest::TestCertificateAuthority trusted("Trusted test CA");
  qortest::TestCertificateAuthority untrusted("Untrusted test CA");
  platform::TrustStore::addTestAnchorsFromPEM(trusted.certificatePem());
  struct Case {
    const char* name;
    qortest::CertifiedKey certificate;
  };
  const Case cases[] = {
      {"untrusted", untrusted.issue({"127.0.0.1"})},
      {"wrong host", trusted.issue({"other.example"})},
      {"expired", trusted.issue({"127.0.0.1"}, -std::chrono::hours(48), -std::chrono::hours(24))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto cert = qortest::writeTextFile(dir.path() / "cert.pem", c.certificate.certificatePem);
    auto key = qortest::writeTextFile(dir.path() / "key.pem", c.certificate.privateKeyPem);
    PeerServer server(PeerServer::Kind::python, {"--cert", cert, "--key", key});
    ASSERT_TRUE(server.running());
    auto s = enginetest::makeSocket(server.url("/echo", true));
    s.socket->connect();
    auto lines = linesAfterTheEnd(s);
    ASSERT_EQ(lines.size(), 2u) << testing::PrintToString(lines);
    EXPECT_EQ(lines[0].rfind(std::string("error:") + platform::kNWErrorDomainTLS + "(", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "cancelled");
  }
}

}  // namespace
}  // namespace peertest
