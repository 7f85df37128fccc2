// Makes the enrollment screen ready to run: the scene "QOREnrollmentViewController" of the storyboard
// of that name in the native-screens bundle, with a new enrollment controller (owned by the screen,
// reporting to it), the host app's completion and the provider's title and description.
//
// Class methods only; main queue, like the screen.
#pragma once

#include <memory>

#include "sdk/resources/ResourceProvider.h"
#include "ui/enrollment/QOREnrollmentViewController.h"

namespace qor {

class QOREnrollmentViewControllerFactory {
 public:
  QOREnrollmentViewControllerFactory() = delete;

  // The screen, set up; nullptr when the scene cannot be made.
  static std::shared_ptr<QOREnrollmentViewController> controllerWithResourceProvider(
      const std::shared_ptr<ResourceProvider>& resourceProvider, QOREnrollmentViewController::Completion completion);
  // A new screen of the scene, not set up; nullptr when the scene cannot be made.
  static std::shared_ptr<QOREnrollmentViewController> instantiateViewController();
  // A new QOREnrollmentController becomes the screen's controller with the screen as its delegate;
  // the completion and the texts are set.
  static void setupViewController(const std::shared_ptr<QOREnrollmentViewController>& screen,
                                  const std::shared_ptr<ResourceProvider>& resourceProvider,
                                  QOREnrollmentViewController::Completion completion);
  // The screen's init data from the provider's enrollment title and description (none without a
  // provider).
  static void setInitDataFor(const std::shared_ptr<QOREnrollmentViewController>& screen,
                             const std::shared_ptr<ResourceProvider>& resourceProvider);
};

}  // namespace qor
