#include "platform/http/OperationQueue.h"

namespace platform {

std::shared_ptr<OperationQueue> OperationQueue::create() {
  return std::shared_ptr<OperationQueue>(new OperationQueue(BackgroundQueue::global()));
}

std::shared_ptr<OperationQueue> OperationQueue::mainQueue() {
  static auto* queue = new std::shared_ptr<OperationQueue>(new OperationQueue(MainQueue::shared()));
  return *queue;
}

void OperationQueue::addOperationWithBlock(Task block) { queue_->post(std::move(block)); }

}  // namespace platform
