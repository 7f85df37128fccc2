// The request envelope and the answer object, without a network: which members make a request,
// the RSA block limit of the header, and how answer bytes become a response.
#include <gtest/gtest.h>

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "common/crypto/QORCryptUtilsSymmetric.h"
#include "common/crypto/QORKeyPair.h"
#include "common/crypto/internal/LibraryKeys.h"
#include "common/request/QORBaseRequest.h"
#include "common/request/QORBaseResponse.h"
#include "common/request/QORJsonByteObjectConverter.h"
#include "common/storage/QORCommonData.h"
#include "platform/keychain/Keychain.h"

namespace {

using platform::Json;
using platform::OptBytes;
using qor::QORCommonData;

// A header with one more member, sized so that its JSON has an exact length.
class PaddedHeader : public qor::QORBaseRequestHeader {
 public:
  static std::shared_ptr<PaddedHeader> create(size_t jsonLength) {
    auto header = std::shared_ptr<PaddedHeader>(new PaddedHeader());
    auto base = header->QORBaseRequestHeader::requestDictionary();
    // {"pad":""} adds 9 bytes besides the padding: the comma, the quoted name and the quotes.
    size_t baseLength = base->dump().size() + 9;
    header->padding_ = std::string(jsonLength - baseLength, 'x');
    return header;
  }
  std::optional<Json> requestDictionary() const override {
    auto dictionary = QORBaseRequestHeader::requestDictionary();
    if (dictionary) (*dictionary)["pad"] = padding_;
    return dictionary;
  }

 private:
  PaddedHeader() : QORBaseRequestHeader(900) {}
  std::string padding_;
};

class NoDataKeyRequest : public qor::QORBaseRequest {
 public:
  static std::shared_ptr<NoDataKeyRequest> create() { return std::shared_ptr<NoDataKeyRequest>(new NoDataKeyRequest()); }
  std::optional<std::string> requestDataKey() const override { return std::nullopt; }
};

class EnvelopeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { serverKeys_ = new std::shared_ptr<qor::QORKeyPair>(qor::QORCryptUtilsAsymmetric::generateKeyPair()); }
  static void TearDownTestSuite() { delete serverKeys_; }

  void SetUp() override {
    ASSERT_TRUE(*serverKeys_);
    platform::Keychain::setShared(platform::Keychain::inMemory());
    QORCommonData::setInstallationId(std::string("device-1"));
    QORCommonData::setPubVtnBase64(qor::QORCryptUtilsB64::encodeDataToString((*serverKeys_)->publicKey()->data()));
  }

  static std::shared_ptr<qor::QORBaseRequest> makeRequest(OptBytes nonce = platform::bytesFromString("0123456789abcdef")) {
    auto request = qor::QORBaseRequest::create();
    request->setHeader(qor::QORBaseRequestHeader::create(900));
    request->setRequestData(qor::QORBaseRequestData::create(std::move(nonce)));
    return request;
  }

  // The plain bytes of the sealed header, opened with the server's private key.
  static OptBytes openHeader(const std::string& sealed) {
    return qor::QORCryptUtilsAsymmetric::decryptData(qor::QORCryptUtilsB64::decodeString(sealed),
                                                     (*serverKeys_)->privateKey());
  }

  static std::shared_ptr<qor::QORKeyPair>* serverKeys_;
};
std::shared_ptr<qor::QORKeyPair>* EnvelopeTest::serverKeys_ = nullptr;

