#include "platform/keychain/Keychain.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "platform/SystemLog.h"
#include "platform/keychain/internal/SqliteDatabase.h"

namespace platform {
namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS genp ("
    " service TEXT NOT NULL, account TEXT NOT NULL, sync INTEGER NOT NULL,"
    " label TEXT, accessibility TEXT, data BLOB NOT NULL,"
    " cdat REAL NOT NULL, mdat REAL NOT NULL,"
    " PRIMARY KEY (service, account, sync))";

double secondsSinceEpoch(WallTime time) { return std::chrono::duration<double>(time.time_since_epoch()).count(); }

WallTime wallTimeFromSeconds(double seconds) {
  return WallTime(std::chrono::duration_cast<WallTime::duration>(std::chrono::duration<double>(seconds)));
}

// The WHERE clause of a query and the values to bind to it, in order. The texts point into the
// query, which outlives every statement it is bound to.
struct Filter {
  unsigned shape;  // which conditions the WHERE clause has (clauseOf gives its text)
  std::array<std::string_view, 3> texts;
  int textCount = 0;
  std::optional<int64_t> sync;
};

constexpr unsigned kShapes = 16;

// The clause for each combination of conditions, built once: a read then costs no text building.
const std::string& clauseOf(unsigned shape) {
  static const auto* clauses = [] {
    auto* made = new std::array<std::string, kShapes>;  // never destroyed: a read during exit stays safe
    for (unsigned each = 0; each < made->size(); ++each) {
      std::string& conditions = (*made)[each];
      auto add = [&](const char* condition) {
        conditions += conditions.empty() ? " WHERE " : " AND ";
        conditions += condition;
      };
      if (each & 1) add("service = ?");
      if (each & 2) add("account = ?");
      if (each & 4) add("accessibility = ?");
      if (each & 8) add("sync = ?");
    }
    return made;
  }();
  return (*clauses)[shape];
}

// The whole text of a read of one item's data, per shape: the read every request makes several
// times builds no text either.
const std::string& copyDataSql(const Filter& filter) {
  static const auto* texts = [] {
    auto* made = new std::array<std::string, kShapes>;  // never destroyed, as above
    for (unsigned shape = 0; shape < made->size(); ++shape) {
      (*made)[shape] = "SELECT data FROM genp" + clauseOf(shape) + " ORDER BY sync, service, account LIMIT 1";
    }
    return made;
  }();
  return (*texts)[filter.shape];
}

Filter filterFor(const KeychainQuery& query) {
  Filter f;
  const bool bySync = query.synchronizable != KeychainSynchronizable::Any;
  f.shape = (query.service ? 1u : 0u) | (query.account ? 2u : 0u) | (query.accessibility ? 4u : 0u) |
            (bySync ? 8u : 0u);
  if (query.service) f.texts[f.textCount++] = *query.service;
  if (query.account) f.texts[f.textCount++] = *query.account;
  if (query.accessibility) f.texts[f.textCount++] = *query.accessibility;
  if (bySync) f.sync = query.synchronizable == KeychainSynchronizable::Yes ? 1 : 0;
  return f;
}

// Binds the filter's values after the first `offset` parameters.
void bindFilter(sqlite::Statement& statement, const Filter& filter, int offset) {
  int index = offset;
  for (int i = 0; i < filter.textCount; ++i) statement.bindBorrowed(++index, filter.texts[i]);
  if (filter.sync) statement.bind(++index, *filter.sync);
}

// The query that addresses exactly this item.
KeychainQuery queryOf(const KeychainItem& item) {
  return {item.service, item.account, item.synchronizable ? KeychainSynchronizable::Yes : KeychainSynchronizable::No,
          item.accessibility};
}

// Makes the missing folders of the path, private to the user.
void makeParentFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    std::string folder = path.substr(0, slash);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return;
  }
}

struct SharedState {
  std::mutex mutex;
  std::shared_ptr<Keychain> keychain;
};

SharedState& sharedState() {
  static auto* state = new SharedState;  // never destroyed: late users at exit stay safe
  return *state;
}

}  // namespace

