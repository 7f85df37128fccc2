// The log facade that the host app may route to its own logger. Nothing inside the system logs
// through it; QORCommon offers it to host apps.
//
//   QORLog::initWithLogger(myLogger);
//   QOR_LOG("sent %@ in %d ms", name, elapsed);
//
// `info` appends a line break to the format unless it ends with one, formats it with the arguments
// (QORLogFormat.h: typed, never C varargs), and hands the source file's last path component, the
// line, the function name and the message to the installed logger; without one, the message goes to
// the system log. The logger is held strongly and is process-wide.
//
// Safe from any thread; the logger is called without any lock held, on the caller's thread.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "common/QORCommonExport.h"
#include "common/log/QORLogArgument.h"

namespace qor {

// An object that takes the log's lines (the one selector `info::::`).
class QOR_COMMON_EXPORT QORLogger {
 public:
  virtual ~QORLogger() = default;
  virtual void info(const std::string& file, int32_t line, const std::string& function, const std::string& message) = 0;
};

class QOR_COMMON_EXPORT QORLog {
 public:
  // Installs the logger, replacing the earlier one; nullptr removes it.
  static void initWithLogger(std::shared_ptr<QORLogger> logger);

  template <class... Args>
  static void info(const char* file, int32_t line, const char* function, std::string_view format,
                   const Args&... arguments) {
    const std::array<QORLogArgument, sizeof...(Args)> typed{QORLogArgument(arguments)...};
    infoWithArguments(file, line, function, format, typed);
  }

  static void infoWithArguments(const char* file, int32_t line, const char* function, std::string_view format,
                                std::span<const QORLogArgument> arguments);
};

}  // namespace qor

#define QOR_LOG(format, ...) ::qor::QORLog::info(__FILE__, __LINE__, __func__, format __VA_OPT__(, ) __VA_ARGS__)
