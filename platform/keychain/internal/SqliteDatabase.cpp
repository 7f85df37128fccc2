#include "platform/keychain/internal/SqliteDatabase.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "platform/keychain/KeychainStatus.h"

namespace platform::sqlite {
namespace {

// More distinct texts than the keychain's queries make; beyond it the least recently used goes.
constexpr size_t kMaxKeptStatements = 32;

}  // namespace

namespace {

// The store and its journals hold secrets: a file left readable by others (an older build, a
// copy, a umask) loses those permissions when it is opened.
void makePrivate(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) == 0 && (st.st_mode & 077) != 0) ::fchmod(fd, st.st_mode & 0700);
}

}  // namespace

int32_t statusFromSqlite(int resultCode) {
  switch (resultCode & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return errSecSuccess;
    case SQLITE_CONSTRAINT:
      return resultCode == SQLITE_CONSTRAINT_PRIMARYKEY ? errSecDuplicateItem : errSecParam;
    // Another process held the store for longer than the busy wait: as with a locked device,
    // the caller may try again later.
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return errSecInteractionNotAllowed;
    case SQLITE_NOMEM:
      return errSecAllocate;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
      return errSecDecode;
    case SQLITE_MISUSE:
    case SQLITE_RANGE:
    case SQLITE_TOOBIG:
    case SQLITE_MISMATCH:
      return errSecParam;
    default:
      return errSecNotAvailable;
  }
}

Statement::Statement(Database& db, std::string_view sql) : cache_(&db) {
  int resultCode = SQLITE_OK;
  stmt_ = db.take(sql, resultCode);
  record(resultCode);
}

Statement::Statement(sqlite3* db, std::string_view sql) {
  record(sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr));
}

Statement::~Statement() {
  if (cache_ && stmt_) {
    cache_->giveBack(stmt_);
  } else {
    sqlite3_finalize(stmt_);
  }
}

void Statement::record(int resultCode) {
  if (status_ == errSecSuccess) status_ = statusFromSqlite(resultCode);
}

Statement& Statement::bind(int index, std::string_view text) {
  if (stmt_) record(sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
  return *this;
}

Statement& Statement::bindBorrowed(int index, std::string_view text) {
  if (stmt_) record(sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8));
  return *this;
}

Statement& Statement::bind(int index, const std::optional<std::string>& text) {
  if (text) return bind(index, std::string_view(*text));
  if (stmt_) record(sqlite3_bind_null(stmt_, index));
  return *this;
}

Statement& Statement::bind(int index, const Bytes& blob) {
  // A zero-length blob must stay a blob, not NULL: an empty secret is a value.
  if (stmt_)
    record(blob.empty() ? sqlite3_bind_zeroblob(stmt_, index, 0)
                        : sqlite3_bind_blob64(stmt_, index, blob.data(), blob.size(), SQLITE_TRANSIENT));
  return *this;
}

Statement& Statement::bind(int index, int64_t value) {
  if (stmt_) record(sqlite3_bind_int64(stmt_, index, value));
  return *this;
}

Statement& Statement::bind(int index, double value) {
  if (stmt_) record(sqlite3_bind_double(stmt_, index, value));
  return *this;
}

bool Statement::step() {
  if (!stmt_ || status_ != errSecSuccess) return false;
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  record(rc);
  return false;
}

std::string Statement::columnText(int index) const {
  auto text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
  return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt_, index))) : std::string();
}

std::optional<std::string> Statement::columnOptionalText(int index) const {
  if (sqlite3_column_type(stmt_, index) == SQLITE_NULL) return std::nullopt;
  return columnText(index);
}

Bytes Statement::columnBlob(int index) const {
  const auto bytes = columnBytes(index);
  return Bytes(bytes.begin(), bytes.end());
}

std::span<const uint8_t> Statement::columnBytes(int index) const {
  auto data = static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, index));
  // The size is read after the pointer, as SQLite asks.
  const int size = sqlite3_column_bytes(stmt_, index);
  return data ? std::span<const uint8_t>(data, static_cast<size_t>(size)) : std::span<const uint8_t>();
}

