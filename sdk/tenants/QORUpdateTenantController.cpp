#include "sdk/tenants/QORUpdateTenantController.h"

#include "sdk/enrollment/QOREnrollmentController.h"
#include "sdk/tenants/QORUpdateTenantResponse.h"

namespace qor {

std::shared_ptr<QORUpdateTenantController> QORUpdateTenantController::create(std::optional<int64_t> tenantId,
                                                                             Completion completion) {
  auto controller =
      std::shared_ptr<QORUpdateTenantController>(new QORUpdateTenantController(tenantId, std::move(completion)));
  controller->setDelegate(controller);
  return controller;
}

QORUpdateTenantController::QORUpdateTenantController(std::optional<int64_t> tenantId, Completion completion)
    : tenantId_(tenantId), completionBlock_(std::move(completion)) {}

bool QORUpdateTenantController::isReadyForStart() { return QOREnrollmentController::isEnrolled(); }

std::shared_ptr<QORUpdateTenantAction> QORUpdateTenantController::updateTenant() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return updateTenant_;
}

QORUpdateTenantController::Actions QORUpdateTenantController::createActions() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto self = std::dynamic_pointer_cast<QORUpdateTenantController>(shared_from_this());
  auto update = QORUpdateTenantAction::create();
  update->setDataSource(self);
  update->setTenantIdDataSource(self);
  update->setDelegate(self);
  updateTenant_ = update;
  return {update};
}

void QORUpdateTenantController::clientActionControllerFinishedWithStatus(
    const std::shared_ptr<QORBaseClientActionController>&, QORStatus status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto update = updateTenant();
  auto answer = update ? std::dynamic_pointer_cast<QORUpdateTenantResponse>(update->response()) : nullptr;
  auto tenant =
      QORTenant::create(answer ? answer->tenantName() : std::nullopt, tenantId_, answer ? answer->theme() : nullptr);
  // A copy: the completion may release this controller.
  if (auto completion = completionBlock_) completion(status, tenant);
}

}  // namespace qor
