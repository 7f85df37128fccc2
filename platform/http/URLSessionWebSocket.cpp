// The URL session's WebSocket side: the registration point for the task implementation, the
// session's delegate, and the in-order delivery of what its tasks report.
#include <deque>
#include <mutex>

#include "platform/http/URLSession.h"

namespace platform {

namespace http {

// Runs blocks on an operation queue one after another, in the order they were handed over: the next
// block is queued only once the one before has run.
class DelegateDelivery : public std::enable_shared_from_this<DelegateDelivery> {
 public:
  void add(const std::shared_ptr<OperationQueue>& queue, Task block) {
    {
      std::lock_guard lock(mutex_);
      pending_.push_back(std::move(block));
      if (running_) return;
      running_ = true;
    }
    schedule(queue);
  }

 private:
  void schedule(const std::shared_ptr<OperationQueue>& queue) {
    queue->addOperationWithBlock([self = shared_from_this(), queue] { self->runOne(queue); });
  }

  void runOne(const std::shared_ptr<OperationQueue>& queue) {
    Task block;
    {
      std::lock_guard lock(mutex_);
      block = std::move(pending_.front());
      pending_.pop_front();
    }
    block();
    {
      std::lock_guard lock(mutex_);
      if (pending_.empty()) {
        running_ = false;
        return;
      }
    }
    schedule(queue);
  }

  std::mutex mutex_;
  std::deque<Task> pending_;
  bool running_ = false;
};

std::shared_ptr<DelegateDelivery> makeDelegateDelivery() { return std::make_shared<DelegateDelivery>(); }

namespace {

struct FactoryRegistry {
  std::mutex mutex;
  URLSessionWebSocketTaskFactory factory;
};

FactoryRegistry& factoryRegistry() {
  // Made on first use and never destroyed: a task made during exit still finds it.
  static auto* registry = new FactoryRegistry();
  return *registry;
}

}  // namespace

}  // namespace http

std::shared_ptr<URLSession> URLSession::create(Configuration configuration,
                                               std::weak_ptr<URLSessionWebSocketDelegate> delegate,
                                               std::shared_ptr<OperationQueue> delegateQueue) {
  auto session = create(configuration);
  session->delegate_ = std::move(delegate);
  if (delegateQueue) session->delegateQueue_ = std::move(delegateQueue);
  return session;
}

URLSessionWebSocketTaskFactory URLSession::registerWebSocketTaskFactory(URLSessionWebSocketTaskFactory factory) {
  auto& registry = http::factoryRegistry();
  std::lock_guard lock(registry.mutex);
  return std::exchange(registry.factory, std::move(factory));
}

std::shared_ptr<URLSessionWebSocketTask> URLSession::webSocketTaskWithRequest(URLRequest request) {
  URLSessionWebSocketTaskFactory factory;
  {
    auto& registry = http::factoryRegistry();
    std::lock_guard lock(registry.mutex);
    factory = registry.factory;
  }
  if (!factory) return nullptr;
  return factory(shared_from_this(), std::move(request), nextIdentifier_++);
}

void URLSession::addDelegateOperation(Task block) { delivery_->add(delegateQueue_, std::move(block)); }

}  // namespace platform
