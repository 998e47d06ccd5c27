// The registry store: one SQLite file per store folder, in WAL mode, every
// operation one transaction on its own connection. Writers wait for each
// other (busy timeout, then whole-transaction retries), so no write is lost;
// SQLite's atomic commit makes a torn write impossible. The schema is plain
// enough to read with the sqlite3 shell:
//   keys(id, root, path, folded)      one row per key, path '\'-separated
//   key_values(key_id, name, folded, type, data)
//   access_entries(key_id, position, user, mode, rights, inheritance)

#include <errno.h>
#include <sys/stat.h>

#include <functional>
#include <optional>

#include "env_path.h"
#include "make_folders.h"
#include "platform/folders.h"
#include "platform/registry_store.h"
#include "platform/text.h"
#include "platform/user_account.h"
#include "registry_access_check.h"
#include "sqlite_database.h"

namespace platform {
namespace {

using posix::SqliteDatabase;
using posix::SqliteFailure;
using posix::SqliteStatement;

constexpr const char* kStoreFileName = "registry.sqlite3";
constexpr const char* kDefaultMachineFolder = "/var/lib/veska/registry";
constexpr int kBusyTimeoutMs = 10000;
constexpr int kBusyRetries = 5;
constexpr std::int64_t kSchemaVersion = 1;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY,
  root TEXT NOT NULL,
  path TEXT NOT NULL,
  folded TEXT NOT NULL,
  UNIQUE(root, folded));
CREATE TABLE IF NOT EXISTS key_values(
  key_id INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
  name TEXT NOT NULL,
  folded TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY(key_id, folded));
CREATE TABLE IF NOT EXISTS access_entries(
  key_id INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  user TEXT NOT NULL,
  mode TEXT NOT NULL CHECK(mode IN ('allow', 'deny')),
  rights INTEGER NOT NULL,
  inheritance INTEGER NOT NULL,
  PRIMARY KEY(key_id, position));
PRAGMA user_version = 1;
)sql";

// A refusal decided by the store's own rules, carried out of a transaction.
struct Refusal {
  int code;
  std::string what;
};

const char* RootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kClassesRoot: return "CLASSES_ROOT";
    case RegistryRoot::kCurrentUser: return "CURRENT_USER";
    case RegistryRoot::kLocalMachine: return "MACHINE";
    case RegistryRoot::kUsers: return "USERS";
  }
  return "";
}

std::optional<RegistryRoot> RootNamed(std::string_view name) {
  for (auto root : {RegistryRoot::kClassesRoot, RegistryRoot::kCurrentUser,
                    RegistryRoot::kLocalMachine, RegistryRoot::kUsers}) {
    if (EqualsIgnoreAsciiCase(name, RootName(root))) return root;
  }
  return std::nullopt;
}

// A key path in the store's spelling: parts joined by '\', empty parts
// dropped; `folded` is the lookup form.
struct KeyPath {
  std::vector<std::string> parts;

  static KeyPath Parse(std::string_view text) {
    KeyPath path;
    std::size_t start = 0;
    while (start <= text.size()) {
      const std::size_t end = std::min(text.find('\\', start), text.size());
      if (end > start) path.parts.emplace_back(text.substr(start, end - start));
      start = end + 1;
    }
    return path;
  }
  KeyPath Prefix(std::size_t count) const {
    return KeyPath{std::vector<std::string>(parts.begin(), parts.begin() + count)};
  }
  std::string Joined() const {
    std::string joined;
    for (const auto& part : parts) joined += (joined.empty() ? "" : "\\") + part;
    return joined;
  }
  std::string Folded() const { return ToLowerUtf8(Joined()); }
};

std::string StoreFile(RegistryRoot root) {
  auto folder = RegistryStoreFolder(root);
  if (!folder) throw Refusal{folder.error().code, folder.error().what};
  return *folder + "/" + kStoreFileName;
}

