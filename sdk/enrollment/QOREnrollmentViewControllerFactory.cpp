#include "sdk/enrollment/QOREnrollmentViewControllerFactory.h"

#include "sdk/enrollment/QOREnrollmentController.h"
#include "ui/resources/QORNativeScreens.h"

namespace qor {

std::shared_ptr<QOREnrollmentViewController> QOREnrollmentViewControllerFactory::controllerWithResourceProvider(
    const std::shared_ptr<ResourceProvider>& resourceProvider, QOREnrollmentViewController::Completion completion) {
  auto screen = instantiateViewController();
  if (screen) setupViewController(screen, resourceProvider, std::move(completion));
  return screen;
}

std::shared_ptr<QOREnrollmentViewController> QOREnrollmentViewControllerFactory::instantiateViewController() {
  return std::dynamic_pointer_cast<QOREnrollmentViewController>(
      instantiateNativeScreen(kQOREnrollmentStoryboardName, QOREnrollmentViewController::kClassName));
}

void QOREnrollmentViewControllerFactory::setupViewController(const std::shared_ptr<QOREnrollmentViewController>& screen,
                                                             const std::shared_ptr<ResourceProvider>& resourceProvider,
                                                             QOREnrollmentViewController::Completion completion) {
  auto controller = QOREnrollmentController::create();
  screen->setCompletion(std::move(completion));
  screen->setEnrollmentController(controller);
  controller->setDelegate(screen);
  setInitDataFor(screen, resourceProvider);
}

void QOREnrollmentViewControllerFactory::setInitDataFor(const std::shared_ptr<QOREnrollmentViewController>& screen,
                                                        const std::shared_ptr<ResourceProvider>& resourceProvider) {
  screen->setEnrollmentInitData(QOREnrollmentInitData::initWithTitle(
      resourceProvider ? resourceProvider->enrollmentTitleText() : std::nullopt,
      resourceProvider ? resourceProvider->enrollmentDescriptionText() : std::nullopt));
}

}  // namespace qor