std::optional<std::string> Keychain::defaultPath() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/') {
    return std::string(data) + "/qor/keychain.sqlite";
  }
  std::string home;
  if (const char* h = std::getenv("HOME"); h && h[0] == '/') {
    home = h;
  } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') {
    home = pw->pw_dir;
  } else {
    return std::nullopt;
  }
  return home + "/.local/share/qor/keychain.sqlite";
}

std::shared_ptr<Keychain> Keychain::shared() {
  auto& state = sharedState();
  std::lock_guard lock(state.mutex);
  if (!state.keychain) {
    const char* variable = std::getenv(kPathVariable);
    auto path = variable && variable[0] ? std::optional<std::string>(variable) : defaultPath();
    if (path) {
      state.keychain = openFile(std::move(*path));
    } else {
      systemLog(std::string("keychain: no folder for the keychain file; set ") + kPathVariable +
                ", XDG_DATA_HOME or HOME");
      state.keychain = std::shared_ptr<Keychain>(new Keychain(Store::none, {}));
    }
  }
  return state.keychain;
}

void Keychain::setShared(std::shared_ptr<Keychain> keychain) {
  auto& state = sharedState();
  std::lock_guard lock(state.mutex);
  state.keychain = std::move(keychain);
}

std::shared_ptr<Keychain> Keychain::openFile(std::string path) {
  makeParentFolders(path);
  return std::shared_ptr<Keychain>(new Keychain(Store::file, std::move(path)));
}

std::shared_ptr<Keychain> Keychain::inMemory() { return std::shared_ptr<Keychain>(new Keychain(Store::memory, {})); }

Keychain::Keychain(Store store, std::string path) : store_(store), path_(std::move(path)) {
  std::lock_guard lock(mutex_);
  ensureOpen();
}

Keychain::~Keychain() = default;

OSStatus Keychain::ensureOpen() {
  if (db_) return errSecSuccess;
  if (store_ == Store::none) return errSecNotAvailable;
  OSStatus status = errSecSuccess;
  const bool isFile = store_ == Store::file;
  auto db = sqlite::Database::open(isFile ? std::optional<std::string>(path_) : std::nullopt, status);
  if (!db) return status;
  // The busy wait comes first: switching to WAL and creating the table take locks that another
  // process may hold.
  for (const char* setup : {"PRAGMA busy_timeout = 5000", isFile ? "PRAGMA journal_mode = WAL" : "",
                            "PRAGMA synchronous = FULL", kSchema}) {
    if (!*setup) continue;
    status = db->exec(setup);
    if (status != errSecSuccess) return status;
  }
  db_ = std::move(db);
  return errSecSuccess;
}

void Keychain::setFailureHook(FailureHook hook) {
  std::lock_guard lock(hookMutex_);
  hook_ = std::move(hook);
  failureArmed_ = hook_ || nextFailure_ != errSecSuccess;
}

void Keychain::failNextCall(OSStatus status) {
  std::lock_guard lock(hookMutex_);
  nextFailure_ = status;
  failureArmed_ = hook_ || nextFailure_ != errSecSuccess;
}

OSStatus Keychain::injectedFailure(KeychainOperation operation, const KeychainQuery& query) {
  if (!failureArmed_.load(std::memory_order_acquire)) return errSecSuccess;
  FailureHook hook;
  {
    std::lock_guard lock(hookMutex_);
    if (nextFailure_ != errSecSuccess) {
      failureArmed_ = static_cast<bool>(hook_);
      return std::exchange(nextFailure_, errSecSuccess);
    }
    hook = hook_;
  }
  return hook ? hook(operation, query) : errSecSuccess;
}

