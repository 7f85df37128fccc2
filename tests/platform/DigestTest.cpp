#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "platform/Bytes.h"
#include "platform/Digest.h"
#include "platform/Random.h"

using platform::hexString;

namespace {

// RFC 1321 appendix A.5.
TEST(Digest, Md5MatchesTheRfc1321TestSuite) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (auto [text, hex] : cases) EXPECT_EQ(hexString(platform::md5(std::string_view(text))), hex) << text;
}

// FIPS 180 examples.
TEST(Digest, Sha1AndSha256MatchKnownAnswers) {
  EXPECT_EQ(hexString(platform::sha1(std::string_view("abc"))), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(hexString(platform::sha256(std::string_view("abc"))),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(hexString(platform::sha256(std::string_view(""))),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(Random, GivesTheAskedLengthAndDoesNotRepeat) {
  auto a = platform::secureRandomBytes(16);
  auto b = platform::secureRandomBytes(16);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->size(), 16u);
  EXPECT_NE(*a, *b);
  EXPECT_EQ(platform::secureRandomBytes(0), platform::Bytes{});
}

// 32 bytes drawn in a forked child, or nullopt when the child failed.
std::optional<platform::Bytes> drawInChild() {
  int fds[2];
  if (pipe(fds) != 0) return std::nullopt;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    auto bytes = platform::secureRandomBytes(32);
    const bool sent = bytes && write(fds[1], bytes->data(), bytes->size()) == 32;
    _exit(sent ? 0 : 1);
  }
  close(fds[1]);
  platform::Bytes got(32);
  size_t read = 0;
  while (pid > 0 && read < got.size()) {
    const ssize_t n = ::read(fds[0], got.data() + read, got.size() - read);
    if (n <= 0) break;
    read += static_cast<size_t>(n);
  }
  close(fds[0]);
  int status = 0;
  if (pid <= 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  if (read != got.size()) return std::nullopt;
  return got;
}

// The generator is the process's, and its output depends on its state alone: children forked from
// one state would repeat each other and the parent's next bytes unless each reseeds.
TEST(Random, ForkedChildrenDrawStreamsOfTheirOwn) {
  ASSERT_TRUE(platform::secureRandomBytes(16));  // the parent's generator runs before the forks
  const auto first = drawInChild();
  const auto second = drawInChild();
  ASSERT_TRUE(first && second);
  const auto parent = platform::secureRandomBytes(32);
  ASSERT_TRUE(parent);
  EXPECT_NE(*first, *second) << "two children of the same state";
  EXPECT_NE(*first, *parent) << "a child and its parent";
  EXPECT_NE(*second, *parent);
}

TEST(Bytes, HexRoundTripAndRejection) {
  EXPECT_EQ(platform::bytesFromHex("00 ff A0"), (platform::Bytes{0x00, 0xff, 0xa0}));
  EXPECT_FALSE(platform::bytesFromHex("abc"));
  EXPECT_FALSE(platform::bytesFromHex("zz"));
  platform::Bytes secret = {1, 2, 3};
  platform::secureWipe(secret);
  EXPECT_EQ(secret, (platform::Bytes{0, 0, 0}));
}

}  // namespace
