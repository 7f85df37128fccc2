#include "sdk/tenants/QORUnlinkTenantController.h"

#include "sdk/enrollment/QOREnrollmentController.h"
namespace qor {

std::shared_ptr<QORUnlinkTenantController> QORUnlinkTenantController::create(std::optional<int64_t> tenantId,
                                                                             Completion completion) {
  auto controller =
      std::shared_ptr<QORUnlinkTenantController>(new QORUnlinkTenantController(tenantId, std::move(completion)));
  controller->setDelegate(controller);
  return controller;
}

QORUnlinkTenantController::QORUnlinkTenantController(std::optional<int64_t> tenantId, Completion completion)
    : tenantId_(tenantId), completionBlock_(std::move(completion)) {}

bool QORUnlinkTenantController::isReadyForStart() { return QOREnrollmentController::isEnrolled(); }

std::shared_ptr<QORUnlinkTenantAction> QORUnlinkTenantController::unlinkTenant() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return unlinkTenant_;
}

QORUnlinkTenantController::Actions QORUnlinkTenantController::createActions() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto self = std::dynamic_pointer_cast<QORUnlinkTenantController>(shared_from_this());
  auto unlink = QORUnlinkTenantAction::create();
  unlink->setDataSource(self);
  unlink->setUnlinkingCodeDataSource(self);
  unlink->setDelegate(self);
  unlinkTenant_ = unlink;
  return {unlink};
}

void QORUnlinkTenantController::clientActionControllerFinishedWithStatus(
    const std::shared_ptr<QORBaseClientActionController>&, QORStatus status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  // A copy: the completion may release this controller.
  if (auto completion = completionBlock_) completion(status, tenantId_);
}

}  // namespace qor
