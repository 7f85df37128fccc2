#include <gtest/gtest.h>

#include "platform/ui/Image.h"
#include "tests/theme/ImageFixtures.h"

using platform::Bytes;
using platform::Image;

namespace {

TEST(Image, KnowsTheSizeOfPngAndJpegFilesAndRefusesOtherBytes) {
  struct Case {
    const char* name;
    Bytes data;
    double width, height;  // 0: no image
  };
  Bytes sosBeforeFrame = qortest::jpegHeader(4, 3);
  sosBeforeFrame[22] = 0xDA;  // the frame marker becomes a start of scan
  Bytes pngNotIhdr = qortest::pngHeader(3, 2);
  pngNotIhdr[12] = 'X';
  Bytes badSignature = qortest::pngHeader(3, 2);
  badSignature[1] = 'Q';
  Bytes overlongSegment = qortest::jpegHeader(4, 3);
  overlongSegment[5] = 0xFF;  // APP0 claims more bytes than the file has
  const Bytes png = qortest::pngHeader(640, 480);
  const Bytes jpg = qortest::jpegHeader(400, 300);
  const Case cases[] = {
      {"png", png, 640, 480},
      {"large png", qortest::pngHeader(0x7FFFFFFF, 1), double(0x7FFFFFFF), 1},
      {"baseline jpeg", jpg, 400, 300},
      {"progressive jpeg", qortest::jpegHeader(17, 9, 0xC2), 17, 9},
      {"empty", {}, 0, 0},
      {"text", platform::bytesFromString("not an image at all, sorry"), 0, 0},
      {"gif", platform::bytesFromString("GIF89a\x01\x00\x01\x00\x00\x00\x00"), 0, 0},
      {"png signature only", Bytes(png.begin(), png.begin() + 8), 0, 0},
      {"png cut in its IHDR", Bytes(png.begin(), png.begin() + 22), 0, 0},
      {"png of width 0", qortest::pngHeader(0, 5), 0, 0},
      {"png wider than allowed", qortest::pngHeader(0x80000000u, 5), 0, 0},
      {"png whose first chunk is not IHDR", pngNotIhdr, 0, 0},
      {"png with a wrong signature", badSignature, 0, 0},
      {"jpeg start only", {0xFF, 0xD8}, 0, 0},
      {"jpeg cut in its frame header", Bytes(jpg.begin(), jpg.begin() + 26), 0, 0},
      {"jpeg of height 0", qortest::jpegHeader(10, 0), 0, 0},
      {"jpeg with data before any frame", sosBeforeFrame, 0, 0},
      {"jpeg with a segment longer than the file", overlongSegment, 0, 0},
      {"jpeg Huffman table marker is no frame", qortest::jpegHeader(4, 3, 0xC4), 0, 0},
  };
  for (const auto& c : cases) {
    auto image = Image::imageWithData(c.data);
    if (c.width == 0) {
      EXPECT_EQ(image, nullptr) << c.name;
      continue;
    }
    ASSERT_NE(image, nullptr) << c.name;
    EXPECT_EQ(image->size(), (platform::Size{c.width, c.height})) << c.name;
    EXPECT_EQ(image->data(), c.data) << c.name;
  }
}

TEST(Image, EveryTruncationOfAHeaderIsRefusedSafely) {
  for (const Bytes& whole : {qortest::pngHeader(5, 6), qortest::jpegHeader(5, 6)}) {
    size_t shortestImage = whole.size();
    for (size_t n = 0; n < whole.size(); ++n) {
      if (Image::imageWithData(Bytes(whole.begin(), whole.begin() + n))) shortestImage = std::min(shortestImage, n);
    }
    // Only prefixes that hold the whole IHDR chunk or frame segment are images.
    EXPECT_EQ(shortestImage, whole[0] == 0x89 ? 29u : 40u);
  }
}

}  // namespace
