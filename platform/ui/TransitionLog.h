// A record of the presentations of the process, for tests and the demo: while a TransitionRecorder
// lives it receives every present and dismiss that starts, and every one that is refused.
//
// Safe from any thread.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct TransitionRecord {
  enum class Kind { present, dismiss, refused };
  Kind kind = Kind::present;
  std::string from;     // class name of the presenter (the one dismissing, for a dismissal)
  std::string to;       // class name of the presented controller (the lowest one dismissed)
  bool animated = false;
  std::string reason;   // for a refusal: why, as the system log has it

  bool operator==(const TransitionRecord& other) const = default;
};

class TransitionRecorder {
 public:
  TransitionRecorder();
  ~TransitionRecorder();
  TransitionRecorder(const TransitionRecorder&) = delete;
  TransitionRecorder& operator=(const TransitionRecorder&) = delete;

  std::vector<TransitionRecord> records() const;
  // Only the refusals.
  std::vector<TransitionRecord> refusals() const;

  // Delivers a record to every live recorder.
  static void record(const TransitionRecord& record);

 private:
  std::vector<TransitionRecord> records_;  // guarded by the recorders' one mutex
};

}  // namespace platform