int64_t Statement::columnInt(int index) const { return sqlite3_column_int64(stmt_, index); }

double Statement::columnDouble(int index) const { return sqlite3_column_double(stmt_, index); }

std::unique_ptr<Database> Database::open(const std::optional<std::string>& path, int32_t& status) {
  if (path) {
    // Made here rather than by SQLite so that the file is private from its first byte; SQLite
    // gives its journal files the mode of the database file.
    int fd = ::open(path->c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
      status = errSecNotAvailable;
      return nullptr;
    }
    makePrivate(fd);
    ::close(fd);
    // Journals a previous run left behind; SQLite makes new ones with the database file's mode.
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
      fd = ::open((*path + suffix).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
      if (fd < 0) continue;
      makePrivate(fd);
      ::close(fd);
    }
  }
  sqlite3* db = nullptr;
  // The owner serialises its calls, so SQLite need not lock the connection around each of them.
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  int rc = sqlite3_open_v2(path ? path->c_str() : ":memory:", &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    status = statusFromSqlite(rc);
    if (status == errSecSuccess) status = errSecNotAvailable;
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_extended_result_codes(db, 1);
  status = errSecSuccess;
  return std::unique_ptr<Database>(new Database(db));
}

Database::~Database() {
  for (const Kept& kept : kept_) sqlite3_finalize(kept.statement);
  sqlite3_close(db_);
}

int32_t Database::exec(const char* sql) { return statusFromSqlite(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr)); }

int32_t Database::run(std::string_view sql) {
  Statement statement(*this, sql);
  statement.step();
  return statement.status();
}

sqlite3_stmt* Database::take(std::string_view sql, int& resultCode) {
  resultCode = SQLITE_OK;
  for (Kept& kept : kept_) {
    if (kept.inUse || kept.sql != sql) continue;
    kept.inUse = true;
    return kept.statement;
  }
  sqlite3_stmt* statement = nullptr;
  resultCode = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
  if (!statement) return nullptr;
  if (kept_.size() >= kMaxKeptStatements) {
    // The least recently used of those not in use makes room; with all in use the cache grows.
    Kept* oldest = nullptr;
    for (Kept& kept : kept_) {
      if (!kept.inUse && (!oldest || kept.lastUse < oldest->lastUse)) oldest = &kept;
    }
    if (oldest) {
      sqlite3_finalize(oldest->statement);
      *oldest = {std::string(sql), statement, true, 0};
      return statement;
    }
  }
  kept_.push_back({std::string(sql), statement, true, 0});
  return statement;
}

void Database::giveBack(sqlite3_stmt* statement) {
  // Reset ends the statement's read of the store, so a kept statement holds no lock.
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  for (Kept& kept : kept_) {
    if (kept.statement != statement) continue;
    kept.inUse = false;
    kept.lastUse = ++uses_;
    return;
  }
}

int64_t Database::changes() const { return sqlite3_changes64(db_); }

WriteTransaction::WriteTransaction(Database& db) : db_(db), beginStatus_(db.run("BEGIN IMMEDIATE")) {
  open_ = beginStatus_ == errSecSuccess;
}

WriteTransaction::~WriteTransaction() {
  if (open_) db_.run("ROLLBACK");
}

int32_t WriteTransaction::commit() {
  if (!open_) return beginStatus_;
  int32_t status = db_.run("COMMIT");
  // A failed COMMIT may leave the transaction open; the destructor then rolls it back.
  open_ = status != errSecSuccess && !sqlite3_get_autocommit(db_.handle());
  return status;
}

ReadTransaction::ReadTransaction(Database& db) : db_(db), open_(db.run("BEGIN") == errSecSuccess) {}

ReadTransaction::~ReadTransaction() {
  // A failed BEGIN leaves the reads in autocommit mode, each as correct as a single read; a read
  // that failed may have ended the transaction already. A transaction left open would keep this
  // connection's later reads on the old state.
  if (!open_ || sqlite3_get_autocommit(db_.handle())) return;
  if (db_.run("COMMIT") != errSecSuccess && !sqlite3_get_autocommit(db_.handle())) db_.run("ROLLBACK");
}

}  // namespace platform::sqlite
