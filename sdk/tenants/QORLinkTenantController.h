// Links a tenant with the linking code the user got from its provider: the link step (201), then an
// update step (202) that fetches the new tenant's name and theme. The completion hears the run's
// final status and a QORTenant (identifier from the link answer, name and theme from the update
// answer, each absent unless its step succeeded). Ready once a push token is stored (44 otherwise).
//
// Main queue only (checked in Debug builds). It is its own delegate; its actions hold it weakly, so its owner must
// hold it from before `start` until the completion has run (the completion may run inside `start`).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/actions/QORBaseClientActionController.h"
#include "sdk/tenants/QORLinkTenantAction.h"
#include "sdk/tenants/QORTenant.h"
#include "sdk/tenants/QORUpdateTenantAction.h"

namespace qor {

class QORLinkTenantController : public QORBaseClientActionController,
                                public QORBaseClientActionControllerDelegate,
                                public QORLinkTenantActionDataSource,
                                public QORUpdateTenantActionDataSource {
 public:
  using Completion = std::function<void(QORStatus status, std::shared_ptr<QORTenant> tenant)>;

  // initWithLinkingCode:completion:
  static std::shared_ptr<QORLinkTenantController> create(std::optional<std::string> linkingCode, Completion completion);

  const std::optional<std::string>& linkingCode() const { return linkingCode_; }
  std::shared_ptr<QORLinkTenantAction> linkTenant() const;
  std::shared_ptr<QORUpdateTenantAction> updateTenant() const;

  // Data sources of the actions: the linking code, and the identifier the link answer gave.
  std::optional<std::string> linkCode() const override { return linkingCode_; }
  std::optional<int64_t> tenantId() const override;

  // Hooks.
  bool isReadyForStart() override;
  Actions createActions() override;
  // Runs the completion once per run.
  void clientActionControllerFinishedWithStatus(const std::shared_ptr<QORBaseClientActionController>& controller,
                                                QORStatus status) override;

 protected:
  QORLinkTenantController(std::optional<std::string> linkingCode, Completion completion);

 private:
  const std::optional<std::string> linkingCode_;
  const Completion completionBlock_;
  std::shared_ptr<QORLinkTenantAction> linkTenant_;
  std::shared_ptr<QORUpdateTenantAction> updateTenant_;
};

}  // namespace qor
