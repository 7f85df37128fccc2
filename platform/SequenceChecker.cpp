#include "platform/SequenceChecker.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/Queue.h"

namespace platform {
namespace {

bool isProcessMainThread() {
  static thread_local const bool isMain = syscall(SYS_gettid) == getpid();
  return isMain;
}

// One address per sequence: the queue, or a per-thread object for a thread outside any queue.
uintptr_t currentSequence() {
  if (SequenceChecker::isOnMainQueue()) return reinterpret_cast<uintptr_t>(MainQueue::shared().get());
  if (const Queue* queue = Queue::current()) return reinterpret_cast<uintptr_t>(queue);
  static thread_local const char thread = 0;
  return reinterpret_cast<uintptr_t>(&thread);
}

}  // namespace

bool SequenceChecker::isOnMainQueue() { return isProcessMainThread() || MainQueue::shared()->isCurrent(); }

bool SequenceChecker::calledOnValidSequence() const {
  if (binding_ == Binding::mainQueue) return isOnMainQueue();
  const uintptr_t current = currentSequence();
  uintptr_t expected = 0;
  if (bound_.compare_exchange_strong(expected, current, std::memory_order_acq_rel)) return true;
  return expected == current;
}

void SequenceChecker::detach() {
  if (binding_ == Binding::firstUse) bound_.store(0, std::memory_order_release);
}

void SequenceChecker::rebindIfOnMainQueue() {
  if (binding_ == Binding::firstUse && isOnMainQueue()) {
    bound_.store(reinterpret_cast<uintptr_t>(MainQueue::shared().get()), std::memory_order_release);
  }
}

void SequenceChecker::fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "Sequence check failed: %s (%s:%d)\n", what, file, line);
  std::fflush(stderr);
  std::abort();
}

}  // namespace platform
