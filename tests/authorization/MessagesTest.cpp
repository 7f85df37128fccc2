// Headers, bodies and sealing of the authorization messages, and the hooks of the five actions.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <typeinfo>

#include "common/actions/QORClientActionConstants.h"
#include "common/crypto/QORCryptUtils.h"
#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "common/crypto/QORCryptUtilsSymmetric.h"
#include "common/request/QORJsonByteObjectConverter.h"
#include "common/storage/QORCommonData.h"
#include "platform/keychain/Keychain.h"
#include "sdk/artifacts/QOROverlayWindowArtifact.h"
#include "sdk/artifacts/QORUserAnswer.h"
#include "sdk/authorization/QORAuthRequest.h"
#include "sdk/authorization/QORAuthRequestHeader.h"
#include "sdk/authorization/QORCommitAuthAction.h"
#include "sdk/authorization/QORCommitAuthRequestData.h"
#include "sdk/authorization/QOREnrollmentRequestHeader.h"
#include "sdk/authorization/QORHandshakeStep1Action.h"
#include "sdk/authorization/QORHandshakeStep1Response.h"
#include "sdk/authorization/QORHandshakeStep2Action.h"
#include "sdk/authorization/QORHandshakeStep2RequestData.h"
#include "sdk/authorization/QORPrepareAuthAction.h"
#include "sdk/authorization/QORWakeUpAction.h"
#include "sdk/authorization/QORWakeUpRequestData.h"
#include "sdk/authorization/QORWakeUpResponse.h"
#include "sdk/authorization/QorPrepareAuthResponse.h"

using platform::Json;

namespace {

std::set<std::string> keysOf(const Json& object) {
  std::set<std::string> keys;
  for (const auto& [key, value] : object.items()) keys.insert(key);
  return keys;
}

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Keychain::setShared(platform::Keychain::inMemory());
    qor::QORCommonData::setEnrollmentId(std::string("E-1"));
  }

  platform::Bytes nonce_ = platform::Bytes(16, 9);
  std::shared_ptr<qor::QORSecretKey> key_ = qor::QORSecretKey::create(platform::Bytes(92, 1), 1);
};

TEST_F(MessagesTest, HeadersCarryExactlyTheirMembers) {
  auto enrollment = qor::QOREnrollmentRequestHeader::create(105);
  const auto plain = enrollment->requestDictionary();
  ASSERT_TRUE(plain);
  EXPECT_EQ(keysOf(*plain), (std::set<std::string>{"type", "nIV", "symmetricKeyQOR", "enrollmentId"}));
  EXPECT_EQ(plain->at("type"), 105);
  EXPECT_EQ(plain->at("enrollmentId"), "E-1");
  EXPECT_EQ(qor::QORCryptUtilsB64::decodeString(plain->at("nIV").get<std::string>())->size(), 16u);
  EXPECT_EQ(qor::QORCryptUtilsB64::decodeString(plain->at("symmetricKeyQOR").get<std::string>())->size(), 16u);

  auto secret = qor::QORCryptUtilsSymmetric::generateSecretKey();
  auto agreed = qor::QORAuthRequestHeader::create(107, secret);
  const auto agreedPlain = agreed->requestDictionary();
  ASSERT_TRUE(agreedPlain);
  EXPECT_EQ(keysOf(*agreedPlain), (std::set<std::string>{"type", "nIV", "enrollmentId"}));
  EXPECT_FALSE(agreed->symmetricKeyQOR());
  EXPECT_EQ(agreed->sharedSecretDh(), secret);
  EXPECT_EQ(agreed->nIV()->size(), 16u);
  EXPECT_NE(agreed->nIV(), qor::QORAuthRequestHeader::create(107, secret)->nIV());

  // Without a stored enrollment identifier neither header has a dictionary.
  qor::QORCommonData::setEnrollmentId(std::nullopt);
  EXPECT_FALSE(qor::QOREnrollmentRequestHeader::create(105)->requestDictionary());
  EXPECT_FALSE(qor::QORAuthRequestHeader::create(103, secret)->requestDictionary());
  EXPECT_FALSE(qor::QOREnrollmentRequestHeader::create(std::nullopt)->requestDictionary());
}