TEST_F(EnvelopeTest, RequestHoldsExactlyItsThreeMembers) {
  auto request = makeRequest();
  auto dictionary = request->requestDictionary();
  ASSERT_TRUE(dictionary);
  EXPECT_EQ(dictionary->size(), 3u);
  EXPECT_EQ((*dictionary)["installationId"], "device-1");

  auto header = qor::QORJsonByteObjectConverter::dictionaryFromData(openHeader((*dictionary)["encryptedHeader"]));
  ASSERT_TRUE(header);
  EXPECT_EQ(*header, *request->header()->requestDictionary());
  EXPECT_EQ(header->size(), 3u);
  EXPECT_EQ((*header)["type"], 900);
  EXPECT_EQ(qor::QORCryptUtilsB64::decodeString((*header)["nIV"].get<std::string>())->size(), 16u);
  EXPECT_EQ(qor::QORCryptUtilsB64::decodeString((*header)["symmetricKeyQOR"].get<std::string>())->size(), 16u);

  auto sealedBody = qor::QORCryptUtilsB64::decodeString((*dictionary)["dataEncryptedRequest"].get<std::string>());
  auto plainBody = qor::QORCryptUtilsSymmetric::decryptData(sealedBody, request->header()->symmetricKeyQOR(),
                                                             request->header()->nIV());
  auto body = qor::QORJsonByteObjectConverter::dictionaryFromData(plainBody);
  ASSERT_TRUE(body);
  EXPECT_EQ(*body, (Json{{"nonceQOR", "MDEyMzQ1Njc4OWFiY2RlZg=="}}));
}

