#include "platform/RegistryStore.h"

#include "platform/AtomicFile.h"
#include "platform/HexDigit.h"
#include "platform/Trace.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace divuzo {

namespace {

constexpr std::string_view kHeader = "DIVUZOvuzov registry 1";
constexpr std::size_t kMaxStoreSize = 4 * 1024 * 1024;

bool Fail(std::uint32_t code, std::string message) {
  TraceF("Registry: %s (%u)\n", message.c_str(), static_cast<unsigned>(code));
  SetLastRegistryError(code, std::move(message));
  return false;
}

bool Succeed() {
  SetLastRegistryError(ERROR_SUCCESS);
  return true;
}

struct RootName {
  RegRoot root;
  const char* name;
};
constexpr RootName kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"}, {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"}, {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
};

const char* RootNameOf(RegRoot root) {
  for (const auto& r : kRoots) {
    if (r.root == root) return r.name;
  }
  return nullptr;
}

std::optional<RegRoot> RootByName(std::string_view name) {
  for (const auto& r : kRoots) {
    if (name == r.name) return r.root;
  }
  return std::nullopt;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// "Software\Maker\" -> "Software\Maker"; an empty component (leading or doubled backslash) is an
// error, as it is for the system registry.
bool NormaliseKey(std::string_view key, std::string& out) {
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  out.assign(key);
  if (key.empty()) return true;
  if (key.front() == '\\' || key.find("\\\\") != std::string_view::npos) {
    return Fail(ERROR_BAD_PATHNAME, "empty part in the key path \"" + std::string(key) + "\"");
  }
  return true;
}

struct NamedValue {
  std::string name;
  RegValue value;
};

struct Key {
  RegRoot root;
  std::string path;
  std::vector<NamedValue> values;
};

struct Model {
  std::vector<Key> keys;

  Key* Find(RegRoot root, std::string_view path) {
    for (auto& k : keys) {
      if (k.root == root && SameName(k.path, path)) return &k;
    }
    return nullptr;
  }
  // The key exists when it was created, or when a key below it exists.
  bool Exists(RegRoot root, std::string_view path) {
    if (path.empty() || Find(root, path)) return true;
    for (const auto& k : keys) {
      if (k.root == root && k.path.size() > path.size() && k.path[path.size()] == '\\' &&
          SameName(std::string_view(k.path).substr(0, path.size()), path)) {
        return true;
      }
    }
    return false;
  }
  Key& Create(RegRoot root, std::string_view path) {
    if (Key* k = Find(root, path)) return *k;
    keys.push_back(Key{root, std::string(path), {}});
    return keys.back();
  }
};

NamedValue* FindValue(Key& key, std::string_view name) {
  for (auto& v : key.values) {
    if (SameName(v.name, name)) return &v;
  }
  return nullptr;
}

// --- Text form -------------------------------------------------------------------------------

void AppendQuoted(std::string& out, std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
    case '\\': out += "\\\\"; break;
    case '"': out += "\\\""; break;
    case '\n': out += "\\n"; break;
    case '\r': out += "\\r"; break;
    case '\t': out += "\\t"; break;
    default:
      if (c < 0x20 || c == 0x7F) {
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 15];
      } else {
        out += ch;
      }
    }
  }
  out += '"';
}

// Reads a quoted, escaped text from the front of `s` and removes it.
bool TakeQuoted(std::string_view& s, std::string& out) {
  out.clear();
  if (s.empty() || s.front() != '"') return false;
  std::size_t i = 1;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') break;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= s.size()) return false;
    switch (s[i]) {
    case '\\': out += '\\'; break;
    case '"': out += '"'; break;
    case 'n': out += '\n'; break;
    case 'r': out += '\r'; break;
    case 't': out += '\t'; break;
    case 'x': {
      if (i + 2 >= s.size()) return false;
      int hi = HexDigitValue(s[i + 1]), lo = HexDigitValue(s[i + 2]);
      if (hi < 0 || lo < 0) return false;
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
      break;
    }
    default: return false;
    }
  }
  if (i >= s.size()) return false; // no closing quote
  s.remove_prefix(i + 1);
  return true;
}

bool TakePrefix(std::string_view& s, std::string_view prefix) {
  if (s.substr(0, prefix.size()) != prefix) return false;
  s.remove_prefix(prefix.size());
  return true;
}

std::string Serialise(const Model& model) {
  std::string out(kHeader);
  out += '\n';
  char number[16];
  for (const auto& key : model.keys) {
    out += '\n';
    out += '[';
    out += RootNameOf(key.root);
    if (!key.path.empty()) {
      out += ' ';
      AppendQuoted(out, key.path);
    }
    out += "]\n";
    for (const auto& v : key.values) {
      AppendQuoted(out, v.name);
      out += '=';
      if (v.value.type == REG_SZ) {
        out += "sz:";
        AppendQuoted(out, v.value.text);
      } else if (v.value.type == REG_DWORD) {
        std::snprintf(number, sizeof number, "dword:%08x", static_cast<unsigned>(v.value.number));
        out += number;
      } else {
        if (v.value.type == REG_BINARY) {
          out += "hex:";
        } else {
          std::snprintf(number, sizeof number, "hex(%x):", static_cast<unsigned>(v.value.type));
          out += number;
        }
        for (std::size_t i = 0; i < v.value.text.size(); ++i) {
          std::snprintf(number, sizeof number, i ? ",%02x" : "%02x", static_cast<unsigned char>(v.value.text[i]));
          out += number;
        }
      }
      out += '\n';
    }
  }
  return out;
}

