#include <gtest/gtest.h>

#include "platform/Base64.h"
#include "platform/ui/Image.h"
#include "platform/ui/Snapshot.h"
#include "platform/ui/View.h"
#include "tests/support/TestSupport.h"
#include "tests/theme/ImageFixtures.h"

using platform::Bytes;
using platform::Color;
using platform::Image;
using platform::Rect;
using platform::View;

namespace {

// An independent reader: Python's zlib, with the chunk layout and CRCs of the PNG standard checked
// by hand. Prints width, height and the hex of the RGBA pixels, or the first fault it finds.
constexpr const char* kPngReader = R"(
import base64, struct, sys, zlib
data = base64.b64decode(sys.stdin.read())
assert data[:8] == b'\x89PNG\r\n\x1a\n', 'signature'
pos, chunks = 8, []
while pos < len(data):
    length, kind = struct.unpack('>I4s', data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    crc, = struct.unpack('>I', data[pos + 8 + length:pos + 12 + length])
    assert crc == zlib.crc32(kind + body), 'crc of ' + kind.decode()
    chunks.append((kind, body))
    pos += 12 + length
assert [k for k, _ in chunks] == [b'IHDR', b'IDAT', b'IEND'], 'chunk order'
width, height, depth, colour, method, filt, interlace = struct.unpack('>IIBBBBB', chunks[0][1])
assert (depth, colour, method, filt, interlace) == (8, 6, 0, 0, 0), 'header fields'
raw = zlib.decompress(chunks[1][1])
stride = width * 4 + 1
assert len(raw) == stride * height, 'scanline bytes'
pixels = b''
for y in range(height):
    line = raw[y * stride:(y + 1) * stride]
    assert line[0] == 0, 'filter type'
    pixels += line[1:]
print(width, height, pixels.hex())
)";

struct Decoded {
  uint32_t width = 0;
  uint32_t height = 0;
  Bytes rgba;
};

Decoded decodeWithPython(const Bytes& png) {
  auto result = qortest::runPython(kPngReader, {}, platform::base64Encode(png));
  EXPECT_EQ(result.exitCode, 0) << result.err;
  Decoded d;
  std::istringstream in(result.out);
  std::string hex;
  in >> d.width >> d.height >> hex;
  d.rgba = platform::bytesFromHex(hex).value_or(Bytes{});
  return d;
}

TEST(Png, PixelsRoundTripThroughAnIndependentDecoder) {
  struct Case {
    uint32_t width;
    uint32_t height;
  };
  for (const auto& c : {Case{1, 1}, Case{3, 2}, Case{64, 40}}) {
    Bytes rgba(size_t(c.width) * c.height * 4);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = uint8_t(i * 7 + i / 5);
    auto image = Image::imageWithPixels(c.width, c.height, rgba);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->size(), (platform::Size{double(c.width), double(c.height)}));
    auto png = platform::pngRepresentation(*image);
    ASSERT_TRUE(png.has_value());
    const auto decoded = decodeWithPython(*png);
    EXPECT_EQ(decoded.width, c.width);
    EXPECT_EQ(decoded.height, c.height);
    EXPECT_EQ(decoded.rgba, rgba) << c.width << "x" << c.height;
  }
  EXPECT_EQ(Image::imageWithPixels(0, 4, {}), nullptr);
  EXPECT_EQ(Image::imageWithPixels(2, 2, Bytes(15)), nullptr);
  EXPECT_EQ(Image::imageWithPixels(2, 2, Bytes(17)), nullptr);
}

TEST(Png, AnImageFromAFileIsItsOwnPngUnlessItIsAJpeg) {
  const Bytes png = qortest::pngHeader(20, 10);
  EXPECT_EQ(platform::pngRepresentation(*Image::imageWithData(png)), png);
  EXPECT_EQ(platform::pngRepresentation(*Image::imageWithData(qortest::jpegHeader(20, 10))), std::nullopt);
}

Bytes pixelAt(const Decoded& d, uint32_t x, uint32_t y) {
  const size_t at = (size_t(y) * d.width + x) * 4;
  return Bytes(d.rgba.begin() + ptrdiff_t(at), d.rgba.begin() + ptrdiff_t(at + 4));
}

TEST(Snapshot, BackgroundsAreBlendedInOrderAndClippedWhereViewsClip) {
  auto root = std::make_shared<View>(Rect::make(50, 50, 40, 20));
  root->setBackgroundColor(Color::colorWithRed(1, 1, 1, 1));
  auto half = std::make_shared<View>(Rect::make(0, 0, 10, 10));
  half->setBackgroundColor(Color::colorWithRed(0, 0, 1, 0.5));
  auto clipper = std::make_shared<View>(Rect::make(20, 0, 10, 10));
  clipper->setClipsToBounds(true);
  auto overflow = std::make_shared<View>(Rect::make(5, 5, 30, 30));  // reaches past its clipping superview
  overflow->setBackgroundColor(Color::colorWithRed(1, 0, 0, 1));
  auto hidden = std::make_shared<View>(Rect::make(0, 10, 40, 10));
  hidden->setBackgroundColor(Color::colorWithRed(0, 1, 0, 1));
  hidden->setHidden(true);
  root->addSubview(half);
  root->addSubview(clipper);
  clipper->addSubview(overflow);
  root->addSubview(hidden);

  auto image = platform::snapshotImage(root);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->size(), (platform::Size{40, 20}));
  const auto d = decodeWithPython(*platform::pngRepresentation(*image));
  ASSERT_EQ(d.rgba.size(), 40u * 20 * 4);
  struct Probe {
    uint32_t x, y;
    Bytes rgba;
  };
  const Probe probes[] = {
      {2, 2, {128, 128, 255, 255}},   // half blue over white
      {15, 2, {255, 255, 255, 255}},  // white
      {27, 7, {255, 0, 0, 255}},      // red, inside the clipping view
      {35, 7, {255, 255, 255, 255}},  // red clipped away
      {27, 12, {255, 255, 255, 255}},
      {5, 15, {255, 255, 255, 255}},  // the hidden view is not drawn
  };
  for (const auto& p : probes) EXPECT_EQ(pixelAt(d, p.x, p.y), p.rgba) << p.x << "," << p.y;

  EXPECT_EQ(platform::snapshotImage(std::make_shared<View>(Rect::make(0, 0, 0.4, 10))), nullptr);
  EXPECT_EQ(platform::snapshotImage(std::make_shared<View>(Rect::make(0, 0, 9000, 10))), nullptr);
}

}  // namespace
