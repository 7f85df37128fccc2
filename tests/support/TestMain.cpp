#include <gtest/gtest.h>

#include "platform/Queue.h"

namespace {

// Blocks left on the main queue by one case must not run inside the next.
class ClearMainQueue : public testing::EmptyTestEventListener {
  void OnTestEnd(const testing::TestInfo&) override { platform::MainQueue::shared()->clear(); }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new ClearMainQueue);
  return RUN_ALL_TESTS();
}
