// Refreshes a linked tenant's name and theme with one update step (202). The completion hears the
// run's final status and a QORTenant with the given identifier and, when the step succeeded, the
// name and theme of the answer. Ready only on an enrolled device (52 otherwise).
//
// Main queue only (checked in Debug builds). It is its own delegate; its action holds it weakly, so its owner must
// hold it from before `start` until the completion has run (the completion may run inside `start`).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "common/actions/QORBaseClientActionController.h"
#include "sdk/tenants/QORTenant.h"
#include "sdk/tenants/QORUpdateTenantAction.h"

namespace qor {

class QORUpdateTenantController : public QORBaseClientActionController,
                                  public QORBaseClientActionControllerDelegate,
                                  public QORUpdateTenantActionDataSource {
 public:
  using Completion = std::function<void(QORStatus status, std::shared_ptr<QORTenant> tenant)>;

  // initWithTenantId:completion:
  static std::shared_ptr<QORUpdateTenantController> create(std::optional<int64_t> tenantId, Completion completion);

  std::optional<int64_t> tenantId() const override { return tenantId_; }
  std::shared_ptr<QORUpdateTenantAction> updateTenant() const;

  // Hooks.
  bool isReadyForStart() override;
  QORStatus possibleErrorStatus() override { return QORStatusNotEnrolled; }
  Actions createActions() override;
  // Runs the completion once per run.
  void clientActionControllerFinishedWithStatus(const std::shared_ptr<QORBaseClientActionController>& controller,
                                                QORStatus status) override;

 protected:
  QORUpdateTenantController(std::optional<int64_t> tenantId, Completion completion);

 private:
  const std::optional<int64_t> tenantId_;
  const Completion completionBlock_;
  std::shared_ptr<QORUpdateTenantAction> updateTenant_;
};

}  // namespace qor
