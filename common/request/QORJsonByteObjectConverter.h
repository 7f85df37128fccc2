// Conversions between JSON dictionaries and their bytes, as the envelope and the key store write
// and read them. Stateless; thread-safe.
#pragma once

#include <optional>

#include "common/QORCommonExport.h"
#include "platform/Bytes.h"
#include "platform/Json.h"

namespace qor {

class QOR_COMMON_EXPORT QORJsonByteObjectConverter {
 public:
  // The compact JSON bytes of a dictionary; nullopt for nullopt, for a value that is not an object
  // and for one that cannot be written (texts that are not UTF-8, numbers that are not finite).
  static platform::OptBytes dataFromDictionary(const std::optional<platform::Json>& dictionary);
  // nullopt for nullopt, for bytes that are not JSON and for JSON whose top level is not an object.
  static std::optional<platform::Json> dictionaryFromData(const platform::OptBytes& data);
};

}  // namespace qor
