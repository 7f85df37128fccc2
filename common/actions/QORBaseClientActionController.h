// A flow: runs an ordered list of client actions one after the other, serves as their data source
// (the run's nonce) and delegate, lets its subclass keep what each successful action returned, and
// reports one final status per run to its own delegate. Subclasses override the hooks.
//
// Main queue only (checked in Debug builds); a flow that runs elsewhere (the device-information
// report) makes its controller bound to the sequence that first uses it, and hands it over
// explicitly. Holds its actions; holds its delegate weakly. Nothing holds a controller for its
// actions: one whose owner lets it go during a run hears nothing more. Make it with a factory that
// returns a shared pointer: it hands itself out to its actions.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/QORCommonExport.h"
#include "common/actions/QORBaseClientAction.h"
#include "common/actions/QORBaseClientActionControllerDelegate.h"
#include "common/actions/QORClientActionDataSource.h"
#include "common/actions/QORClientActionDelegate.h"
#include "common/actions/QORStatus.h"
#include "platform/Bytes.h"
#include "platform/SequenceChecker.h"

namespace qor {

class QOR_COMMON_EXPORT QORBaseClientActionController : public virtual QORClientActionDataSource,
                                      public virtual QORClientActionDelegate,
                                      public std::enable_shared_from_this<QORBaseClientActionController> {
 public:
  using Actions = std::vector<std::shared_ptr<QORBaseClientAction>>;

  ~QORBaseClientActionController() override = default;

  bool started() const;
  void setStarted(bool started);
  std::weak_ptr<QORBaseClientActionControllerDelegate> delegate() const;
  void setDelegate(std::weak_ptr<QORBaseClientActionControllerDelegate> delegate);
  platform::OptBytes nonce() const override;
  void setNonce(platform::OptBytes nonce);
  // Replaced as a whole, never changed in place.
  Actions actions() const;
  void setActions(Actions actions);

  // Hooks.
  virtual bool isReadyForStart() { return true; }
  virtual QORStatus possibleErrorStatus() { return QORStatusInternalCommonError; }
  // A new 16-byte nonce.
  virtual void setupData();
  virtual Actions createActions() { return {}; }
  virtual void saveActionResponse(const std::shared_ptr<QORBaseClientAction>&) {}
  // Starts the action after this one; 1 after the last; 48 for an action not in the list.
  virtual void runNextAction(const std::shared_ptr<QORBaseClientAction>& action);
  void clientActionFinishedWithStatus(const std::shared_ptr<QORBaseClientAction>& action, QORStatus status) override;
  virtual void resetData() {}
  virtual std::optional<std::string> urlPath() const { return std::nullopt; }

  // Begins a run. While one is under way it reports 60 and leaves that run alone.
  virtual void start();
  // Ends the run (success included): clears `started`, then tells the delegate.
  virtual void finishWithErrorStatus(QORStatus status);
  // Appends an action to the list; it is neither started nor wired.
  void addAction(std::shared_ptr<QORBaseClientAction> action);

 protected:
  QORBaseClientActionController() = default;
  // A controller of a flow that runs off the main queue: bound to the sequence that first uses it.
  struct BoundOnFirstUse {};
  explicit QORBaseClientActionController(BoundOnFirstUse);

  void tellDelegate(QORStatus status);

  // Subclasses check their own entry points against it.
  QOR_MAIN_QUEUE_CHECKER(sequence_);

 private:
  bool started_ = false;
  uint64_t runEnds_ = 0;  // calls of finishWithErrorStatus
  std::weak_ptr<QORBaseClientActionControllerDelegate> delegate_;
  platform::OptBytes nonce_;
  Actions actions_;
};

}  // namespace qor
