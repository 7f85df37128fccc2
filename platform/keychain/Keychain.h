// Stand-in for the platform keychain: generic-password items, each addressed by service, account
// and synchronizable flag, holding a secret with label, accessibility, creation and modification
// dates.
//
// The store is a SQLite database file (created with mode 0600; an existing one, and its journal
// files, are made private to the user when opened) or, for unit tests, a private in-memory
// database. Every write is one transaction, so an item is never half-written, even when
// the process is killed in the middle of it; several processes may share one file (a writer waits
// for another's transaction up to a few seconds, then gets errSecInteractionNotAllowed).
//
// Thread-safe: calls on one Keychain are serialised. The failure hook runs on the calling thread
// without any lock held and must not call back into the keychain.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Bytes.h"
#include "platform/Clock.h"
#include "platform/QORPlatformExport.h"
#include "platform/keychain/KeychainStatus.h"

namespace platform {

namespace sqlite {
class Database;
}

// Accessibility values (the platform's attribute values).
inline constexpr const char* kSecAttrAccessibleWhenUnlocked = "ak";
inline constexpr const char* kSecAttrAccessibleWhenUnlockedThisDeviceOnly = "aku";

enum class KeychainSynchronizable { Any, No, Yes };

// Which items a call addresses. An absent service or account matches every value; `Any` matches
// synchronizable and other items alike; an accessibility, when set, must match too.
struct QOR_PLATFORM_EXPORT KeychainQuery {
  std::optional<std::string> service;
  std::optional<std::string> account;
  KeychainSynchronizable synchronizable = KeychainSynchronizable::No;
  std::optional<std::string> accessibility;
};

struct QOR_PLATFORM_EXPORT KeychainItem {
  std::string service;
  std::string account;
  bool synchronizable = false;
  std::optional<std::string> label;
  std::optional<std::string> accessibility;
  Bytes data;
};

struct QOR_PLATFORM_EXPORT KeychainAttributes {
  std::string service;
  std::string account;
  bool synchronizable = false;
  std::optional<std::string> label;
  std::optional<std::string> accessibility;
  WallTime creationDate;
  WallTime modificationDate;
};

// One query's outcome in a batch read (copyDataAll): the status copyData gives and, on success,
// the secret.
struct QOR_PLATFORM_EXPORT KeychainDataResult {
  OSStatus status = errSecSuccess;
  Bytes data;
};

// What an update replaces; an absent member is left as it is.
struct QOR_PLATFORM_EXPORT KeychainChanges {
  std::optional<Bytes> data;
  std::optional<std::string> accessibility;
};

// Save: one item of a batch (saveAll).
enum class KeychainOperation { Add, Update, CopyMatching, Delete, Save };

class QOR_PLATFORM_EXPORT Keychain {
 public:
  // The environment variable that names the process keychain's file.
  static constexpr const char* kPathVariable = "QOR_KEYCHAIN_PATH";

  // The process keychain: the file named by QOR_KEYCHAIN_PATH, else defaultPath(); opened on first
  // use. Without either, every call of it fails with errSecNotAvailable (logged once): secrets are
  // never put in a shared folder such as /tmp instead.
  static std::shared_ptr<Keychain> shared();
  // Replaces the process keychain (tests); nullptr goes back to the file.
  static void setShared(std::shared_ptr<Keychain> keychain);
  // $XDG_DATA_HOME/qor/keychain.sqlite, else ~/.local/share/qor/keychain.sqlite, with the home
  // folder from $HOME or the user database; nullopt when neither names an absolute folder.
  static std::optional<std::string> defaultPath();

  // A keychain over the file; its folder is made (mode 0700) when missing. A file that cannot be
  // opened gives errSecNotAvailable (a file that is not a database errSecDecode) on every call, and
  // is tried again on the next one.
  static std::shared_ptr<Keychain> openFile(std::string path);
  // A private, empty keychain that lives as long as the object.
  static std::shared_ptr<Keychain> inMemory();