TEST_F(MessagesTest, BodiesCarryExactlyTheirMembersOrNone) {
  const std::string nonce = *qor::QORCryptUtilsB64::encodeDataToString(nonce_);
  const std::string key = *qor::QORCryptUtilsB64::encodeDataToString(key_->data());
  const auto window = qor::QOROverlayWindowArtifact::create();
  const auto unsealed = qor::QORUserAnswer::create(404, std::nullopt);
  const auto noBytes = qor::QORSecretKey::create(std::nullopt, 1);
  const struct {
    const char* name;
    std::shared_ptr<qor::QORBaseRequestData> body;
    std::optional<Json> dictionary;
  } cases[] = {
      {"wake-up of a fresh authorization", qor::QORWakeUpRequestData::create(nonce_, 77, {}),
       Json{{"nonceQOR", nonce}, {"sessionId", 77}, {"artifacts", Json::array()}}},
      {"wake-up with records", qor::QORWakeUpRequestData::create(nonce_, 77, {window}),
       Json{{"nonceQOR", nonce}, {"sessionId", 77}, {"artifacts", {*window->requestDictionary()}}}},
      {"wake-up without a session", qor::QORWakeUpRequestData::create(nonce_, std::nullopt, {}), std::nullopt},
      {"wake-up without a nonce", qor::QORWakeUpRequestData::create(std::nullopt, 77, {}), std::nullopt},
      {"wake-up with a record without a dictionary", qor::QORWakeUpRequestData::create(nonce_, 77, {window, unsealed}),
       std::nullopt},
      {"handshake step 1", qor::QORHandshakeStep1RequestData::create(nonce_, key_),
       Json{{"nonceQOR", nonce}, {"pubQORDH", key}}},
      {"handshake step 1 without a key", qor::QORHandshakeStep1RequestData::create(nonce_, nullptr), std::nullopt},
      {"handshake step 1 with a key without bytes", qor::QORHandshakeStep1RequestData::create(nonce_, noBytes),
       std::nullopt},
      {"handshake step 2", qor::QORHandshakeStep2RequestData::create(nonce_, key_, key_),
       Json{{"nonceQOR", nonce}, {"pubQORDH", key}, {"pubVTNDH", key}}},
      {"handshake step 2 without the server's key", qor::QORHandshakeStep2RequestData::create(nonce_, key_, nullptr),
       std::nullopt},
      {"handshake step 2 without the client's key", qor::QORHandshakeStep2RequestData::create(nonce_, nullptr, key_),
       std::nullopt},
      {"commit", qor::QORCommitAuthRequestData::create(nonce_, {window}),
       Json{{"nonceQOR", nonce}, {"artifacts", {*window->requestDictionary()}}}},
      {"commit without records", qor::QORCommitAuthRequestData::create(nonce_, {}),
       Json{{"nonceQOR", nonce}, {"artifacts", Json::array()}}},
      {"commit with an answer that could not be sealed", qor::QORCommitAuthRequestData::create(nonce_, {window, unsealed}),
       std::nullopt},
      {"commit with a missing record", qor::QORCommitAuthRequestData::create(nonce_, {nullptr}), std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(c.body->requestDictionary(), c.dictionary) << c.name;
}

TEST_F(MessagesTest, AnAuthRequestSealsItsBodyWithTheAgreedSecret) {
  qor::QORCommonData::setInstallationId(std::string("device-1"));
  auto serverKeys = qor::QORCryptUtilsAsymmetric::generateKeyPair();
  qor::QORCommonData::setPubVtnBase64(qor::QORCryptUtilsB64::encodeDataToString(serverKeys->publicKey()->data()));
  auto secret = qor::QORCryptUtilsSymmetric::generateSecretKey();
  auto request = qor::QORAuthRequest::create();
  auto header = qor::QORAuthRequestHeader::create(103, secret);
  request->setHeader(header);
  request->setRequestData(qor::QORBaseRequestData::create(nonce_));
  const auto envelope = request->requestDictionary();
  ASSERT_TRUE(envelope);
  const auto sealed = qor::QORCryptUtilsB64::decodeString(envelope->at("dataEncryptedRequest").get<std::string>());
  const auto plain = qor::QORCryptUtilsSymmetric::decryptData(sealed, secret, header->nIV());
  ASSERT_TRUE(plain);
  EXPECT_EQ(qor::QORJsonByteObjectConverter::dictionaryFromData(plain),
            (Json{{"nonceQOR", *qor::QORCryptUtilsB64::encodeDataToString(nonce_)}}));
  const auto openedHeader = qor::QORCryptUtilsAsymmetric::decryptData(
      qor::QORCryptUtilsB64::decodeString(envelope->at("encryptedHeader").get<std::string>()), serverKeys->privateKey());
  EXPECT_EQ(keysOf(*qor::QORJsonByteObjectConverter::dictionaryFromData(openedHeader)),
            (std::set<std::string>{"type", "nIV", "enrollmentId"}));

  // Without a secret, or with a header of the base kind, the body cannot be sealed: no request.
  request->setHeader(qor::QORAuthRequestHeader::create(103, nullptr));
  EXPECT_FALSE(request->requestDictionary());
  request->setHeader(qor::QORBaseRequestHeader::create(103));
  EXPECT_FALSE(request->requestDictionary());
}

TEST(AuthorizationActions, AnswerTheirHooks) {
  const struct {
    const char* name;
    std::shared_ptr<qor::QORBaseClientAction> action;
    int64_t type;
    bool reconnect;
    bool authRequest;
    std::function<bool(const std::shared_ptr<qor::QORBaseResponse>&)> isAnswer;
  } cases[] = {
      {"wake-up", qor::QORWakeUpAction::create(), 105, true, false,
       [](auto r) { return std::dynamic_pointer_cast<qor::QORWakeUpResponse>(r) != nullptr; }},
      {"handshake step 1", qor::QORHandshakeStep1Action::create(), 106, false, false,
       [](auto r) { return std::dynamic_pointer_cast<qor::QORHandshakeStep1Response>(r) != nullptr; }},
      {"handshake step 2", qor::QORHandshakeStep2Action::create(), 107, false, true,
       [](auto r) { return typeid(*r) == typeid(qor::QORBaseResponse); }},
      {"prepare", qor::QORPrepareAuthAction::create(), 103, false, true,
       [](auto r) { return std::dynamic_pointer_cast<qor::QorPrepareAuthResponse>(r) != nullptr; }},
      {"commit", qor::QORCommitAuthAction::create(), 104, false, true,
       [](auto r) { return typeid(*r) == typeid(qor::QORBaseResponse); }},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.action->actionType(), c.type) << c.name;
    EXPECT_EQ(c.action->urlPath(), std::string(qor::QORClientActionPathAuth)) << c.name;
    EXPECT_EQ(c.action->httpMethod(), "POST") << c.name;
    EXPECT_TRUE(c.action->shouldUseWebSocket()) << c.name;
    EXPECT_EQ(c.action->shouldReconnectWebsocket(), c.reconnect) << c.name;
    auto request = c.action->requestClass()();
    EXPECT_EQ(std::dynamic_pointer_cast<qor::QORAuthRequest>(request) != nullptr, c.authRequest) << c.name;
    EXPECT_TRUE(c.isAnswer(c.action->responseClass()())) << c.name;
    EXPECT_TRUE(c.action->artifacts().empty()) << c.name;
  }
}

}  // namespace
