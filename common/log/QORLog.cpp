#include "common/log/QORLog.h"

#include <mutex>

#include "common/log/QORLogFormat.h"
#include "platform/SystemLog.h"

namespace qor {
namespace {

struct LogState {
  std::mutex mutex;
  std::shared_ptr<QORLogger> logger;
};

LogState& state() {
  static auto* s = new LogState;
  return *s;
}

// As the platform's lastPathComponent: trailing slashes do not count; "/" stays "/".
std::string lastPathComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  if (path == "/") return "/";
  const auto slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

void QORLog::initWithLogger(std::shared_ptr<QORLogger> logger) {
  std::shared_ptr<QORLogger> previous;
  {
    std::lock_guard lock(state().mutex);
    previous = std::exchange(state().logger, std::move(logger));
  }
  // The old logger goes outside the lock: its destructor may log.
}

void QORLog::infoWithArguments(const char* file, int32_t line, const char* function, std::string_view format,
                               std::span<const QORLogArgument> arguments) {
  std::string withBreak(format);
  if (withBreak.empty() || withBreak.back() != '\n') withBreak += '\n';
  const std::string message = formatLogMessage(withBreak, arguments);

  std::shared_ptr<QORLogger> logger;
  {
    std::lock_guard lock(state().mutex);
    logger = state().logger;
  }
  if (!logger) {
    platform::systemLog(message);
    return;
  }
  logger->info(lastPathComponent(file ? file : ""), line, function ? function : "", message);
}

}  // namespace qor
