// Unlinks a tenant with one unlink step (203). The completion hears the run's final status and the
// identifier it was given. Ready only on an enrolled device (52 otherwise).
//
// Main queue only (checked in Debug builds). It is its own delegate; its action holds it weakly, so its owner must
// hold it from before `start` until the completion has run (the completion may run inside `start`).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "common/actions/QORBaseClientActionController.h"
#include "sdk/tenants/QORUnlinkTenantAction.h"

namespace qor {

class QORUnlinkTenantController : public QORBaseClientActionController,
                                  public QORBaseClientActionControllerDelegate,
                                  public QORUnlinkTenantActionDataSource {
 public:
  using Completion = std::function<void(QORStatus status, std::optional<int64_t> tenantId)>;

  // initWithTenantId:completion:
  static std::shared_ptr<QORUnlinkTenantController> create(std::optional<int64_t> tenantId, Completion completion);

  const std::optional<int64_t>& tenantId() const { return tenantId_; }
  std::optional<int64_t> fetchTenantId() const override { return tenantId_; }
  std::shared_ptr<QORUnlinkTenantAction> unlinkTenant() const;

  // Hooks.
  bool isReadyForStart() override;
  QORStatus possibleErrorStatus() override { return QORStatusNotEnrolled; }
  Actions createActions() override;
  // Runs the completion once per run.
  void clientActionControllerFinishedWithStatus(const std::shared_ptr<QORBaseClientActionController>& controller,
                                                QORStatus status) override;

 protected:
  QORUnlinkTenantController(std::optional<int64_t> tenantId, Completion completion);

 private:
  const std::optional<int64_t> tenantId_;
  const Completion completionBlock_;
  std::shared_ptr<QORUnlinkTenantAction> unlinkTenant_;
};

}  // namespace qor
