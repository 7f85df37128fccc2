#include "sdk/artifacts/QORScreenshotArtifact.h"

#include <cmath>

#include "common/crypto/QORCryptUtilsB64.h"
#include "sdk/QORConstants.h"
#include "sdk/artifacts/internal/RecordDictionary.h"

namespace qor {
namespace {

platform::Size sizeOf(const std::shared_ptr<platform::Image>& image) { return image ? image->size() : platform::Size{}; }

// Halves away from zero, as the platform's rounding of points does.
int64_t rounded(double points) { return std::llround(points); }

}  // namespace

std::shared_ptr<QORScreenshotArtifact> QORScreenshotArtifact::create(std::shared_ptr<platform::Image> screenshot) {
  return std::make_shared<QORScreenshotArtifact>(std::move(screenshot));
}

QORScreenshotArtifact::QORScreenshotArtifact(std::shared_ptr<platform::Image> screenshot)
    : QORSessionArtifact(artifactType.load()), screenshotImage_(std::move(screenshot)) {
  if (screenshotImage_) screenshotB64_ = QORCryptUtilsB64::encodeDataToString(platform::pngRepresentation(*screenshotImage_));
}

platform::Json QORScreenshotArtifact::placesForScreenshot() const {
  const platform::Size size = sizeOf(screenshotImage_);
  const int64_t side = sidewardSafeAreaPadding.load();
  return platform::Json::array({{{"x1", side},
                                 {"y1", static_cast<int64_t>(topSafeAreaPadding.load())},
                                 {"x2", rounded(size.width - static_cast<double>(side))},
                                 {"y2", rounded(size.height) - bottomSafeAreaPadding.load()}}});
}

std::optional<platform::Json> QORScreenshotArtifact::requestDictionary() const {
  auto dictionary = internal::recordDictionary(*this, "ScreenshotArtifact");
  const platform::Size size = sizeOf(screenshotImage_);
  if (screenshotB64_) (*dictionary)["screenshotData"] = *screenshotB64_;
  (*dictionary)["screenshotWidth"] = rounded(size.width);
  (*dictionary)["screenshotHeight"] = rounded(size.height);
  (*dictionary)["places"] = placesForScreenshot();
  return dictionary;
}

uint32_t QORScreenshotArtifact::getHashCode() const {
  const auto prime = static_cast<uint32_t>(hashCodePrime.load());
  const auto type = static_cast<uint32_t>(artifactType.load());
  return prime * (prime + type) + prime * static_cast<uint32_t>(hashFor(screenshotB64_));
}

}  // namespace qor
