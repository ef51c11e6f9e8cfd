#include "platform/RegistryStore.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <optional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace divuzo;
using divuzo::test::ReadFileBytes;
using divuzo::test::TempDir;
using divuzo::test::WriteFileBytes;

namespace {

RegValue Text(std::string text) {
  RegValue v;
  v.type = REG_SZ;
  v.text = std::move(text);
  return v;
}

RegValue Number(std::uint32_t n) {
  RegValue v;
  v.type = REG_DWORD;
  v.number = n;
  return v;
}

std::optional<RegValue> Query(RegistryStore& store, RegRoot root, std::string_view key, std::string_view name) {
  RegValue v;
  if (!store.QueryValue(root, key, name, v)) return std::nullopt;
  return v;
}

int CountEntries(const std::filesystem::path& folder) {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

} // namespace

TEST(RegistryStore, TypedValuesSurviveTheFileIncludingAwkwardText) {
  TempDir dir;
  const auto file = dir / "cfg" / "registry.txt"; // the folder is created on the first write
  const std::string awkward = "a\\b\"c\nd\re\tf\x01g]h=i 日本語 \x7f";
  {
    RegistryStore store(file);
    ASSERT_TRUE(store.SetValue(HKEY_CURRENT_USER, "", "T410BTMacAddress", Text("00:11:22:33:44:55")));
    ASSERT_TRUE(store.SetValue(HKEY_CURRENT_USER, "Software\\Ma]ker \"x\"", "Awkward \"name\"", Text(awkward)));
    ASSERT_TRUE(store.SetValue(HKEY_CURRENT_USER, "Software\\Ma]ker \"x\"", "Count", Number(0xDEADBEEF)));
    RegValue blob;
    blob.type = REG_BINARY;
    blob.text = std::string("\x00\xff\x10", 3);
    ASSERT_TRUE(store.SetValue(HKEY_LOCAL_MACHINE, "A", "Blob", blob));
    EXPECT_EQ(GetLastRegistryError(), ERROR_SUCCESS);
  }
  EXPECT_EQ(ReadFileBytes(file).rfind("DIVUZOvuzov registry 1\n", 0), 0u);

  RegistryStore again(file); // a fresh object reads only the file
  auto mac = Query(again, HKEY_CURRENT_USER, "", "t410btmacaddress");
  ASSERT_TRUE(mac);
  EXPECT_EQ(mac->type, REG_SZ);
  EXPECT_EQ(mac->text, "00:11:22:33:44:55");
  auto text = Query(again, HKEY_CURRENT_USER, "software\\MA]KER \"X\"", "Awkward \"name\"");
  ASSERT_TRUE(text);
  EXPECT_EQ(text->text, awkward);
  auto count = Query(again, HKEY_CURRENT_USER, "Software\\Ma]ker \"x\"\\", "COUNT");
  ASSERT_TRUE(count);
  EXPECT_EQ(count->type, REG_DWORD);
  EXPECT_EQ(count->number, 0xDEADBEEFu);
  auto blob = Query(again, HKEY_LOCAL_MACHINE, "A", "Blob");
  ASSERT_TRUE(blob);
  EXPECT_EQ(blob->type, REG_BINARY);
  EXPECT_EQ(blob->text, std::string("\x00\xff\x10", 3));
  // Same name under another root is another value.
  EXPECT_FALSE(Query(again, HKEY_LOCAL_MACHINE, "", "T410BTMacAddress"));

  // Overwrite keeps one value; delete removes it.
  ASSERT_TRUE(again.SetValue(HKEY_CURRENT_USER, "", "T410BTMACADDRESS", Text("FF:FF:FF:FF:FF:FF")));
  EXPECT_EQ(Query(again, HKEY_CURRENT_USER, "", "T410BTMacAddress")->text, "FF:FF:FF:FF:FF:FF");
  ASSERT_TRUE(again.DeleteValue(HKEY_CURRENT_USER, "", "T410BTMacAddress"));
  EXPECT_FALSE(Query(again, HKEY_CURRENT_USER, "", "T410BTMacAddress"));
  EXPECT_FALSE(again.DeleteValue(HKEY_CURRENT_USER, "", "T410BTMacAddress"));
  EXPECT_EQ(GetLastRegistryError(), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryStore, KeysAndFailureCodes) {
  TempDir dir;
  RegistryStore store(dir / "registry.txt");
  // Nothing stored yet: the root exists, keys and values do not.
  EXPECT_TRUE(store.OpenKey(HKEY_CURRENT_USER, ""));
  EXPECT_FALSE(store.OpenKey(HKEY_CURRENT_USER, "Software"));
  EXPECT_EQ(GetLastRegistryError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(Query(store, HKEY_CURRENT_USER, "", "x"));
  EXPECT_EQ(GetLastRegistryError(), ERROR_FILE_NOT_FOUND);

  ASSERT_TRUE(store.CreateKey(HKEY_CURRENT_USER, "Software\\Maker\\Tool"));
  EXPECT_TRUE(store.OpenKey(HKEY_CURRENT_USER, "Software"));
  EXPECT_TRUE(store.OpenKey(HKEY_CURRENT_USER, "SOFTWARE\\maker"));
  EXPECT_FALSE(store.OpenKey(HKEY_CURRENT_USER, "Soft"));
  EXPECT_FALSE(Query(store, HKEY_CURRENT_USER, "Software\\Maker\\Tool", "x"));
  EXPECT_EQ(GetLastRegistryError(), ERROR_FILE_NOT_FOUND);

  EXPECT_FALSE(store.SetValue(0x1234, "", "x", Text("y")));
  EXPECT_EQ(GetLastRegistryError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(store.SetValue(HKEY_CURRENT_USER, "\\Software", "x", Text("y")));
  EXPECT_EQ(GetLastRegistryError(), ERROR_BAD_PATHNAME);
  EXPECT_FALSE(store.SetValue(HKEY_CURRENT_USER, "a\\\\b", "x", Text("y")));
  EXPECT_EQ(GetLastRegistryError(), ERROR_BAD_PATHNAME);
}

TEST(RegistryStore, DamagedFileGivesClearFailureAndIsNotOverwritten) {
  TempDir dir;
  const auto file = dir / "registry.txt";
  const std::string header = "DIVUZOvuzov registry 1\n";
  const std::vector<std::string> damaged = {
      "some other program's settings\n",
      header + "\"x\"=sz:\"value before any key\"\n",
      header + "[HKEY_NOWHERE]\n",
      header + "[HKEY_CURRENT_USER \"unclosed]\n",
      header + "[HKEY_CURRENT_USER\n",
      header + "[HKEY_CURRENT_USER]\n\"x\"=sz:\"no end\n",
      header + "[HKEY_CURRENT_USER]\n\"x\"=sz:\"bad \\q escape\"\n",
      header + "[HKEY_CURRENT_USER]\n\"x\"=sz:\"bad \\x4 escape\"\n",
      header + "[HKEY_CURRENT_USER]\n\"x\"=dword:1234567\n",
      header + "[HKEY_CURRENT_USER]\n\"x\"=dword:1234567g\n",
      header + "[HKEY_CURRENT_USER]\n\"x\"=hex:0,1\n",
      header + "[HKEY_CURRENT_USER]\n\"x\"=hex(zz):00\n",
      header + "[HKEY_CURRENT_USER]\n\"x\"=float:1.0\n",
      header + "[HKEY_CURRENT_USER]\nx=sz:\"unquoted name\"\n",
      header + "[HKEY_CURRENT_USER \"a\\\\\\\\b\"]\n",
      std::string("\x00\xff\xfe garbage \x01\x02", 12),
  };
  for (const auto& contents : damaged) {
    SCOPED_TRACE(contents);
    WriteFileBytes(file, contents);
    RegistryStore store(file);
    EXPECT_FALSE(Query(store, HKEY_CURRENT_USER, "", "x"));
    EXPECT_EQ(GetLastRegistryError(), ERROR_BADDB);
    EXPECT_NE(GetLastRegistryMessage().find(file.string()), std::string::npos) << GetLastRegistryMessage();
    EXPECT_FALSE(store.SetValue(HKEY_CURRENT_USER, "", "x", Text("new")));
    EXPECT_EQ(GetLastRegistryError(), ERROR_BADDB);
    EXPECT_EQ(ReadFileBytes(file), contents);
  }
  // Comments, blank lines, CR LF line ends and an empty file are fine.
  WriteFileBytes(file, "\r\n; hand edited\r\n" + header + "\r\n[HKEY_CURRENT_USER]\r\n\"x\"=dword:0000002A\r\n");
  RegistryStore store(file);
  auto x = Query(store, HKEY_CURRENT_USER, "", "x");
  ASSERT_TRUE(x) << GetLastRegistryMessage();
  EXPECT_EQ(x->number, 42u);
  WriteFileBytes(file, "");
  EXPECT_TRUE(store.OpenKey(HKEY_CURRENT_USER, ""));
}

TEST(RegistryStore, UnreadableOrUnwritableStoreFails) {
  TempDir dir;
  // The store path is a folder: it cannot be read as a file.
  std::filesystem::create_directories(dir / "registry.txt");
  RegistryStore folderStore(dir / "registry.txt");
  EXPECT_FALSE(Query(folderStore, HKEY_CURRENT_USER, "", "x"));
  EXPECT_EQ(GetLastRegistryError(), ERROR_CANTREAD);
  EXPECT_FALSE(folderStore.SetValue(HKEY_CURRENT_USER, "", "x", Text("y")));
  EXPECT_NE(GetLastRegistryError(), ERROR_SUCCESS);
  EXPECT_FALSE(GetLastRegistryMessage().empty());

  // The folder that should hold the store is a file.
  WriteFileBytes(dir / "plain", "x");
  RegistryStore blocked(dir / "plain" / "registry.txt");
  EXPECT_FALSE(blocked.SetValue(HKEY_CURRENT_USER, "", "x", Text("y")));
  EXPECT_NE(GetLastRegistryError(), ERROR_SUCCESS);
  EXPECT_NE(GetLastRegistryMessage().find("plain"), std::string::npos) << GetLastRegistryMessage();
}

TEST(RegistryStore, KilledWriterLeavesOldOrNewValueNeverATruncatedOne) {
  TempDir dir;
  const auto file = dir / "registry.txt";
  const std::string a(4000, 'a'), b(4000, 'b');
  RegistryStore store(file);
  ASSERT_TRUE(store.SetValue(HKEY_CURRENT_USER, "Keep", "other", Number(7)));
  ASSERT_TRUE(store.SetValue(HKEY_CURRENT_USER, "K", "v", Text(a)));
  int killedAfterWrites = 0;
  for (int round = 0; round < 25; ++round) {
    int progress[2];
    ASSERT_EQ(::pipe(progress), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(progress[0]);
      RegistryStore writer(file);
      for (int i = 0;; ++i) {
        if (writer.SetValue(HKEY_CURRENT_USER, "K", "v", Text(i % 2 ? a : b))) {
          if (::write(progress[1], "w", 1) != 1) ::_exit(1);
        }
      }
    }
    ::close(progress[1]);
    // Kill once the writer is known to be under way, at a varying point of a later write.
    char byte = 0;
    const bool wrote = ::read(progress[0], &byte, 1) == 1;
    ::usleep(static_cast<useconds_t>(round * 397 % 3000));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(progress[0]);
    if (wrote) ++killedAfterWrites;
    auto v = Query(store, HKEY_CURRENT_USER, "K", "v");
    ASSERT_TRUE(v) << GetLastRegistryMessage();
    ASSERT_TRUE(v->text == a || v->text == b) << "length " << v->text.size();
    auto other = Query(store, HKEY_CURRENT_USER, "Keep", "other");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->number, 7u);
  }
  EXPECT_EQ(killedAfterWrites, 25);
  // The next write removes the temporaries the killed writers left behind.
  ASSERT_TRUE(store.SetValue(HKEY_CURRENT_USER, "K", "v", Text("done")));
  EXPECT_EQ(CountEntries(dir.path()), 1);
}

TEST(RegistryStore, ConcurrentWritersLoseNothingAndErrorsArePerThread) {
  TempDir dir;
  const auto file = dir / "registry.txt";
  // Two processes and two threads in this one, each writing its own names.
  std::vector<pid_t> children;
  for (int p = 0; p < 2; ++p) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      RegistryStore writer(file);
      bool ok = true;
      for (int i = 0; i < 15; ++i) ok &= writer.SetValue(HKEY_CURRENT_USER, "P", "p" + std::to_string(p) + "_" + std::to_string(i), Number(i));
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  RegistryStore store(file);
  std::vector<std::thread> threads;
  std::vector<int> failures(2, 0);
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 15; ++i) {
        if (!store.SetValue(HKEY_CURRENT_USER, "P", "t" + std::to_string(t) + "_" + std::to_string(i), Number(i))) ++failures[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(failures, (std::vector<int>{0, 0}));
  for (const char* who : {"p0", "p1", "t0", "t1"}) {
    for (int i = 0; i < 15; ++i) {
      auto v = Query(store, HKEY_CURRENT_USER, "P", std::string(who) + "_" + std::to_string(i));
      ASSERT_TRUE(v) << who << i;
      EXPECT_EQ(v->number, static_cast<std::uint32_t>(i));
    }
  }

  // A failure on one thread does not show on another.
  EXPECT_FALSE(Query(store, HKEY_CURRENT_USER, "P", "missing"));
  std::uint32_t otherThread = 99;
  std::thread([&] {
    Query(store, HKEY_CURRENT_USER, "P", "t0_0");
    otherThread = GetLastRegistryError();
  }).join();
  EXPECT_EQ(otherThread, ERROR_SUCCESS);
  EXPECT_EQ(GetLastRegistryError(), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryStore, DefaultPathFollowsTheEnvironment) {
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const std::optional<std::string> savedXdg = oldXdg ? std::optional<std::string>(oldXdg) : std::nullopt;
  const char* oldHome = std::getenv("HOME");
  const std::optional<std::string> savedHome = oldHome ? std::optional<std::string>(oldHome) : std::nullopt;

  TempDir dir;
  ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  EXPECT_EQ(RegistryStore::DefaultPath(), dir.path() / "divuzovuzov" / "registry.txt");
  RegistryStore store; // follows the environment on every call
  ASSERT_TRUE(store.SetValue(HKEY_CURRENT_USER, "", "x", Number(1)));
  EXPECT_TRUE(std::filesystem::exists(dir / "divuzovuzov" / "registry.txt"));

  ::setenv("XDG_CONFIG_HOME", "relative/path", 1); // not absolute: ignored
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(RegistryStore::DefaultPath(), std::filesystem::path("/home/someone/.config/divuzovuzov/registry.txt"));
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(RegistryStore::DefaultPath(), std::filesystem::path("/home/someone/.config/divuzovuzov/registry.txt"));

  if (savedXdg) ::setenv("XDG_CONFIG_HOME", savedXdg->c_str(), 1);
  else ::unsetenv("XDG_CONFIG_HOME");
  if (savedHome) ::setenv("HOME", savedHome->c_str(), 1);
  else ::unsetenv("HOME");
}
