#pragma once
// A thin owner of one SQLite connection and its statements, for the stores
// the platform layer keeps in SQLite files.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::posix {

// Thrown inside a store operation and turned into an Error at its edge;
// never leaves the platform layer.
struct SqliteFailure {
  int code;  // SQLite's result code
  std::string what;
};

class SqliteDatabase {
 public:
  enum class OpenMode {
    kExisting,
    kCreate,
    // Read-only, without the WAL's shared-memory file: for readers that may
    // not create files beside the database.
    kReadOnlySnapshot,
  };
  // `path` ":memory:" gives an empty private database.
  SqliteDatabase(const std::string& path, OpenMode mode);
  ~SqliteDatabase();
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  void Exec(const char* sql);
  sqlite3* get() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

class SqliteStatement {
 public:
  SqliteStatement(const SqliteDatabase& db, const char* sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  // Parameters are numbered from 1.
  SqliteStatement& Bind(int index, std::string_view text);
  SqliteStatement& Bind(int index, std::int64_t number);
  SqliteStatement& BindBlob(int index, const std::vector<std::uint8_t>& bytes);

  // True while a row is there; false once the statement is done.
  bool Step();
  void Run() { while (Step()) {} }

  std::string Text(int column) const;
  std::int64_t Int(int column) const;
  std::vector<std::uint8_t> Blob(int column) const;

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

}  // namespace platform::posix