bool ParseValue(std::string_view rest, RegValue& value) {
  if (TakePrefix(rest, "sz:")) {
    value.type = REG_SZ;
    return TakeQuoted(rest, value.text) && rest.empty();
  }
  if (TakePrefix(rest, "dword:")) {
    if (rest.size() != 8) return false;
    std::uint32_t n = 0;
    for (char c : rest) {
      int d = HexDigitValue(c);
      if (d < 0) return false;
      n = n * 16 + static_cast<std::uint32_t>(d);
    }
    value.type = REG_DWORD;
    value.number = n;
    return true;
  }
  value.type = REG_BINARY;
  if (TakePrefix(rest, "hex(")) {
    std::size_t close = rest.find("):");
    if (close == std::string_view::npos || close == 0 || close > 8) return false;
    std::uint32_t t = 0;
    for (char c : rest.substr(0, close)) {
      int d = HexDigitValue(c);
      if (d < 0) return false;
      t = t * 16 + static_cast<std::uint32_t>(d);
    }
    value.type = t;
    rest.remove_prefix(close + 2);
  } else if (!TakePrefix(rest, "hex:")) {
    return false;
  }
  value.text.clear();
  while (!rest.empty()) {
    if (rest.size() < 2) return false;
    int hi = HexDigitValue(rest[0]), lo = HexDigitValue(rest[1]);
    if (hi < 0 || lo < 0) return false;
    value.text += static_cast<char>(hi * 16 + lo);
    rest.remove_prefix(2);
    if (!rest.empty() && !TakePrefix(rest, ",")) return false;
  }
  return true;
}

// Parses the store text. False with ERROR_BADDB and the line that is wrong.
bool Parse(std::string_view text, const std::filesystem::path& file, Model& model) {
  model.keys.clear();
  auto damaged = [&](std::size_t lineNo, const char* what) {
    return Fail(ERROR_BADDB, "the settings file " + file.string() + " is damaged (line " + std::to_string(lineNo) +
                                 ": " + what + "); move it away to start afresh");
  };
  bool headerSeen = false;
  Key* current = nullptr;
  std::size_t lineNo = 0;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == ';') continue;
    if (!headerSeen) {
      if (line != kHeader) return damaged(lineNo, "not a settings file of this program");
      headerSeen = true;
      continue;
    }
    if (line.front() == '[') {
      if (line.back() != ']') return damaged(lineNo, "unclosed key line");
      std::string_view inner = line.substr(1, line.size() - 2);
      std::size_t space = inner.find(' ');
      auto root = RootByName(inner.substr(0, space));
      if (!root) return damaged(lineNo, "unknown root key");
      std::string path;
      if (space != std::string_view::npos) {
        std::string_view quoted = inner.substr(space + 1);
        if (!TakeQuoted(quoted, path) || !quoted.empty()) return damaged(lineNo, "bad key name");
      }
      std::string normal;
      if (!NormaliseKey(path, normal)) return damaged(lineNo, "bad key path");
      current = &model.Create(*root, normal);
      continue;
    }
    if (!current) return damaged(lineNo, "value outside a key");
    std::string name;
    if (!TakeQuoted(line, name) || !TakePrefix(line, "=")) return damaged(lineNo, "bad value name");
    RegValue value;
    if (!ParseValue(line, value)) return damaged(lineNo, "bad value");
    if (NamedValue* existing = FindValue(*current, name)) existing->value = value;
    else current->values.push_back(NamedValue{name, value});
  }
  return true;
}

std::uint32_t CodeForReadErrno(int err) {
  return err == EACCES || err == EPERM ? ERROR_ACCESS_DENIED : ERROR_CANTREAD;
}

std::uint32_t CodeForWriteErrno(int err) {
  if (err == EACCES || err == EPERM || err == EROFS) return ERROR_ACCESS_DENIED;
  if (err == ENOSPC || err == EDQUOT) return ERROR_DISK_FULL;
  return ERROR_WRITE_FAULT;
}

// Reads and parses the store file; a missing file is an empty store.
bool Load(const std::filesystem::path& file, Model& model) {
  model.keys.clear();
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return true;
    int err = errno;
    return Fail(CodeForReadErrno(err), SystemErrorText("cannot read the settings file", file, err));
  }
  std::string text;
  char buffer[8192];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      return Fail(CodeForReadErrno(err), SystemErrorText("cannot read the settings file", file, err));
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    if (text.size() > kMaxStoreSize) {
      ::close(fd);
      return Fail(ERROR_BADDB, "the settings file " + file.string() + " is too large to be this program's");
    }
  }
  ::close(fd);
  return Parse(text, file, model);
}

