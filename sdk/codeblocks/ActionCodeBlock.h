// The code block of a server answer: an identifier, a lifetime and a Base64-encoded JSON body that
// carries the next nonce's seed and what the flow needs next. The base decodes the body, rewrites
// its GUI data (the "argGuiData" text becomes an object holding the session timer) and reads the
// seed; subclasses read their own members in `initBody`.
//
// Parsing never fails: a member that is missing or of another JSON type than expected is treated
// as absent and leaves its field nil or zero. A block is immutable once made; any thread may read it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Json.h"

namespace qor {

class ActionCodeBlock {
 public:
  // initWithDictionary: the "actionCodeBlock" object of an answer (nullopt or a non-object reads as
  // a block without members).
  static std::shared_ptr<ActionCodeBlock> create(const std::optional<platform::Json>& dictionary);
  virtual ~ActionCodeBlock() = default;

  // "id" of the block.
  const std::optional<std::string>& blockId() const { return blockId_; }
  // "lifeTime"; 0 when absent.
  int64_t lifeTime() const { return lifeTime_; }
  // "seed" of the body.
  const std::optional<std::string>& seed() const { return seed_; }

  // A copy of the body whose "argGuiData" text is replaced by the object it holds (an empty object
  // when the text is not a JSON object) with "timerSecondsTime" added. Other members are kept.
  static platform::Json setGuiDataDictionary(const platform::Json& body);
  static platform::Json setGuiDataDictionary(const platform::Json& body, double nowSeconds);
  // The object that the text holds as JSON; an empty object for anything else.
  static platform::Json dictionaryFromJson(const std::optional<std::string>& text);
  // Seconds left of the session: "sessionStarted" (whole seconds, 0 when missing or unreadable)
  // plus "sessionTimeout" (at most 300, 0 when missing) minus now, rounded half away from zero.
  // `nowSeconds` is the wall time since 1970; without it the platform clock's (virtual time moves it).
  static int64_t fetchTimerSecondsTime(const platform::Json& body);
  static int64_t fetchTimerSecondsTime(const platform::Json& body, double nowSeconds);

 protected:
  ActionCodeBlock() = default;

  // The subclass's reading of the decoded body (nullopt when there is none); the base reads nothing.
  virtual void initBody(const std::optional<platform::Json>& body);

  // Made in two steps so that `initBody` reaches the subclass.
  template <class Block>
  static std::shared_ptr<Block> make(const std::optional<platform::Json>& dictionary) {
    std::shared_ptr<Block> block(new Block());
    block->initWithDictionary(dictionary);
    return block;
  }

 private:
  void initWithDictionary(const std::optional<platform::Json>& dictionary);

  std::optional<std::string> blockId_;
  int64_t lifeTime_ = 0;
  std::optional<std::string> seed_;
};

}  // namespace qor
