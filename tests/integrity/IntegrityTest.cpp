#include <gtest/gtest.h>

#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/devices/Device.h"
#include "sdk/integrity/QORDeviceIntegrity.h"
#include "sdk/integrity/QORIntegrityArtifact.h"

namespace {

using qor::QORDeviceIntegrity;
using qor::QORIntegrityFinding;
using qor::QORIntegrityObservations;

TEST(IntegrityFindings, OneFindingPerSignInAFixedOrder) {
  const struct {
    const char* name;
    QORIntegrityObservations seen;
    std::vector<QORIntegrityFinding> findings;
  } cases[] = {
      {"nothing", {}, {}},
      {"a tracer", {31, {}, false, false}, {{320, "DEBUGGER_ATTACHED", "TracerPid 31"}}},
      {"two preload sources",
       {0, {"LD_PRELOAD", "/etc/ld.so.preload"}, false, false},
       {{321, "INJECTED_LIBRARY", "LD_PRELOAD"}, {321, "INJECTED_LIBRARY", "/etc/ld.so.preload"}}},
      {"root", {0, {}, true, false}, {{322, "RUNNING_AS_ROOT", "euid 0"}}},
      {"the device's flag", {0, {}, false, true}, {{323, "DEVICE_COMPROMISED", "device integrity flag"}}},
      {"everything",
       {7, {"LD_AUDIT"}, true, true},
       {{320, "DEBUGGER_ATTACHED", "TracerPid 7"},
        {321, "INJECTED_LIBRARY", "LD_AUDIT"},
        {322, "RUNNING_AS_ROOT", "euid 0"},
        {323, "DEVICE_COMPROMISED", "device integrity flag"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(QORDeviceIntegrity::findingsFor(c.seen), c.findings) << c.name;
}

TEST(IntegrityFindings, TheTracerAndThePreloadListAreReadFromTheirFiles) {
  const struct {
    const char* status;
    int64_t tracerPid;
  } statuses[] = {
      {"Name:\ttest\nState:\tR (running)\nTracerPid:\t0\nUid:\t0\t0\t0\t0\n", 0},
      {"Name:\ttest\nTracerPid:\t12345\n", 12345},
      {"TracerPid:   88  \n", 88},
      {"Name:\ttest\n", 0},
      {"TracerPid:\tmany\n", 0},
      {"TracerPid:\t-4\n", 0},
      {"TracerPid:\t99999999999999999999999\n", 0},
      {"PPid:\t1\nNotTracerPid:\t5\n", 0},
      {"", 0},
  };
  for (const auto& c : statuses) EXPECT_EQ(QORDeviceIntegrity::tracerPidFromStatus(c.status), c.tracerPid) << c.status;

  const struct {
    const char* file;
    bool lists;
  } preloads[] = {
      {"", false},
      {"\n  \n\t\n", false},
      {"# nothing preloaded\n", false},
      {"/usr/lib/libhook.so\n", true},
      {"   /usr/lib/libhook.so   ", true},
      {"# a comment\nlibhook.so\n", true},
  };
  for (const auto& c : preloads) EXPECT_EQ(QORDeviceIntegrity::listsPreloadedObjects(c.file), c.lists) << c.file;
}

// Sets an environment variable for one scope, restoring what was there.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(IntegrityFindings, TheProcessProbeSeesTheEnvironmentAndTheDevice) {
  const auto sources = [] { return QORDeviceIntegrity::observeProcess().preloadSources; };
  const auto has = [](const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
  };
  {
    ScopedEnv preload("LD_PRELOAD", "");
    ScopedEnv audit("LD_AUDIT", "");
    EXPECT_FALSE(has(sources(), "LD_PRELOAD")) << "an empty value loads nothing";
    EXPECT_FALSE(has(sources(), "LD_AUDIT"));
  }
  {
    ScopedEnv preload("LD_PRELOAD", "/nonexistent/libhook.so");
    EXPECT_TRUE(has(sources(), "LD_PRELOAD"));
  }
  {
    ScopedEnv audit("LD_AUDIT", "libaudit.so");
    EXPECT_TRUE(has(sources(), "LD_AUDIT"));
  }
  platform::Device::setIntegrityCompromised(true);
  EXPECT_TRUE(QORDeviceIntegrity::observeProcess().deviceFlagged);
  platform::Device::reset();
  EXPECT_FALSE(QORDeviceIntegrity::observeProcess().deviceFlagged);
}

TEST(IntegrityFindings, TheProcessProbeSeesATracer) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t parent = ::getpid();
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The parent becomes this process's tracer.
    int64_t seen = -1;
    if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) == 0) seen = QORDeviceIntegrity::observeProcess().tracerPid;
    (void)!::write(fds[1], &seen, sizeof seen);
    ::_exit(0);
  }
  ::close(fds[1]);
  int64_t seen = -2;
  const bool read = ::read(fds[0], &seen, sizeof seen) == static_cast<ssize_t>(sizeof seen);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(read);
  if (seen == -1) GTEST_SKIP() << "tracing is not allowed here";
  EXPECT_EQ(seen, parent);
}

TEST(IntegrityFindings, AnInstalledProbeDecidesWhatTheCheckSees) {
  QORDeviceIntegrity::setProbe([] { return QORIntegrityObservations{0, {}, true, true}; });
  const auto records = QORDeviceIntegrity::artifacts();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]->requestDictionary(),
            (platform::Json{{"type", 322}, {"className", "IntegrityArtifact"}, {"finding", "RUNNING_AS_ROOT"},
                            {"detail", "euid 0"}}));
  EXPECT_EQ(records[1]->type(), 323);

  QORDeviceIntegrity::setProbe({});
  EXPECT_EQ(QORDeviceIntegrity::check(), QORDeviceIntegrity::findingsFor(QORDeviceIntegrity::observeProcess()));
}

}  // namespace