// Holds an exclusive advisory lock on the store's folder while a change is made.
class FolderLock {
public:
  explicit FolderLock(const std::filesystem::path& folder)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_); // closing releases the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool locked() const { return fd_ >= 0; }

private:
  int fd_;
};

// Temporary files left by a writer that died before its rename. Called under the folder lock,
// when no other writer can be between its temporary and its rename.
void RemoveStaleTemporaries(const std::filesystem::path& file) {
  const std::string prefix = TempNamePrefix(file);
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(file.parent_path(), ec)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) std::filesystem::remove(entry.path(), ec);
  }
}

template <typename Change>
bool Modify(const std::filesystem::path& file, Change change) {
  const std::filesystem::path folder = file.parent_path();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    return Fail(CodeForWriteErrno(ec.value()),
                SystemErrorText("cannot create the settings folder", folder, ec.value()));
  }
  FolderLock lock(folder);
  if (!lock.locked()) {
    int err = errno;
    return Fail(CodeForWriteErrno(err), SystemErrorText("cannot lock the settings folder", folder, err));
  }
  RemoveStaleTemporaries(file);
  Model model;
  if (!Load(file, model)) return false;
  if (!change(model)) return false;
  std::string error;
  if (!WriteFileAtomically(file, Serialise(model), &error, 0600)) {
    int err = errno;
    return Fail(CodeForWriteErrno(err), "cannot save the settings: " + error);
  }
  return Succeed();
}

// A known root and a well-formed key path, normalised into `path`; false with the error set.
bool CheckedKeyPath(RegRoot root, std::string_view key, std::string& path) {
  if (!RootNameOf(root)) return Fail(ERROR_INVALID_HANDLE, "unknown root key");
  return NormaliseKey(key, path);
}

} // namespace

RegistryStore::RegistryStore(std::filesystem::path file) : file_(std::move(file)) {}

RegistryStore& RegistryStore::Default() {
  static RegistryStore store;
  return store;
}

std::filesystem::path RegistryStore::DefaultPath() {
  std::filesystem::path base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
      const passwd* pw = ::getpwuid(::getuid());
      home = pw ? pw->pw_dir : "/tmp";
    }
    base = std::filesystem::path(home) / ".config";
  }
  return base / "divuzovuzov" / "registry.txt";
}

std::filesystem::path RegistryStore::Path() const { return file_.empty() ? DefaultPath() : file_; }

bool RegistryStore::OpenKey(RegRoot root, std::string_view key) {
  std::string path;
  if (!CheckedKeyPath(root, key, path)) return false;
  std::lock_guard<std::mutex> guard(mutex_);
  Model model;
  if (!Load(Path(), model)) return false;
  if (!model.Exists(root, path)) return Fail(ERROR_FILE_NOT_FOUND, "no key " + std::string(RootNameOf(root)) + "\\" + path);
  return Succeed();
}

bool RegistryStore::CreateKey(RegRoot root, std::string_view key) {
  std::string path;
  if (!CheckedKeyPath(root, key, path)) return false;
  std::lock_guard<std::mutex> guard(mutex_);
  return Modify(Path(), [&](Model& model) {
    model.Create(root, path);
    return true;
  });
}

bool RegistryStore::QueryValue(RegRoot root, std::string_view key, std::string_view name, RegValue& value) {
  std::string path;
  if (!CheckedKeyPath(root, key, path)) return false;
  std::lock_guard<std::mutex> guard(mutex_);
  Model model;
  if (!Load(Path(), model)) return false;
  const std::string where = std::string(RootNameOf(root)) + (path.empty() ? "" : "\\" + path);
  if (!model.Exists(root, path)) return Fail(ERROR_FILE_NOT_FOUND, "no key " + where);
  Key* k = model.Find(root, path);
  NamedValue* v = k ? FindValue(*k, name) : nullptr;
  if (!v) return Fail(ERROR_FILE_NOT_FOUND, "no value \"" + std::string(name) + "\" under " + where);
  value = v->value;
  return Succeed();
}

bool RegistryStore::SetValue(RegRoot root, std::string_view key, std::string_view name, const RegValue& value) {
  std::string path;
  if (!CheckedKeyPath(root, key, path)) return false;
  std::lock_guard<std::mutex> guard(mutex_);
  return Modify(Path(), [&](Model& model) {
    Key& k = model.Create(root, path);
    if (NamedValue* existing = FindValue(k, name)) existing->value = value;
    else k.values.push_back(NamedValue{std::string(name), value});
    return true;
  });
}

bool RegistryStore::DeleteValue(RegRoot root, std::string_view key, std::string_view name) {
  std::string path;
  if (!CheckedKeyPath(root, key, path)) return false;
  std::lock_guard<std::mutex> guard(mutex_);
  return Modify(Path(), [&](Model& model) {
    Key* k = model.Find(root, path);
    if (k) {
      for (auto it = k->values.begin(); it != k->values.end(); ++it) {
        if (SameName(it->name, name)) {
          k->values.erase(it);
          return true;
        }
      }
    }
    return Fail(ERROR_FILE_NOT_FOUND, "no value \"" + std::string(name) + "\" to delete");
  });
}

} // namespace divuzo
