// A debug check that an object is used from one sequence only: the main queue, or the queue (or
// thread) that first used it. A class that lives on a queue declares one checker and checks it
// first thing in every public method; its header's "main queue only" is then a fact that Debug and
// sanitizer builds enforce, and no lock is needed to hedge for it.
//
// The sequence of a call: the main queue for the process's main thread and for any thread while it
// runs the main queue; the serial or background queue whose block runs; else the thread itself.
//
// With QOR_DCHECK_IS_ON 0 (builds with NDEBUG) the macros declare no member and make no call. The
// value is fixed when the libraries are built and handed to everything that compiles against them,
// so a class has one layout on both sides.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/QORPlatformExport.h"

#ifndef QOR_DCHECK_IS_ON
#ifdef NDEBUG
#define QOR_DCHECK_IS_ON 0
#else
#define QOR_DCHECK_IS_ON 1
#endif
#endif

namespace platform {

class QOR_PLATFORM_EXPORT SequenceChecker {
 public:
  enum class Binding {
    mainQueue,  // valid on the main queue only, for the checker's whole life
    firstUse,   // bound to the sequence of the first check; `detach` lets the next check bind anew
  };

  explicit SequenceChecker(Binding binding) : binding_(binding) {}
  // For a class whose subclass runs elsewhere: called from the subclass's constructor only.
  void bindOnFirstUse() { binding_ = Binding::firstUse; }
  SequenceChecker(const SequenceChecker&) = delete;
  SequenceChecker& operator=(const SequenceChecker&) = delete;

  // True on the bound sequence; a first-use checker that is not bound binds to the caller's.
  bool calledOnValidSequence() const;
  // An explicit hand-off to another sequence (first-use checkers only; the main queue keeps its own).
  void detach();
  // A hand-off to the main queue when the caller is on it: for the answers that the transport
  // brings back there to an object that ran elsewhere (first-use checkers only).
  void rebindIfOnMainQueue();

  // True on the main queue as defined above.
  static bool isOnMainQueue();
  // Reports the broken contract (QOR_DCHECK's too) and stops the process.
  [[noreturn]] static void fail(const char* what, const char* file, int line);

 private:
  Binding binding_;
  mutable std::atomic<uintptr_t> bound_{0};
};

}  // namespace platform

#if QOR_DCHECK_IS_ON
#define QOR_SEQUENCE_CHECKER(name) ::platform::SequenceChecker name{::platform::SequenceChecker::Binding::firstUse}
#define QOR_MAIN_QUEUE_CHECKER(name) ::platform::SequenceChecker name{::platform::SequenceChecker::Binding::mainQueue}
#define QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(name)                                                        \
  do {                                                                                                   \
    if (!(name).calledOnValidSequence()) ::platform::SequenceChecker::fail("called off its sequence", \
                                                                           __FILE__, __LINE__);          \
  } while (false)
#define QOR_DETACH_FROM_SEQUENCE(name) (name).detach()
#define QOR_BIND_ON_FIRST_USE(name) (name).bindOnFirstUse()
#define QOR_REBIND_IF_ON_MAIN_QUEUE(name) (name).rebindIfOnMainQueue()
#define QOR_DCHECK(condition)                                                                           \
  do {                                                                                                  \
    if (!(condition)) ::platform::SequenceChecker::fail(#condition, __FILE__, __LINE__);               \
  } while (false)
#define QOR_DCHECK_ON_MAIN_QUEUE()                                                                    \
  do {                                                                                                \
    if (!::platform::SequenceChecker::isOnMainQueue())                                                \
      ::platform::SequenceChecker::fail("called off the main queue", __FILE__, __LINE__);            \
  } while (false)
#else
#define QOR_SEQUENCE_CHECKER(name) static_assert(true, "")
#define QOR_MAIN_QUEUE_CHECKER(name) static_assert(true, "")
#define QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(name) ((void)0)
#define QOR_DETACH_FROM_SEQUENCE(name) ((void)0)
#define QOR_BIND_ON_FIRST_USE(name) ((void)0)
#define QOR_REBIND_IF_ON_MAIN_QUEUE(name) ((void)0)
#define QOR_DCHECK_ON_MAIN_QUEUE() ((void)0)
#define QOR_DCHECK(condition) ((void)0)
#endif
