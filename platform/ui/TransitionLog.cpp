#include "platform/ui/TransitionLog.h"

#include <algorithm>
#include <mutex>

namespace platform {
namespace {

struct RecorderState {
  std::mutex mutex;
  std::vector<TransitionRecorder*> recorders;
};

RecorderState& state() {
  static auto* s = new RecorderState;
  return *s;
}

}  // namespace

TransitionRecorder::TransitionRecorder() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.recorders.push_back(this);
}

TransitionRecorder::~TransitionRecorder() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  std::erase(s.recorders, this);
}

std::vector<TransitionRecord> TransitionRecorder::records() const {
  std::lock_guard lock(state().mutex);
  return records_;
}

std::vector<TransitionRecord> TransitionRecorder::refusals() const {
  auto all = records();
  std::erase_if(all, [](const TransitionRecord& r) { return r.kind != TransitionRecord::Kind::refused; });
  return all;
}

void TransitionRecorder::record(const TransitionRecord& record) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  for (auto* recorder : s.recorders) recorder->records_.push_back(record);
}

}  // namespace platform