OSStatus Keychain::insertLocked(const KeychainItem& item, double now) {
  sqlite::Statement insert(*db_,
                           "INSERT INTO genp (service, account, sync, label, accessibility, data, cdat, mdat)"
                           " VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
  insert.bind(1, std::string_view(item.service))
      .bind(2, std::string_view(item.account))
      .bind(3, int64_t{item.synchronizable})
      .bind(4, item.label)
      .bind(5, item.accessibility)
      .bind(6, item.data)
      .bind(7, now)
      .bind(8, now);
  insert.step();
  return insert.status();
}

OSStatus Keychain::updateLocked(const KeychainQuery& query, const KeychainChanges& changes, double now) {
  Filter filter = filterFor(query);
  std::string sql = "UPDATE genp SET mdat = ?";
  if (changes.data) sql += ", data = ?";
  if (changes.accessibility) sql += ", accessibility = ?";
  sqlite::Statement statement(*db_, sql + clauseOf(filter.shape));
  int index = 0;
  statement.bind(++index, now);
  if (changes.data) statement.bind(++index, *changes.data);
  if (changes.accessibility) statement.bind(++index, std::string_view(*changes.accessibility));
  bindFilter(statement, filter, index);
  statement.step();
  if (statement.status()) return statement.status();
  return db_->changes() == 0 ? errSecItemNotFound : errSecSuccess;
}

OSStatus Keychain::add(const KeychainItem& item) {
  if (OSStatus injected = injectedFailure(KeychainOperation::Add, queryOf(item))) return injected;
  std::lock_guard lock(mutex_);
  if (OSStatus status = ensureOpen()) return status;
  sqlite::WriteTransaction transaction(*db_);
  if (transaction.beginStatus()) return transaction.beginStatus();
  if (OSStatus status = insertLocked(item, secondsSinceEpoch(Clock::wallNow()))) return status;
  return transaction.commit();
}

OSStatus Keychain::update(const KeychainQuery& query, const KeychainChanges& changes) {
  if (OSStatus injected = injectedFailure(KeychainOperation::Update, query)) return injected;
  std::lock_guard lock(mutex_);
  if (OSStatus status = ensureOpen()) return status;
  sqlite::WriteTransaction transaction(*db_);
  if (transaction.beginStatus()) return transaction.beginStatus();
  if (OSStatus status = updateLocked(query, changes, secondsSinceEpoch(Clock::wallNow()))) return status;
  return transaction.commit();
}

OSStatus Keychain::saveAll(const std::vector<KeychainItem>& items, const std::vector<KeychainQuery>& removals) {
  std::vector<OSStatus> injected;
  injected.reserve(items.size() + removals.size());
  for (const auto& item : items) injected.push_back(injectedFailure(KeychainOperation::Save, queryOf(item)));
  for (const auto& query : removals) injected.push_back(injectedFailure(KeychainOperation::Delete, query));
  std::lock_guard lock(mutex_);
  if (OSStatus status = ensureOpen()) return status;
  sqlite::WriteTransaction transaction(*db_);
  if (transaction.beginStatus()) return transaction.beginStatus();
  const double now = secondsSinceEpoch(Clock::wallNow());
  for (size_t i = 0; i < items.size(); ++i) {
    if (injected[i]) return injected[i];
    KeychainQuery sameKey = queryOf(items[i]);
    sameKey.accessibility.reset();  // the item it replaces may have had another accessibility
    OSStatus status = updateLocked(sameKey, {items[i].data, items[i].accessibility}, now);
    if (status == errSecItemNotFound) status = insertLocked(items[i], now);
    if (status) return status;
  }
  for (size_t i = 0; i < removals.size(); ++i) {
    if (injected[items.size() + i]) return injected[items.size() + i];
    int64_t removed = 0;
    if (OSStatus status = removeLocked(removals[i], removed)) return status;
  }
  return transaction.commit();
}

OSStatus Keychain::find(const KeychainQuery& query) {
  if (OSStatus injected = injectedFailure(KeychainOperation::CopyMatching, query)) return injected;
  std::lock_guard lock(mutex_);
  if (OSStatus status = ensureOpen()) return status;
  Filter filter = filterFor(query);
  sqlite::Statement statement(*db_, "SELECT 1 FROM genp" + clauseOf(filter.shape) + " LIMIT 1");
  bindFilter(statement, filter, 0);
  if (statement.step()) return errSecSuccess;
  return statement.status() ? statement.status() : errSecItemNotFound;
}

OSStatus Keychain::copyData(const KeychainQuery& query, Bytes& data) {
  if (OSStatus injected = injectedFailure(KeychainOperation::CopyMatching, query)) return injected;
  std::lock_guard lock(mutex_);
  if (OSStatus status = ensureOpen()) return status;
  return copyDataLocked(query, data);
}

std::vector<KeychainDataResult> Keychain::copyDataAll(const std::vector<KeychainQuery>& queries) {
  std::vector<KeychainDataResult> results(queries.size());
  readDataAll(queries, [&](size_t index, OSStatus status, std::span<const uint8_t> data) {
    results[index].status = status;
    if (!status) results[index].data.assign(data.begin(), data.end());
  });
  return results;
}

void Keychain::readDataAll(const std::vector<KeychainQuery>& queries, const DataReader& take) {
  // Injected failures are drawn before the lock, as for one read; only then is a list kept.
  std::vector<OSStatus> injected;
  if (failureArmed_.load(std::memory_order_acquire)) {
    injected.resize(queries.size());
    for (size_t i = 0; i < queries.size(); ++i) injected[i] = injectedFailure(KeychainOperation::CopyMatching, queries[i]);
  }
  const auto injectedAt = [&](size_t i) { return injected.empty() ? errSecSuccess : injected[i]; };
  std::lock_guard lock(mutex_);
  if (OSStatus status = ensureOpen()) {
    for (size_t i = 0; i < queries.size(); ++i) take(i, injectedAt(i) ? injectedAt(i) : status, {});
    return;
  }
  sqlite::ReadTransaction transaction(*db_);
  for (size_t i = 0; i < queries.size(); ++i) {
    if (OSStatus status = injectedAt(i)) {
      take(i, status, {});
    } else {
      readDataLocked(queries[i], i, take);
    }
  }
}

OSStatus Keychain::copyDataLocked(const KeychainQuery& query, Bytes& data) {
  OSStatus result = errSecSuccess;
  readDataLocked(query, 0, [&](size_t, OSStatus status, std::span<const uint8_t> bytes) {
    result = status;
    if (!status) data.assign(bytes.begin(), bytes.end());
  });
  return result;
}

void Keychain::readDataLocked(const KeychainQuery& query, size_t index, const DataReader& take) {
  Filter filter = filterFor(query);
  sqlite::Statement statement(*db_, copyDataSql(filter));
  bindFilter(statement, filter, 0);
  if (statement.step()) {
    take(index, errSecSuccess, statement.columnBytes(0));
  } else {
    take(index, statement.status() ? statement.status() : errSecItemNotFound, {});
  }
}

OSStatus Keychain::copyAttributes(const KeychainQuery& query, std::vector<KeychainAttributes>& attributes) {
  if (OSStatus injected = injectedFailure(KeychainOperation::CopyMatching, query)) return injected;
  std::lock_guard lock(mutex_);
  if (OSStatus status = ensureOpen()) return status;
  Filter filter = filterFor(query);
  sqlite::Statement statement(*db_, "SELECT service, account, sync, label, accessibility, cdat, mdat FROM genp" +
                                        clauseOf(filter.shape) + " ORDER BY service, account, sync");
  bindFilter(statement, filter, 0);
  std::vector<KeychainAttributes> found;
  while (statement.step()) {
    found.push_back({statement.columnText(0), statement.columnText(1), statement.columnInt(2) != 0,
                     statement.columnOptionalText(3), statement.columnOptionalText(4),
                     wallTimeFromSeconds(statement.columnDouble(5)), wallTimeFromSeconds(statement.columnDouble(6))});
  }
  if (statement.status()) return statement.status();
  if (found.empty()) return errSecItemNotFound;
  attributes = std::move(found);
  return errSecSuccess;
}

OSStatus Keychain::remove(const KeychainQuery& query) {
  if (OSStatus injected = injectedFailure(KeychainOperation::Delete, query)) return injected;
  std::lock_guard lock(mutex_);
  if (OSStatus status = ensureOpen()) return status;
  sqlite::WriteTransaction transaction(*db_);
  if (transaction.beginStatus()) return transaction.beginStatus();
  int64_t removed = 0;
  if (OSStatus status = removeLocked(query, removed)) return status;
  if (removed == 0) return errSecItemNotFound;
  return transaction.commit();
}

OSStatus Keychain::removeLocked(const KeychainQuery& query, int64_t& removed) {
  Filter filter = filterFor(query);
  sqlite::Statement statement(*db_, "DELETE FROM genp" + clauseOf(filter.shape));
  bindFilter(statement, filter, 0);
  statement.step();
  if (statement.status()) return statement.status();
  removed = db_->changes();
  return errSecSuccess;
}

}  // namespace platform