  ~Keychain();
  Keychain(const Keychain&) = delete;
  Keychain& operator=(const Keychain&) = delete;

  // errSecDuplicateItem when an item with the same service, account and flag exists.
  OSStatus add(const KeychainItem& item);
  // Changes every matching item and its modification date; errSecItemNotFound when none matches.
  OSStatus update(const KeychainQuery& query, const KeychainChanges& changes);
  // Whether anything matches (errSecItemNotFound when nothing does).
  OSStatus find(const KeychainQuery& query);
  // The secret of the first match (non-synchronizable before synchronizable).
  OSStatus copyData(const KeychainQuery& query, Bytes& data);
  // What copyData gives for each query, in order, read in one read transaction: the values are of
  // one committed state, and the file's read locks are taken once for all of them.
  std::vector<KeychainDataResult> copyDataAll(const std::vector<KeychainQuery>& queries);
  // The same read without copies: each query's status and, on success, its secret's bytes go to
  // `take` in order, the bytes valid only during the call. `take` runs under the keychain's lock
  // and must not use the keychain.
  using DataReader = std::function<void(size_t index, OSStatus status, std::span<const uint8_t> data)>;
  void readDataAll(const std::vector<KeychainQuery>& queries, const DataReader& take);
  // The attributes of every match, ordered by service, account and flag.
  OSStatus copyAttributes(const KeychainQuery& query, std::vector<KeychainAttributes>& attributes);
  // Deletes every match; errSecItemNotFound when none matches.
  OSStatus remove(const KeychainQuery& query);
  // Saves several items in one transaction: each replaces the secret (and the accessibility, when
  // it has one) of the item with its service, account and flag, or is added when there is none;
  // then deletes what each of `removals` matches (matching nothing is fine). Either every change
  // is made or, on the first failure, none is and that status is returned.
  OSStatus saveAll(const std::vector<KeychainItem>& items, const std::vector<KeychainQuery>& removals = {});

  // Tests: the hook sees every call before it runs; a non-zero result is returned instead of
  // running it. failNextCall is the one-shot form (it takes precedence over the hook). A batch read
  // shows the hook each query (CopyMatching) before it begins, and only that query fails. A batch
  // write shows the hook each item (Save) and each removal (Delete) before it begins, and a failure
  // strikes when the batch reaches it, after the changes before it were made, so the whole batch is
  // rolled back.
  using FailureHook = std::function<OSStatus(KeychainOperation, const KeychainQuery&)>;
  void setFailureHook(FailureHook hook);
  void failNextCall(OSStatus status);

 private:
  enum class Store { file, memory, none };
  Keychain(Store store, std::string path);
  OSStatus injectedFailure(KeychainOperation operation, const KeychainQuery& query);
  // Opens the database when it is not open; the caller holds mutex_.
  OSStatus ensureOpen();
  // One statement each; the caller holds mutex_ inside a write transaction, `now` is the date to
  // write. The update gives errSecItemNotFound when nothing matches.
  OSStatus insertLocked(const KeychainItem& item, double now);
  OSStatus updateLocked(const KeychainQuery& query, const KeychainChanges& changes, double now);
  OSStatus copyDataLocked(const KeychainQuery& query, Bytes& data);
  // Hands the query's status and the first match's secret, in place, to `take` as `index`.
  void readDataLocked(const KeychainQuery& query, size_t index, const DataReader& take);
  // Deletes every match; the number of deleted items goes to `removed`.
  OSStatus removeLocked(const KeychainQuery& query, int64_t& removed);

  const Store store_;
  const std::string path_;  // of a file store
  std::mutex mutex_;
  std::unique_ptr<sqlite::Database> db_;

  std::mutex hookMutex_;
  FailureHook hook_;
  OSStatus nextFailure_ = errSecSuccess;
  // Whether a hook or a next failure is set: a call checks it before taking the hook's lock, so the
  // reads of a request (several queries each) pay nothing for the tests' seam.
  std::atomic<bool> failureArmed_{false};
};

}  // namespace platform
