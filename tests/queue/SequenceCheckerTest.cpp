// The sequence checker: which calls count as the main queue, how a first-use checker binds to a
// serial queue whatever pool thread runs it, the explicit hand-offs, and that a call from the wrong
// sequence stops the process in a build with checks.
#include <gtest/gtest.h>

#include <thread>

#include "platform/Queue.h"
#include "platform/SequenceChecker.h"

namespace {

using platform::MainQueue;
using platform::SequenceChecker;
using platform::SerialQueue;
using Binding = SequenceChecker::Binding;

bool onThread(const std::function<bool()>& check) {
  bool result = false;
  std::thread([&] { result = check(); }).join();
  return result;
}

bool onQueue(const std::shared_ptr<SerialQueue>& queue, const std::function<bool()>& check) {
  bool result = false;
  queue->sync([&] { result = check(); });
  return result;
}

bool inMainQueueBlock(const std::function<bool()>& check) {
  bool result = false;
  bool ran = false;
  MainQueue::shared()->post([&] {
    result = check();
    ran = true;
  });
  MainQueue::shared()->runUntil([&] { return ran; }, platform::seconds(5));
  return result;
}

TEST(SequenceCheckerTest, TheMainQueueIsTheMainThreadAndItsBlocks) {
  SequenceChecker checker(Binding::mainQueue);
  auto queue = SerialQueue::create("checker");
  EXPECT_TRUE(checker.calledOnValidSequence()) << "the process's main thread, outside the run loop";
  EXPECT_TRUE(inMainQueueBlock([&] { return checker.calledOnValidSequence(); }));
  EXPECT_FALSE(onThread([&] { return checker.calledOnValidSequence(); }));
  EXPECT_FALSE(onQueue(queue, [&] { return checker.calledOnValidSequence(); }));
  checker.detach();
  EXPECT_FALSE(onThread([&] { return checker.calledOnValidSequence(); })) << "the main queue keeps its binding";
}

TEST(SequenceCheckerTest, AFirstUseCheckerBindsToTheQueueNotToAThread) {
  SequenceChecker checker(Binding::firstUse);
  auto queue = SerialQueue::create("bound");
  auto other = SerialQueue::create("other");
  EXPECT_TRUE(onQueue(queue, [&] { return checker.calledOnValidSequence(); }));
  // Later blocks of the queue may run on other threads of the pool; they are the same sequence.
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(onQueue(queue, [&] { return checker.calledOnValidSequence(); }));
  EXPECT_FALSE(onQueue(other, [&] { return checker.calledOnValidSequence(); }));
  EXPECT_FALSE(checker.calledOnValidSequence());
  EXPECT_FALSE(onThread([&] { return checker.calledOnValidSequence(); }));
}

TEST(SequenceCheckerTest, HandOffsRebindExplicitly) {
  auto queue = SerialQueue::create("settings");
  SequenceChecker checker(Binding::firstUse);
  EXPECT_TRUE(checker.calledOnValidSequence());
  EXPECT_FALSE(onQueue(queue, [&] { return checker.calledOnValidSequence(); }));
  checker.detach();
  EXPECT_TRUE(onQueue(queue, [&] { return checker.calledOnValidSequence(); }));
  // Off the main queue the main-queue hand-off leaves the binding alone.
  EXPECT_TRUE(onQueue(queue, [&] {
    checker.rebindIfOnMainQueue();
    return checker.calledOnValidSequence();
  }));
  checker.rebindIfOnMainQueue();
  EXPECT_TRUE(checker.calledOnValidSequence());
  EXPECT_FALSE(onQueue(queue, [&] { return checker.calledOnValidSequence(); }));
  // A plain thread is a sequence of its own.
  checker.detach();
  EXPECT_TRUE(onThread([&] { return checker.calledOnValidSequence(); }));
  EXPECT_FALSE(checker.calledOnValidSequence());
}

struct Guarded {
  QOR_SEQUENCE_CHECKER(sequence);
  void touch() { QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence); }
};

TEST(SequenceCheckerDeathTest, AWrongSequenceStopsTheProcess) {
  if (!QOR_DCHECK_IS_ON) GTEST_SKIP() << "checks are compiled out of this build";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  Guarded guarded;
  guarded.touch();
  EXPECT_DEATH(std::thread([&] { guarded.touch(); }).join(), "called off its sequence");
  EXPECT_DEATH(std::thread([] { QOR_DCHECK_ON_MAIN_QUEUE(); }).join(), "called off the main queue");
}

TEST(SequenceCheckerTest, ChecksCostNothingWhereTheyAreCompiledOut) {
  if (QOR_DCHECK_IS_ON) GTEST_SKIP() << "checks are on in this build";
  EXPECT_EQ(sizeof(Guarded), 1u) << "no member state";
  Guarded guarded;
  std::thread([&] { guarded.touch(); }).join();
}

}  // namespace
