// The keychain stand-in's only door to SQLite: a connection, its prepared statements and a write
// transaction, each an RAII type. SQLite's result codes leave this layer only as keychain statuses
// (statusFromSqlite), so the rest of the stand-in never sees a raw SQLite call or code.
//
// The connection keeps the statements it prepared (a few dozen SQL texts at most) and hands them
// out again, reset, for the next statement of the same text, so a read costs no SQL compilation.
//
// Not thread-safe: the owner serialises every use of one connection (SQLite's own locking of the
// connection is off).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Bytes.h"

struct sqlite3;
struct sqlite3_stmt;

namespace platform::sqlite {

// The keychain status for a SQLite result code (0 for success, a row or done).
int32_t statusFromSqlite(int resultCode);

class Database;

class Statement {
 public:
  // A statement of the connection's cache: prepared on the first use of its text, reset and kept
  // for the next use when this object goes away.
  Statement(Database& db, std::string_view sql);
  // A statement of its own, finalized with this object.
  Statement(sqlite3* db, std::string_view sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Binding is by 1-based position; a failed prepare or bind is remembered and returned by step().
  Statement& bind(int index, std::string_view text);
  // Binds without a copy: the text must outlive this object, which lets go of it on destruction.
  Statement& bindBorrowed(int index, std::string_view text);
  Statement& bind(int index, const std::optional<std::string>& text);  // nullopt binds NULL
  Statement& bind(int index, const Bytes& blob);
  Statement& bind(int index, int64_t value);
  Statement& bind(int index, double value);

  // True while a row is available; false when done or failed (see status()).
  bool step();
  // The keychain status of the last prepare, bind or step (0 while nothing failed).
  int32_t status() const { return status_; }

  std::string columnText(int index) const;
  std::optional<std::string> columnOptionalText(int index) const;
  Bytes columnBlob(int index) const;
  // The blob in place, valid until the statement steps, resets or goes away.
  std::span<const uint8_t> columnBytes(int index) const;
  int64_t columnInt(int index) const;
  double columnDouble(int index) const;

 private:
  void record(int resultCode);

  sqlite3_stmt* stmt_ = nullptr;
  int32_t status_ = 0;
  Database* cache_ = nullptr;  // where the statement goes back to
};

class Database {
 public:
  // Opens (and creates, mode 0600) the database file, or a private in-memory database for
  // std::nullopt. An existing file and its journal files lose any group and other permissions. The status is 0 on success; the result is null otherwise.
  static std::unique_ptr<Database> open(const std::optional<std::string>& path, int32_t& status);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Runs statements without results; the keychain status of the first failure, or 0.
  int32_t exec(const char* sql);
  // Runs one statement without results through the statement cache.
  int32_t run(std::string_view sql);
  // Rows changed by the last insert, update or delete.
  int64_t changes() const;
  sqlite3* handle() const { return db_; }

 private:
  friend class Statement;
  // A prepared statement and its text, kept for the connection's life unless evicted; a statement
  // in use is never evicted. The text stays here, so handing a statement out and back copies none.
  struct Kept {
    std::string sql;
    sqlite3_stmt* statement;
    bool inUse;
    uint64_t lastUse;
  };

  explicit Database(sqlite3* db) : db_(db) {}
  // A kept statement of the text, or a new one (null when it does not prepare).
  sqlite3_stmt* take(std::string_view sql, int& resultCode);
  void giveBack(sqlite3_stmt* statement);

  sqlite3* db_;
  std::vector<Kept> kept_;
  uint64_t uses_ = 0;
};

// A write transaction taken at once (BEGIN IMMEDIATE), so that two processes never both hold a
// read lock and then wait for each other to write. Rolled back unless commit() succeeded.
class WriteTransaction {
 public:
  explicit WriteTransaction(Database& db);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  int32_t beginStatus() const { return beginStatus_; }
  int32_t commit();

 private:
  Database& db_;
  int32_t beginStatus_;
  bool open_ = false;
};

// A read transaction (BEGIN DEFERRED): the reads inside it take the file's read locks once and see
// one committed state. Ended when the object goes away, so no read outlives it.
class ReadTransaction {
 public:
  explicit ReadTransaction(Database& db);
  ~ReadTransaction();
  ReadTransaction(const ReadTransaction&) = delete;
  ReadTransaction& operator=(const ReadTransaction&) = delete;

 private:
  Database& db_;
  bool open_;
};

}  // namespace platform::sqlite
