// Helpers of the screen stand-in's tests: controllers that write down their appearance calls, and a
// fixture in virtual time.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Queue.h"
#include "platform/ui/ViewController.h"

namespace qortest {

using Events = std::shared_ptr<std::vector<std::string>>;

inline Events makeEvents() { return std::make_shared<std::vector<std::string>>(); }

// Writes "<name>.load", "<name>.willAppear", "<name>.didAppear", "<name>.willDisappear",
// "<name>.didDisappear" as they come.
class RecordingController : public platform::ViewController {
 public:
  RecordingController(std::string name, Events events) : name_(std::move(name)), events_(std::move(events)) {}
  std::string className() const override { return name_; }
  void viewDidLoad() override { note("load"); }
  void viewWillAppear(bool) override { note("willAppear"); }
  void viewDidAppear(bool) override { note("didAppear"); }
  void viewWillDisappear(bool) override { note("willDisappear"); }
  void viewDidDisappear(bool) override { note("didDisappear"); }
  void note(const std::string& what) const { events_->push_back(name_ + "." + what); }

 private:
  std::string name_;
  Events events_;
};

inline std::shared_ptr<RecordingController> recording(const std::string& name, const Events& events) {
  return std::make_shared<RecordingController>(name, events);
}

// Virtual time for the whole case; the main queue is run by the case itself.
class VirtualTimeTest : public testing::Test {
 protected:
  platform::VirtualTime time_;
};

}  // namespace qortest
