#include "sdk/tenants/QORLinkTenantController.h"

#include "sdk/enrollment/QOREnrollmentController.h"
#include "sdk/tenants/QORLinkTenantResponse.h"
#include "sdk/tenants/QORUpdateTenantResponse.h"

namespace qor {

std::shared_ptr<QORLinkTenantController> QORLinkTenantController::create(std::optional<std::string> linkingCode,
                                                                         Completion completion) {
  auto controller = std::shared_ptr<QORLinkTenantController>(
      new QORLinkTenantController(std::move(linkingCode), std::move(completion)));
  controller->setDelegate(controller);
  return controller;
}

QORLinkTenantController::QORLinkTenantController(std::optional<std::string> linkingCode, Completion completion)
    : linkingCode_(std::move(linkingCode)), completionBlock_(std::move(completion)) {}

std::shared_ptr<QORLinkTenantAction> QORLinkTenantController::linkTenant() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return linkTenant_;
}

std::shared_ptr<QORUpdateTenantAction> QORLinkTenantController::updateTenant() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return updateTenant_;
}

std::optional<int64_t> QORLinkTenantController::tenantId() const {
  auto link = linkTenant();
  auto answer = link ? std::dynamic_pointer_cast<QORLinkTenantResponse>(link->response()) : nullptr;
  return answer ? answer->tenantId() : std::nullopt;
}

bool QORLinkTenantController::isReadyForStart() { return QOREnrollmentController::isReadyForEnrollment(); }

QORLinkTenantController::Actions QORLinkTenantController::createActions() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto self = std::dynamic_pointer_cast<QORLinkTenantController>(shared_from_this());
  auto link = QORLinkTenantAction::create();
  link->setDataSource(self);
  link->setLinkingCodeDataSource(self);
  link->setDelegate(self);
  auto update = QORUpdateTenantAction::create();
  update->setDataSource(self);
  update->setTenantIdDataSource(self);
  update->setDelegate(self);
  linkTenant_ = link;
  updateTenant_ = update;
  return {link, update};
}

void QORLinkTenantController::clientActionControllerFinishedWithStatus(
    const std::shared_ptr<QORBaseClientActionController>&, QORStatus status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto update = updateTenant();
  auto answer = update ? std::dynamic_pointer_cast<QORUpdateTenantResponse>(update->response()) : nullptr;
  auto tenant =
      QORTenant::create(answer ? answer->tenantName() : std::nullopt, tenantId(), answer ? answer->theme() : nullptr);
  // A copy: the completion may release this controller.
  if (auto completion = completionBlock_) completion(status, tenant);
}

}  // namespace qor
