// What the enrollment screen knows of its controller: how to start it. The controller reports its
// final status to the screen as its QORBaseClientActionControllerDelegate.
#pragma once

namespace qor {

class QOREnrollmentStartProtocol {
 public:
  virtual ~QOREnrollmentStartProtocol() = default;
  virtual void start() = 0;
};

}  // namespace qor