bool IsBusy(int code) {
  const int primary = code & 0xff;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

void SetUpConnection(SqliteDatabase& db) {
  sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
  db.Exec("PRAGMA foreign_keys = ON");
  db.Exec("PRAGMA synchronous = FULL");
  std::int64_t version = 0;
  {
    SqliteStatement read(db, "PRAGMA user_version");
    if (read.Step()) version = read.Int(0);
  }
  if (version == kSchemaVersion) return;
  if (version > kSchemaVersion) {
    throw Refusal{EIO, "registry store written by a newer version"};
  }
  // Several processes may meet a new file at once: the schema is made inside
  // a write transaction, and "IF NOT EXISTS" lets the later ones pass.
  db.Exec("PRAGMA journal_mode = WAL");
  db.Exec("BEGIN IMMEDIATE");
  try {
    db.Exec(kSchema);
    db.Exec("COMMIT");
  } catch (...) {
    sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

// One operation on one root's store inside a transaction.
class Transaction {
 public:
  Transaction(SqliteDatabase& db, RegistryRoot root, std::string user)
      : db_(db), root_(RootName(root)), user_(std::move(user)) {}

  std::optional<std::int64_t> FindKey(const KeyPath& path) {
    SqliteStatement find(db_, "SELECT id FROM keys WHERE root = ?1 AND folded = ?2");
    find.Bind(1, root_).Bind(2, path.Folded());
    if (find.Step()) return find.Int(0);
    return std::nullopt;
  }

  // The root key exists whether or not it has a row yet.
  bool KeyExists(const KeyPath& path) { return path.parts.empty() || FindKey(path).has_value(); }

  std::int64_t RequireKey(const KeyPath& path) {
    if (path.parts.empty()) return EnsureRow(path);
    const auto id = FindKey(path);
    if (!id) throw Refusal{ENOENT, "no key " + path.Joined()};
    return *id;
  }

  std::int64_t EnsureRow(const KeyPath& path) {
    if (const auto id = FindKey(path)) return *id;
    SqliteStatement insert(db_, "INSERT INTO keys(root, path, folded) VALUES(?1, ?2, ?3)");
    insert.Bind(1, root_).Bind(2, path.Joined()).Bind(3, path.Folded()).Run();
    return sqlite3_last_insert_rowid(db_.get());
  }

  // Creates the missing keys along `path`, each with its parent's consent.
  std::int64_t CreateKey(const KeyPath& path) {
    EnsureRow(path.Prefix(0));
    std::int64_t id = 0;
    for (std::size_t depth = 0; depth <= path.parts.size(); ++depth) {
      const KeyPath prefix = path.Prefix(depth);
      if (const auto found = FindKey(prefix)) {
        id = *found;
        continue;
      }
      Require(path.Prefix(depth - 1), kKeyCreateSubKey);
      id = EnsureRow(prefix);
    }
    return id;
  }

  std::vector<RegistryAccessEntry> OwnEntries(const KeyPath& path) {
    std::vector<RegistryAccessEntry> entries;
    const auto id = FindKey(path);
    if (!id) return entries;
    SqliteStatement list(db_,
                         "SELECT user, mode, rights, inheritance FROM access_entries "
                         "WHERE key_id = ?1 ORDER BY position");
    list.Bind(1, *id);
    while (list.Step()) {
      entries.push_back({list.Text(0), list.Text(1) == "deny",
                         static_cast<std::uint32_t>(list.Int(2)),
                         static_cast<std::uint32_t>(list.Int(3))});
    }
    return entries;
  }

  void ReplaceEntries(std::int64_t key_id, const std::vector<RegistryAccessEntry>& entries) {
    SqliteStatement clear(db_, "DELETE FROM access_entries WHERE key_id = ?1");
    clear.Bind(1, key_id).Run();
    std::int64_t position = 0;
    for (const auto& e : entries) {
      SqliteStatement insert(db_,
                             "INSERT INTO access_entries(key_id, position, user, mode, rights, "
                             "inheritance) VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
      insert.Bind(1, key_id).Bind(2, position++).Bind(3, e.user)
          .Bind(4, e.deny ? "deny" : "allow").Bind(5, std::int64_t{e.rights})
          .Bind(6, std::int64_t{e.inheritance}).Run();
    }
  }

  // The key's own entries, then what each ancestor passes on, nearest first.
  std::vector<RegistryAccessEntry> EffectiveEntries(const KeyPath& path) {
    std::vector<RegistryAccessEntry> effective;
    for (const auto& e : OwnEntries(path)) {
      if ((e.inheritance & kInheritOnly) == 0) effective.push_back(e);
    }
    for (std::size_t depth = path.parts.size(); depth-- > 0;) {
      const bool parent = depth + 1 == path.parts.size();
      for (const auto& e : OwnEntries(path.Prefix(depth))) {
        if ((e.inheritance & kInheritToSubKeys) == 0) continue;
        if ((e.inheritance & kInheritNoPropagate) != 0 && !parent) continue;
        effective.push_back(e);
      }
    }
    return effective;
  }

  std::uint32_t Granted(const KeyPath& path, std::uint32_t wanted) {
    return posix::GrantedRights(EffectiveEntries(path), user_, wanted);
  }

  void Require(const KeyPath& path, std::uint32_t wanted) {
    if ((Granted(path, wanted) & wanted) != wanted) {
      throw Refusal{EACCES, "access to key " + path.Joined() + " refused"};
    }
  }

  SqliteDatabase& db() { return db_; }
  const std::string& root() const { return root_; }

 private:
  SqliteDatabase& db_;
  std::string root_;
  std::string user_;
};

enum class Access { kRead, kWrite };

// Runs `body` in one transaction on the store of `root`. A missing store
// reads as an empty one and is created only by writes that need it.
Status RunInStore(RegistryRoot root, Access access, bool creates,
                  const std::function<void(Transaction&)>& body) {
  try {
    const std::string file = StoreFile(root);
    struct stat info {};
    const bool exists = lstat(file.c_str(), &info) == 0;
    if (!exists && errno != ENOENT) return LastError("registry store " + file);
    std::string path = file;
    if (!exists && !creates) {
      path = ":memory:";
    } else if (!exists) {
      const std::string folder = file.substr(0, file.rfind('/'));
      const mode_t mode = root == RegistryRoot::kCurrentUser ? 0700 : 0755;
      if (auto made = posix::MakeFolders(folder, mode); !made) return made.error();
    }
    const auto user = CurrentUserName();
    if (!user) return user.error();

    auto mode = creates ? SqliteDatabase::OpenMode::kCreate : SqliteDatabase::OpenMode::kExisting;
    for (int attempt = 0;; ++attempt) {
      try {
        SqliteDatabase db(path, mode);
        SetUpConnection(db);
        db.Exec(access == Access::kWrite ? "BEGIN IMMEDIATE" : "BEGIN");
        try {
          Transaction transaction(db, root, *user);
          body(transaction);
          db.Exec("COMMIT");
        } catch (...) {
          sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
          throw;
        }
        return Status::Ok();
      } catch (const SqliteFailure& failure) {
        if (IsBusy(failure.code) && attempt < kBusyRetries) continue;
        // A store an administrator keeps can be read by users who may not
        // create its shared-memory file: read it as it stands on disk.
        const int primary = failure.code & 0xff;
        if ((primary == SQLITE_CANTOPEN || primary == SQLITE_READONLY) &&
            access == Access::kRead && exists &&
            mode != SqliteDatabase::OpenMode::kReadOnlySnapshot) {
          mode = SqliteDatabase::OpenMode::kReadOnlySnapshot;
          continue;
        }
        return Error{EIO, "registry store " + file + ": " + failure.what};
      }
    }
  } catch (const Refusal& refusal) {
    return Error{refusal.code, refusal.what};
  } catch (const std::exception& e) {
    return Error{EIO, std::string("registry store: ") + e.what()};
  }
}

struct ObjectName {
  RegistryRoot root;
  KeyPath path;
};

std::optional<ObjectName> ParseObjectName(std::string_view name) {
  const std::size_t slash = name.find('\\');
  const auto root = RootNamed(name.substr(0, slash));
  if (!root) return std::nullopt;
  const std::string_view rest = slash == std::string_view::npos ? "" : name.substr(slash + 1);
  return ObjectName{*root, KeyPath::Parse(rest)};
}

}  // namespace

Result<std::string> RegistryStoreFolder(RegistryRoot root) {
  if (root == RegistryRoot::kCurrentUser) {
    if (auto folder = posix::AbsolutePathFromEnv("VESKA_REGISTRY_USER_DIR")) return *folder;
    auto data = LocalAppDataFolder();
    if (!data) return data.error();
    return *data + "/veska/registry";
  }
  return posix::AbsolutePathFromEnv("VESKA_REGISTRY_MACHINE_DIR").value_or(kDefaultMachineFolder);
}

Status RegistryOpenKey(RegistryRoot root, std::string_view sub_key) {
  const KeyPath path = KeyPath::Parse(sub_key);
  return RunInStore(root, Access::kRead, false, [&](Transaction& t) {
    if (!t.KeyExists(path)) throw Refusal{ENOENT, "no key " + path.Joined()};
    if (t.Granted(path, kKeyAllAccess) == 0) {
      throw Refusal{EACCES, "access to key " + path.Joined() + " refused"};
    }
  });
}

Status RegistryCreateKey(RegistryRoot root, std::string_view sub_key) {
  const KeyPath path = KeyPath::Parse(sub_key);
  return RunInStore(root, Access::kWrite, true, [&](Transaction& t) { t.CreateKey(path); });
}

Result<RegistryValue> RegistryGetValue(RegistryRoot root, std::string_view sub_key,
                                       std::string_view value_name) {
  const KeyPath path = KeyPath::Parse(sub_key);
  RegistryValue value;
  const Status status = RunInStore(root, Access::kRead, false, [&](Transaction& t) {
    if (!t.KeyExists(path)) throw Refusal{ENOENT, "no key " + path.Joined()};
    t.Require(path, kKeyQueryValue);
    const auto id = t.FindKey(path);
    if (!id) throw Refusal{ENOENT, "no value " + std::string(value_name)};
    SqliteStatement read(t.db(), "SELECT type, data FROM key_values WHERE key_id = ?1 AND folded = ?2");
    read.Bind(1, *id).Bind(2, ToLowerUtf8(value_name));
    if (!read.Step()) throw Refusal{ENOENT, "no value " + std::string(value_name)};
    value.type = static_cast<std::uint32_t>(read.Int(0));
    value.data = read.Blob(1);
  });
  if (!status) return status.error();
  return value;
}

Status RegistrySetValue(RegistryRoot root, std::string_view sub_key, std::string_view value_name,
                        const RegistryValue& value) {
  const KeyPath path = KeyPath::Parse(sub_key);
  return RunInStore(root, Access::kWrite, true, [&](Transaction& t) {
    const std::int64_t id = t.CreateKey(path);
    t.Require(path, kKeySetValue);
    SqliteStatement write(t.db(),
                          "INSERT INTO key_values(key_id, name, folded, type, data) "
                          "VALUES(?1, ?2, ?3, ?4, ?5) ON CONFLICT(key_id, folded) DO UPDATE "
                          "SET type = excluded.type, data = excluded.data");
    write.Bind(1, id).Bind(2, value_name).Bind(3, ToLowerUtf8(value_name))
        .Bind(4, std::int64_t{value.type}).BindBlob(5, value.data).Run();
  });
}

Status RegistryDeleteValue(RegistryRoot root, std::string_view sub_key,
                           std::string_view value_name) {
  const KeyPath path = KeyPath::Parse(sub_key);
  return RunInStore(root, Access::kWrite, false, [&](Transaction& t) {
    if (!t.KeyExists(path)) throw Refusal{ENOENT, "no key " + path.Joined()};
    t.Require(path, kKeySetValue);
    const auto id = t.FindKey(path);
    SqliteStatement erase(t.db(), "DELETE FROM key_values WHERE key_id = ?1 AND folded = ?2");
    erase.Bind(1, id.value_or(-1)).Bind(2, ToLowerUtf8(value_name)).Run();
    if (sqlite3_changes(t.db().get()) == 0) {
      throw Refusal{ENOENT, "no value " + std::string(value_name)};
    }
  });
}

Status RegistryDeleteKeyTree(RegistryRoot root, std::string_view sub_key) {
  const KeyPath path = KeyPath::Parse(sub_key);
  if (path.parts.empty()) return Error{EINVAL, "the root key cannot be deleted"};
  return RunInStore(root, Access::kWrite, false, [&](Transaction& t) {
    if (!t.FindKey(path)) throw Refusal{ENOENT, "no key " + path.Joined()};
    constexpr const char* kSubtree =
        "root = ?1 AND (folded = ?2 OR substr(folded, 1, length(?2) + 1) = ?2 || '\\')";
    std::vector<KeyPath> tree;
    {
      SqliteStatement list(t.db(), (std::string("SELECT path FROM keys WHERE ") + kSubtree).c_str());
      list.Bind(1, t.root()).Bind(2, path.Folded());
      while (list.Step()) tree.push_back(KeyPath::Parse(list.Text(0)));
    }
    for (const auto& key : tree) {
      t.Require(key, kKeyDelete | kKeyEnumerateSubKeys | kKeyQueryValue);
    }
    SqliteStatement erase(t.db(), (std::string("DELETE FROM keys WHERE ") + kSubtree).c_str());
    erase.Bind(1, t.root()).Bind(2, path.Folded()).Run();
  });
}

Result<std::vector<RegistryAccessEntry>> RegistryGetAccessEntries(std::string_view object_name) {
  const auto object = ParseObjectName(object_name);
  if (!object) return Error{EINVAL, "not a registry object name: " + std::string(object_name)};
  std::vector<RegistryAccessEntry> entries;
  const Status status = RunInStore(object->root, Access::kRead, false, [&](Transaction& t) {
    if (!t.KeyExists(object->path)) throw Refusal{ENOENT, "no key " + object->path.Joined()};
    entries = t.OwnEntries(object->path);
  });
  if (!status) return status.error();
  return entries;
}

Status RegistrySetAccessEntries(std::string_view object_name,
                                const std::vector<RegistryAccessEntry>& entries) {
  const auto object = ParseObjectName(object_name);
  if (!object) return Error{EINVAL, "not a registry object name: " + std::string(object_name)};
  return RunInStore(object->root, Access::kWrite, object->path.parts.empty(), [&](Transaction& t) {
    t.ReplaceEntries(t.RequireKey(object->path), entries);
  });
}

}  // namespace platform
