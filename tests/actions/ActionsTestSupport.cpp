#include "tests/actions/ActionsTestSupport.h"

#include "platform/http/URLSession.h"

namespace qortest {

RefServer* ActionsTest::server_ = nullptr;

void ActionsTest::SetUpTestSuite() {
  if (server_) return;
  server_ = new RefServer();
  if (server_->running()) platform::URLSession::shared()->addTrustAnchorCertificates(server_->caPath());
}

void ActionsTest::TearDownTestSuite() {
  delete server_;
  server_ = nullptr;
}

void ActionsTest::SetUp() {
  ASSERT_TRUE(server_ && server_->running());
  server_->reset();
  platform::Keychain::setShared(platform::Keychain::inMemory());
  qor::QORCommonData::setHost(server_->host());
  qor::QORCommonData::setPubVtnBase64(server_->pubVtnBase64());
  qor::QORCommonData::setInstallationId(std::string("device-1"));
}

void ActionsTest::TearDown() {
  platform::MainQueue::shared()->clear();
  platform::URLSession::shared()->setTimeoutIntervalForRequest(60.0);
}

void ActionsTest::waitForStatuses(const RecordingDelegate& delegate, size_t count, double seconds) {
  auto main = platform::MainQueue::shared();
  main->runUntil([&] { return delegate.statuses.size() >= count; }, platform::seconds(seconds));
  main->runFor(platform::seconds(0.2));
}

}  // namespace qortest