TEST_F(EnvelopeTest, MissingMemberMeansNoRequest) {
  struct Case {
    const char* name;
    std::function<std::shared_ptr<qor::QORBaseRequest>()> make;
  };
  const Case cases[] = {
      {"no installation identifier", [] { QORCommonData::setInstallationId(std::nullopt); return makeRequest(); }},
      {"no server key", [] { QORCommonData::setPubVtnBase64(std::nullopt); return makeRequest(); }},
      {"server key that is not a key", [] { QORCommonData::setPubVtnBase64(std::string("AAAA")); return makeRequest(); }},
      {"body without a nonce", [] { return makeRequest(std::nullopt); }},
      {"no body", [] { auto r = makeRequest(); r->setRequestData(nullptr); return r; }},
      {"no name for the body", [] {
         std::shared_ptr<qor::QORBaseRequest> r = NoDataKeyRequest::create();
         r->setHeader(qor::QORBaseRequestHeader::create(900));
         r->setRequestData(qor::QORBaseRequestData::create(platform::bytesFromString("n")));
         return r;
       }},
      {"header of 246 bytes", [] { auto r = makeRequest(); r->setHeader(PaddedHeader::create(246)); return r; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    EXPECT_FALSE(c.make()->requestDictionary());
  }
}

TEST_F(EnvelopeTest, HeaderFitsOneRSABlockUpTo245Bytes) {
  auto header = PaddedHeader::create(245);
  ASSERT_EQ(header->requestDictionary()->dump().size(), 245u);
  auto request = makeRequest();
  request->setHeader(header);
  auto sealed = request->encryptedHeader();
  ASSERT_TRUE(sealed);
  EXPECT_EQ(openHeader(*sealed)->size(), 245u);
}

TEST_F(EnvelopeTest, HeaderWithoutItsDictionarySealsTheEmptyMessage) {
  auto request = makeRequest();
  request->header()->setType(std::nullopt);  // two of three members
  EXPECT_FALSE(request->header()->requestDictionary());
  auto dictionary = request->requestDictionary();
  ASSERT_TRUE(dictionary);
  auto plain = openHeader((*dictionary)["encryptedHeader"]);
  ASSERT_TRUE(plain);
  EXPECT_TRUE(plain->empty());
}

// The server's key object is kept while the stored text stays the same; a new text is read by the
// very next request, and the key it names seals the header.
TEST_F(EnvelopeTest, EachRequestSealsUnderTheServerKeyStoredAtThatTime) {
  const auto otherKeys = qor::QORCryptUtilsAsymmetric::generateKeyPair();
  ASSERT_TRUE(otherKeys);
  const auto& firstKeys = *serverKeys_;
  auto sealUnder = [](const std::shared_ptr<qor::QORKeyPair>& keys) {
    QORCommonData::setPubVtnBase64(qor::QORCryptUtilsB64::encodeDataToString(keys->publicKey()->data()));
    return qor::QORCryptUtilsB64::decodeString(makeRequest()->encryptedHeader());
  };
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    for (bool first : {true, false, false, true}) {
      const auto& keys = first ? firstKeys : otherKeys;
      const OptBytes sealed = sealUnder(keys);
      ASSERT_TRUE(sealed);
      const OptBytes plain = qor::QORCryptUtilsAsymmetric::decryptData(sealed, keys->privateKey());
      ASSERT_TRUE(plain);
      EXPECT_TRUE(qor::QORJsonByteObjectConverter::dictionaryFromData(plain));
      EXPECT_NE(qor::QORCryptUtilsAsymmetric::decryptData(sealed, (first ? otherKeys : firstKeys)->privateKey()), plain);
    }
  }
  QORCommonData::setPubVtnBase64(std::nullopt);
  EXPECT_FALSE(makeRequest()->encryptedHeader()) << "no stored key, no header";
}

// The stored key is decoded once per stored value, however many requests are sealed under it; the
// text is still read for each request, so a new value is decoded the first time it is read.
TEST_F(EnvelopeTest, TheServerKeyIsDecodedOncePerStoredValue) {
  const auto otherKeys = qor::QORCryptUtilsAsymmetric::generateKeyPair();
  ASSERT_TRUE(otherKeys);
  auto store = [](const std::shared_ptr<qor::QORKeyPair>& keys) {
    QORCommonData::setPubVtnBase64(qor::QORCryptUtilsB64::encodeDataToString(keys->publicKey()->data()));
  };
  auto decodesFor = [](int requests) {
    const uint64_t before = qor::internal::publicKeyDecodeCount();
    for (int i = 0; i < requests; ++i) EXPECT_TRUE(makeRequest()->encryptedHeader());
    return qor::internal::publicKeyDecodeCount() - before;
  };
  store(otherKeys);
  EXPECT_EQ(decodesFor(3), 1u) << "a value not read before";
  EXPECT_EQ(decodesFor(3), 0u) << "the same value";
  store(*serverKeys_);
  EXPECT_EQ(decodesFor(1), 1u) << "a changed value";
  EXPECT_EQ(decodesFor(3), 0u);
  store(otherKeys);
  EXPECT_EQ(decodesFor(2), 1u) << "back to the first value";
}

TEST_F(EnvelopeTest, EveryRequestHasAFreshKeyAndIV) {
  auto a = qor::QORBaseRequestHeader::create(900);
  auto b = qor::QORBaseRequestHeader::create(900);
  EXPECT_NE(a->nIV(), b->nIV());
  EXPECT_NE(a->symmetricKeyQOR()->data(), b->symmetricKeyQOR()->data());
  EXPECT_EQ(a->symmetricKeyQOR()->type(), 0);
}

TEST_F(EnvelopeTest, AnswerBytesBecomeAResponse) {
  auto bytes = [](const Json& json) { return OptBytes(platform::bytesFromString(json.dump())); };
  auto baseClass = qor::responseClassOf<qor::QORBaseResponse>();
  struct Case {
    const char* name;
    OptBytes data;
    qor::QORResponseClass responseClass;
    bool made;
    std::optional<std::string> body, signature;
    std::optional<Json> status;
  };
  const Case cases[] = {
      {"all members", bytes({{"dataEncryptedResponse", "c2VhbGVk"}, {"signatureVTN", "sig"}, {"status", {{"code", 0}}}}),
       baseClass, true, "c2VhbGVk", "sig", Json{{"code", 0}}},
      {"no members", bytes(Json::object()), baseClass, true, std::nullopt, std::nullopt, std::nullopt},
      {"members of the wrong type", bytes({{"dataEncryptedResponse", 5}, {"signatureVTN", {1}}, {"status", "ok"}}),
       baseClass, true, std::nullopt, std::nullopt, Json("ok")},
      {"a JSON array", bytes(Json::array({1})), baseClass, false, {}, {}, {}},
      {"not JSON", platform::bytesFromString("{"), baseClass, false, {}, {}, {}},
      {"no bytes", std::nullopt, baseClass, false, {}, {}, {}},
      {"no response class", bytes(Json::object()), qor::QORResponseClass(), false, {}, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto response = qor::responseFromData(c.data, c.responseClass);
    ASSERT_EQ(response != nullptr, c.made);
    if (!response) continue;
    EXPECT_EQ(response->encryptedBody(), c.body);
    EXPECT_EQ(response->signature(), c.signature);
    EXPECT_EQ(response->status(), c.status);
    EXPECT_FALSE(response->getDecryptedBody());
  }
}

}  // namespace
