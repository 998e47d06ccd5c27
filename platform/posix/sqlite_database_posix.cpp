#include "sqlite_database.h"

namespace platform::posix {
namespace {

[[noreturn]] void Fail(sqlite3* db, int code, const std::string& what) {
  throw SqliteFailure{code, what + ": " + (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code))};
}

// The characters that would end or change a URI's path part.
std::string UriEscaped(const std::string& path) {
  std::string escaped;
  for (char c : path) {
    if (c == '%') escaped += "%25";
    else if (c == '?') escaped += "%3f";
    else if (c == '#') escaped += "%23";
    else escaped += c;
  }
  return escaped;
}

}  // namespace

SqliteDatabase::SqliteDatabase(const std::string& path, OpenMode mode) {
  int flags = SQLITE_OPEN_NOFOLLOW;
  std::string name = path;
  switch (mode) {
    case OpenMode::kExisting: flags |= SQLITE_OPEN_READWRITE; break;
    case OpenMode::kCreate: flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
    case OpenMode::kReadOnlySnapshot:
      flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
      name = "file:" + UriEscaped(path) + "?immutable=1";
      break;
  }
  const int rc = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    const SqliteFailure failure{rc, "open " + path + ": " + sqlite3_errstr(rc)};
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw failure;
  }
  sqlite3_extended_result_codes(db_, 1);
}

SqliteDatabase::~SqliteDatabase() { sqlite3_close_v2(db_); }

void SqliteDatabase::Exec(const char* sql) {
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Fail(db_, rc, sql);
}

SqliteStatement::SqliteStatement(const SqliteDatabase& db, const char* sql) : db_(db.get()) {
  const int rc = sqlite3_prepare_v2(db_, sql, -1, &statement_, nullptr);
  if (rc != SQLITE_OK) Fail(db_, rc, sql);
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
  const int rc = sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                                   SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) Fail(db_, rc, "bind");
  return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t number) {
  const int rc = sqlite3_bind_int64(statement_, index, number);
  if (rc != SQLITE_OK) Fail(db_, rc, "bind");
  return *this;
}

SqliteStatement& SqliteStatement::BindBlob(int index, const std::vector<std::uint8_t>& bytes) {
  // A zero-length blob, not NULL, for empty data.
  const int rc = bytes.empty()
                     ? sqlite3_bind_zeroblob(statement_, index, 0)
                     : sqlite3_bind_blob(statement_, index, bytes.data(),
                                         static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) Fail(db_, rc, "bind");
  return *this;
}

bool SqliteStatement::Step() {
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  Fail(db_, rc, sqlite3_sql(statement_));
}

std::string SqliteStatement::Text(int column) const {
  const auto* text = sqlite3_column_text(statement_, column);
  const int size = sqlite3_column_bytes(statement_, column);
  return text != nullptr ? std::string(reinterpret_cast<const char*>(text), size) : std::string();
}

std::int64_t SqliteStatement::Int(int column) const {
  return sqlite3_column_int64(statement_, column);
}

std::vector<std::uint8_t> SqliteStatement::Blob(int column) const {
  const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, column));
  const int size = sqlite3_column_bytes(statement_, column);
  return bytes != nullptr ? std::vector<std::uint8_t>(bytes, bytes + size)
                          : std::vector<std::uint8_t>();
}

}  // namespace platform::posix
