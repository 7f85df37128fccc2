#include "platform/devices/SimulatedBiometrics.h"

#include <deque>
#include <mutex>

#include "platform/Queue.h"

namespace platform {
namespace {

struct OpenPrompt {
  BiometricPrompt prompt;
  LAContext::Reply reply;
};

struct DeviceState {
  std::mutex mutex;
  LABiometryType type = LABiometryType::faceID;
  bool enrolled = true;
  bool lockedOut = false;
  bool passcodeSet = true;
  std::deque<BiometricAnswer> script;
  std::deque<OpenPrompt> open;
  std::vector<BiometricPrompt> history;
};

DeviceState& state() {
  static auto* s = new DeviceState;
  return *s;
}

Error laError(int64_t code) { return Error::make(LAErrorDomain, code); }

// Applies the answer to the device (under its lock) and hands the reply to the background queue.
void deliver(DeviceState& s, const BiometricAnswer& answer, LAContext::Reply reply) {
  if (answer.errorCode == LAErrorBiometryLockout) s.lockedOut = true;
  std::optional<Error> error;
  if (answer.errorCode) error = laError(*answer.errorCode);
  BackgroundQueue::global()->post([reply = std::move(reply), error] { reply(!error, error); });
}

}  // namespace

void SimulatedBiometrics::reset() {
  std::deque<OpenPrompt> dropped;
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.type = LABiometryType::faceID;
    s.enrolled = true;
    s.lockedOut = false;
    s.passcodeSet = true;
    s.script.clear();
    s.history.clear();
    dropped.swap(s.open);
  }
  // The replies (and what they hold) are released outside the lock.
}

void SimulatedBiometrics::setBiometryType(LABiometryType type) {
  std::lock_guard lock(state().mutex);
  state().type = type;
}

void SimulatedBiometrics::setEnrolled(bool enrolled) {
  std::lock_guard lock(state().mutex);
  state().enrolled = enrolled;
}

void SimulatedBiometrics::setLockedOut(bool lockedOut) {
  std::lock_guard lock(state().mutex);
  state().lockedOut = lockedOut;
}

void SimulatedBiometrics::setPasscodeSet(bool passcodeSet) {
  std::lock_guard lock(state().mutex);
  state().passcodeSet = passcodeSet;
}

void SimulatedBiometrics::scriptAnswers(const std::vector<BiometricAnswer>& answers) {
  std::lock_guard lock(state().mutex);
  state().script.insert(state().script.end(), answers.begin(), answers.end());
}

std::vector<BiometricPrompt> SimulatedBiometrics::openPrompts() {
  std::lock_guard lock(state().mutex);
  std::vector<BiometricPrompt> out;
  for (const auto& p : state().open) out.push_back(p.prompt);
  return out;
}

bool SimulatedBiometrics::answerPrompt(const BiometricAnswer& answer) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  if (s.open.empty()) return false;
  auto prompt = std::move(s.open.front());
  s.open.pop_front();
  deliver(s, answer, std::move(prompt.reply));
  return true;
}

std::vector<BiometricPrompt> SimulatedBiometrics::promptHistory() {
  std::lock_guard lock(state().mutex);
  return state().history;
}

LABiometryType SimulatedBiometrics::biometryType() {
  std::lock_guard lock(state().mutex);
  return state().type;
}

std::optional<Error> SimulatedBiometrics::evaluationError(LAPolicy policy) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  if (policy == LAPolicy::deviceOwnerAuthentication) {
    if (!s.passcodeSet) return laError(LAErrorPasscodeNotSet);
    return std::nullopt;
  }
  if (s.type == LABiometryType::none) return laError(LAErrorBiometryNotAvailable);
  if (!s.passcodeSet) return laError(LAErrorPasscodeNotSet);
  if (!s.enrolled) return laError(LAErrorBiometryNotEnrolled);
  if (s.lockedOut) return laError(LAErrorBiometryLockout);
  return std::nullopt;
}

void SimulatedBiometrics::openPrompt(BiometricPrompt prompt, LAContext::Reply reply) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.history.push_back(prompt);
  if (s.script.empty()) {
    s.open.push_back(OpenPrompt{std::move(prompt), std::move(reply)});
    return;
  }
  const auto answer = s.script.front();
  s.script.pop_front();
  deliver(s, answer, std::move(reply));
}

}  // namespace platform
