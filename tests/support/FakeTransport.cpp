#include "tests/support/FakeTransport.h"

#include "platform/URL.h"

namespace qortest {

std::shared_ptr<FakeTransport> FakeTransport::create() { return std::shared_ptr<FakeTransport>(new FakeTransport()); }

FakeTransport::FakeTransport() : queue_(platform::SerialQueue::create("com.qor.test.fake-transport")) {}

void FakeTransport::registerDelegate(std::weak_ptr<qor::TransportEventClient> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}

void FakeTransport::connect(const platform::URL& url, double timeout, std::shared_ptr<qor::CertificatePinning> pinner) {
  std::lock_guard lock(mutex_);
  isTLS_ = url.scheme() == "wss" || url.scheme() == "https";
  connects_.push_back({url.absoluteString(), timeout, std::move(pinner)});
}

void FakeTransport::disconnect() {
  bool report;
  {
    std::lock_guard lock(mutex_);
    ++disconnects_;
    report = reportsCancel_;
  }
  if (report) deliver(qor::ConnectionState::Cancelled{});
}

void FakeTransport::write(platform::Bytes data, WriteCompletion completion) {
  qor::ErrorPtr error;
  {
    std::lock_guard lock(mutex_);
    writes_.push_back(std::move(data));
    if (holdWrites_) {
      held_.push_back(std::move(completion));
      return;
    }
    error = writeError_;
  }
  if (completion) queue_->post([completion = std::move(completion), error] { completion(error); });
}

bool FakeTransport::usingTLS() const {
  std::lock_guard lock(mutex_);
  return isTLS_;
}

void FakeTransport::deliver(qor::ConnectionState state) {
  queue_->postFor(weak_from_this(), [state = std::move(state)](const std::shared_ptr<FakeTransport>& self) {
    std::shared_ptr<qor::TransportEventClient> client;
    {
      std::lock_guard lock(self->mutex_);
      client = self->delegate_.lock();
    }
    if (client) client->connectionChanged(state);
  });
}

void FakeTransport::waitIdle() { queue_->sync([] {}); }

void FakeTransport::setWriteError(qor::ErrorPtr error) {
  std::lock_guard lock(mutex_);
  writeError_ = std::move(error);
}

void FakeTransport::setHoldWrites(bool hold) {
  std::lock_guard lock(mutex_);
  holdWrites_ = hold;
}

void FakeTransport::completeHeldWrites() {
  std::vector<WriteCompletion> held;
  qor::ErrorPtr error;
  {
    std::lock_guard lock(mutex_);
    held.swap(held_);
    error = writeError_;
  }
  for (auto& completion : held) {
    if (completion) queue_->post([completion = std::move(completion), error] { completion(error); });
  }
}

void FakeTransport::setReportsCancelOnDisconnect(bool reports) {
  std::lock_guard lock(mutex_);
  reportsCancel_ = reports;
}

std::vector<FakeTransport::ConnectCall> FakeTransport::connectCalls() const {
  std::lock_guard lock(mutex_);
  return connects_;
}

std::vector<platform::Bytes> FakeTransport::writes() const {
  std::lock_guard lock(mutex_);
  return writes_;
}

int FakeTransport::disconnectCount() const {
  std::lock_guard lock(mutex_);
  return disconnects_;
}

}  // namespace qortest
