// The system log: rare lines of the system (a WebSocket close, the JSON handed to the cross-platform
// UI, the log facade without a logger) go to standard error, one line per message.
//
// Tests read what is logged with a LogCapture: while at least one is alive, messages go to every
// live capture instead of standard error. Every call is safe from any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/QORPlatformExport.h"

namespace platform {

// Writes the message and, unless it already ends in one, a line break, with one write.
QOR_PLATFORM_EXPORT void systemLog(std::string_view message);

class QOR_PLATFORM_EXPORT LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // The messages logged since this capture was made, in logging order, exactly as given.
  std::vector<std::string> messages() const;

 private:
  friend void systemLog(std::string_view message);
  std::vector<std::string> messages_;  // guarded by the log's one mutex
};

}  // namespace platform
