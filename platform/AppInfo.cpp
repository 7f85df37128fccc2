#include "platform/AppInfo.h"

#include <map>
#include <mutex>

namespace platform {
namespace {

struct InfoState {
  std::mutex mutex;
  std::map<std::string, std::string, std::less<>> values;
};

InfoState& state() {
  static auto* s = new InfoState;
  return *s;
}

}  // namespace

std::optional<std::string> AppInfo::value(std::string_view key) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  auto it = s.values.find(key);
  if (it == s.values.end()) return std::nullopt;
  return it->second;
}

void AppInfo::setValue(std::string_view key, std::optional<std::string> value) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  if (value) {
    s.values.insert_or_assign(std::string(key), std::move(*value));
  } else if (auto it = s.values.find(key); it != s.values.end()) {
    s.values.erase(it);
  }
}

}  // namespace platform
