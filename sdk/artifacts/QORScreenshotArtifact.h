// A picture of the screen with the places on it that the server is to look at: the PNG file of the
// image in Base64, its size in points and one rectangle inside the safe-area paddings. Its type and
// hash read the process-wide integers of QORConstants.h (the type when it is made, the prime and
// the type when it hashes, the paddings when it lays out its places).
//
// Immutable once made; any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/artifacts/QORSessionArtifact.h"
#include "platform/ui/Image.h"

namespace qor {

class QORScreenshotArtifact : public QORSessionArtifact {
 public:
  // initWithScreenshot:
  static std::shared_ptr<QORScreenshotArtifact> create(std::shared_ptr<platform::Image> screenshot);

  explicit QORScreenshotArtifact(std::shared_ptr<platform::Image> screenshot);

  const std::shared_ptr<platform::Image>& screenshotImage() const { return screenshotImage_; }
  // Standard Base64 of the PNG file, without line breaks; nil without an image or for one that has
  // no PNG form.
  const std::optional<std::string>& screenshotB64() const { return screenshotB64_; }

  // [{"x1", "y1", "x2", "y2"}]: the image inside the side, top and bottom paddings.
  platform::Json placesForScreenshot() const;

  // {"type", "className": "ScreenshotArtifact", "screenshotData", "screenshotWidth",
  // "screenshotHeight", "places"}; a nil value leaves its member out.
  std::optional<platform::Json> requestDictionary() const override;
  // P * (P + T) + P * hashFor(screenshotData), P = hashCodePrime, T = artifactType, wrapping.
  uint32_t getHashCode() const override;

 private:
  std::shared_ptr<platform::Image> screenshotImage_;
  std::optional<std::string> screenshotB64_;
};

}  // namespace qor
