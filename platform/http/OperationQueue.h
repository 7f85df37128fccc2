// The platform's operation queues as the networking code uses them: a new queue runs its blocks on
// the global background queue (concurrently, as a fresh operation queue does), and `mainQueue()`
// runs them on the host app's main queue. Thread-safe.
#pragma once

#include <memory>

#include "platform/QORPlatformExport.h"
#include "platform/Queue.h"

namespace platform {

class QOR_PLATFORM_EXPORT OperationQueue {
 public:
  static std::shared_ptr<OperationQueue> create();
  static std::shared_ptr<OperationQueue> mainQueue();

  void addOperationWithBlock(Task block);
  bool isCurrent() const { return queue_->isCurrent(); }

 private:
  explicit OperationQueue(std::shared_ptr<Queue> queue) : queue_(std::move(queue)) {}
  std::shared_ptr<Queue> queue_;
};

}  // namespace platform
