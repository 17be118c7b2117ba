#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "startup/manifest.h"
#include "startup/update_handoff.h"
#include "updater/update_pass.h"

namespace qorv {
namespace {

TEST(UpdaterFileLine, AddressAndNameFromField1) {
  struct Case {
    const wchar_t* line;
    FileLineKind kind;
    const wchar_t* url;
    const wchar_t* name;
  } cases[] = {
      {L"qorv|http://h/g/qorv.exe", FileLineKind::File, L"http://h/g/qorv.exe", L"qorv.exe"},
      {L"|http://h/a.dat", FileLineKind::File, L"http://h/a.dat", L"a.dat"},
      {L"x|http://h/a.dat||fields", FileLineKind::File, L"http://h/a.dat", L"a.dat"},
      {L"x| http://h/a.dat  ", FileLineKind::File, L"http://h/a.dat", L"a.dat"},
      {L"x|plainname.txt", FileLineKind::File, L"plainname.txt", L"plainname.txt"},
      {L"x|http://h/游戏.exe", FileLineKind::File, L"http://h/游戏.exe", L"游戏.exe"},
      {L"version=1.1.0", FileLineKind::VersionLine, L"", L""},
      {L"a|http://h/VERSION/a.exe", FileLineKind::VersionLine, L"", L""},  // lower-cased test
      {L"no separator here", FileLineKind::NoSeparator, L"", L""},
      {L"", FileLineKind::NoSeparator, L"", L""},
      {L"x|http://h/dir/", FileLineKind::UnsafeName, L"http://h/dir/", L""},
      {L"x|", FileLineKind::UnsafeName, L"", L""},
      {L"x|http://h/..", FileLineKind::UnsafeName, L"http://h/..", L".."},
      {L"x|http://h/..\\..\\evil.exe", FileLineKind::UnsafeName, L"http://h/..\\..\\evil.exe",
       L"..\\..\\evil.exe"},
      {L"x|C:\\Windows\\evil.dll", FileLineKind::UnsafeName, L"C:\\Windows\\evil.dll",
       L"C:\\Windows\\evil.dll"},
      {L"x|http://h/a.exe?v=2", FileLineKind::UnsafeName, L"http://h/a.exe?v=2", L"a.exe?v=2"},
      {L"x|http://h/con", FileLineKind::UnsafeName, L"http://h/con", L"con"},
  };
  for (const auto& c : cases) {
    FileLine got = ParseFileLine(c.line);
    EXPECT_EQ(got.kind, c.kind) << c.line;
    if (c.kind == FileLineKind::File || c.kind == FileLineKind::UnsafeName) {
      EXPECT_EQ(got.url, c.url) << c.line;
      EXPECT_EQ(got.fileName, c.name) << c.line;
    }
  }
}

TEST(UpdaterFileName, OnlyNamesThatStayInTheDirectory) {
  for (const wchar_t* ok : {L"qorv.exe", L"a", L"a.b.c", L"游戏.dat", L"con2", L"com10", L"lpt",
                            L"consoles.txt", L"nul_device", L".hidden", L"a b.txt", L"%2e%2e"}) {
    EXPECT_TRUE(IsSafeFileName(ok)) << ok;
  }
  std::wstring tooLong(256, L'a');
  std::wstring withNul(L"a\0b", 3);
  for (const std::wstring& bad : {std::wstring(L""), std::wstring(L"."), std::wstring(L".."),
                                 std::wstring(L"a..b"), std::wstring(L"..\\x"),
                                 std::wstring(L"a\\b"), std::wstring(L"a/b"),
                                 std::wstring(L"C:x"), std::wstring(L"a.txt:stream"),
                                 std::wstring(L"a<b"), std::wstring(L"a>b"), std::wstring(L"a\"b"),
                                 std::wstring(L"a|b"), std::wstring(L"a?b"), std::wstring(L"a*b"),
                                 std::wstring(L"tab\there"), withNul, std::wstring(L"name."),
                                 std::wstring(L"name "), tooLong, std::wstring(L"CON"),
                                 std::wstring(L"con"), std::wstring(L"Nul.txt"),
                                 std::wstring(L"aux.tar.gz"), std::wstring(L"PRN"),
                                 std::wstring(L"com1"), std::wstring(L"LPT9.log"),
                                 std::wstring(L"COM0"), std::wstring(L"con .txt"),
                                 std::wstring(L"CONIN$"), std::wstring(L"conout$.x"),
                                 std::wstring(L"com\u00B9")}) {
    EXPECT_FALSE(IsSafeFileName(bad)) << std::string(bad.begin(), bad.end());
  }
  EXPECT_TRUE(IsSafeFileName(std::wstring(255, L'a')));
}

TEST(UpdaterCommandLine, BuiltByTheClientReadByTheUpdater) {
  struct Case {
    const wchar_t* exe;
    const wchar_t* line;
    const wchar_t* dir;
    const wchar_t* client;
  } cases[] = {
      {L"C:\\Games\\Qorv\\qorv.exe", L"C:\\Games\\Qorv|C:\\Games\\Qorv\\qorv.exe",
       L"C:\\Games\\Qorv\\", L"C:\\Games\\Qorv\\qorv.exe"},
      {L"C:\\qorv.exe", L"C:\\|C:\\\\qorv.exe", L"C:\\", L"C:\\\\qorv.exe"},  // drive root
      {L"D:\\Program Files\\Q q\\My.Game.EXE", L"D:\\Program Files\\Q q|D:\\Program Files\\Q q\\My.Game.exe",
       L"D:\\Program Files\\Q q\\", L"D:\\Program Files\\Q q\\My.Game.exe"},
      {L"\\\\srv\\share\\qorv.exe", L"\\\\srv\\share|\\\\srv\\share\\qorv.exe",
       L"\\\\srv\\share\\", L"\\\\srv\\share\\qorv.exe"},
  };
  for (const auto& c : cases) {
    std::wstring line = BuildUpdaterCommandLine(c.exe);
    EXPECT_EQ(line, c.line) << c.exe;
    UpdaterCommand parsed = ParseUpdaterCommandLine(line);
    EXPECT_EQ(parsed.directory, c.dir) << c.exe;
    EXPECT_EQ(parsed.clientFile, c.client) << c.exe;
  }
}

TEST(UpdaterCommandLine, Field0WithOrWithoutBackslashGivesTheSameTargets) {
  const std::vector<std::wstring> manifest = {L"version=2", L"a|http://h/x/a.exe", L"b|http://h/b.dat"};
  auto with = PlanUpdate(ParseUpdaterCommandLine(L"C:\\Q\\|C:\\Q\\qorv.exe"), manifest);
  auto without = PlanUpdate(ParseUpdaterCommandLine(L"C:\\Q|C:\\Q\\qorv.exe"), manifest);
  ASSERT_EQ(with.files.size(), 2u);
  ASSERT_EQ(without.files.size(), 2u);
  for (size_t i = 0; i < 2; ++i) EXPECT_EQ(with.files[i].target, without.files[i].target);
  EXPECT_EQ(with.files[0].target, L"C:\\Q\\a.exe");
  EXPECT_EQ(with.files[1].target, L"C:\\Q\\b.dat");
}

TEST(UpdaterCommandLine, OddShapes) {
  auto none = ParseUpdaterCommandLine(L"");
  EXPECT_EQ(none.directory, L"");
  EXPECT_EQ(none.clientFile, L"");
  auto noBar = ParseUpdaterCommandLine(L"C:\\Q");
  EXPECT_EQ(noBar.directory, L"C:\\Q\\");
  EXPECT_EQ(noBar.clientFile, L"");
  // Quoted by a shell, whole or per field: the same command.
  for (const wchar_t* quoted : {L"\"C:\\A B|C:\\A B\\q.exe\"", L"\"C:\\A B\"|\"C:\\A B\\q.exe\"",
                                L"  C:\\A B | C:\\A B\\q.exe  "}) {
    auto parsed = ParseUpdaterCommandLine(quoted);
    EXPECT_EQ(parsed.directory, L"C:\\A B\\") << quoted;
    EXPECT_EQ(parsed.clientFile, L"C:\\A B\\q.exe") << quoted;
  }
  auto extra = ParseUpdaterCommandLine(L"C:\\Q|C:\\Q\\q.exe|junk");
  EXPECT_EQ(extra.clientFile, L"C:\\Q\\q.exe");

  for (const wchar_t* ok : {L"C:\\", L"c:\\a\\", L"\\\\srv\\share\\"}) {
    EXPECT_TRUE(IsAbsoluteDirectory(ok)) << ok;
  }
  for (const wchar_t* bad : {L"", L"\\", L"a\\", L"C:", L"C:a\\", L"\\\\\\x", L"1:\\"}) {
    EXPECT_FALSE(IsAbsoluteDirectory(bad)) << bad;
  }
}

TEST(UpdaterPaths, SamePathIgnoresCaseAndDoubledSeparators) {
  EXPECT_TRUE(SamePath(L"C:\\\\qorv.exe", L"c:\\QORV.EXE"));
  EXPECT_TRUE(SamePath(L"C:\\a/b\\c", L"C:\\a\\b\\c"));
  EXPECT_TRUE(SamePath(L"\\\\srv\\s\\a", L"\\\\srv\\s\\\\a"));
  EXPECT_FALSE(SamePath(L"\\\\srv\\s", L"\\srv\\s"));
  EXPECT_FALSE(SamePath(L"C:\\a\\qorv.exe", L"C:\\a\\qorv.ex"));
}

// A pass with scripted downloads: each target's result, and a point after which the player has
// asked to leave.
class ScriptedActions : public IUpdateActions {
 public:
  std::map<std::wstring, bool> results;  // by file name; absent = success
  int exitAfterDownloads = -1;            // -1: never
  std::vector<std::wstring> shown, downloaded;
  std::vector<std::optional<Sha256Digest>> digests;

  void ShowFile(const std::wstring& name) override { shown.push_back(name); }
  bool Download(const std::wstring& url, const std::wstring& target,
                const std::optional<Sha256Digest>& digest) override {
    downloaded.push_back(target);
    digests.push_back(digest);
    auto it = results.find(target.substr(target.rfind(L'\\') + 1));
    (void)url;
    return it == results.end() ? true : it->second;
  }
  bool ExitRequested() const override {
    return exitAfterDownloads >= 0 && static_cast<int>(downloaded.size()) >= exitAfterDownloads;
  }
};

const std::vector<std::wstring> kThreeFiles = {
    L"version=2.0.0", L"one|http://h/one.dat", L"", L"two|http://h/two.dat",
    L"three|http://h/three.exe"};

TEST(UpdatePass, AllCompleteRemovesTheOldClientAndOpensTheLast) {
  auto plan = PlanUpdate(ParseUpdaterCommandLine(L"C:\\Q|C:\\Q\\qorv.exe"), kThreeFiles);
  ScriptedActions actions;
  auto outcome = RunUpdatePass(plan, actions);
  EXPECT_EQ(actions.shown, (std::vector<std::wstring>{L"one.dat", L"two.dat", L"three.exe"}));
  EXPECT_EQ(outcome.completeCount, 3);
  EXPECT_TRUE(outcome.allComplete);
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_TRUE(outcome.removeClientFile);
  EXPECT_EQ(outcome.lastComplete, L"C:\\Q\\three.exe");
  EXPECT_STREQ(ClosingMessage(outcome), kUpdatedText);
}

TEST(UpdatePass, OutcomesTable) {
  struct Case {
    const char* what;
    const wchar_t* command;
    std::vector<std::wstring> manifest;
    std::map<std::wstring, bool> results;
    int exitAfter;
    bool remove;
    const wchar_t* opened;
    const wchar_t* message;  // nullptr: none
    int downloads;
  } cases[] = {
      {"a failed file keeps the old client", L"C:\\Q|C:\\Q\\qorv.exe", kThreeFiles,
       {{L"two.dat", false}}, -1, false, L"C:\\Q\\three.exe", kUpdateFailedText, 3},
      {"the last failing opens the one before", L"C:\\Q|C:\\Q\\qorv.exe", kThreeFiles,
       {{L"three.exe", false}}, -1, false, L"C:\\Q\\two.dat", kUpdateFailedText, 3},
      {"nothing complete opens nothing", L"C:\\Q|C:\\Q\\qorv.exe", kThreeFiles,
       {{L"one.dat", false}, {L"two.dat", false}, {L"three.exe", false}}, -1, false, L"",
       kUpdateFailedText, 3},
      {"cancel after the first file", L"C:\\Q|C:\\Q\\qorv.exe", kThreeFiles, {}, 1, false,
       L"C:\\Q\\one.dat", nullptr, 1},
      {"cancel during the first file", L"C:\\Q|C:\\Q\\qorv.exe", kThreeFiles,
       {{L"one.dat", false}}, 1, false, L"", nullptr, 1},
      {"the client itself replaced is not removed", L"C:\\Q|C:\\Q\\qorv.exe",
       {L"version=2", L"a|http://h/readme.txt", L"q|http://h/QORV.EXE"}, {}, -1, false,
       L"C:\\Q\\QORV.EXE", kUpdatedText, 2},
      {"drive root: doubled backslash still matches", L"C:\\|C:\\\\qorv.exe",
       {L"version=2", L"q|http://h/qorv.exe", L"b|http://h/b.txt"}, {}, -1, false,
       L"C:\\b.txt", kUpdatedText, 2},
      {"only a version line: nothing to do, nothing removed", L"C:\\Q|C:\\Q\\qorv.exe",
       {L"version=2"}, {}, -1, false, L"", kUpdatedText, 0},
      {"an unsafe line makes the update incomplete", L"C:\\Q|C:\\Q\\qorv.exe",
       {L"version=2", L"a|http://h/a.dat", L"evil|http://h/..\\..\\x.exe"}, {}, -1, false,
       L"C:\\Q\\a.dat", kUpdateFailedText, 1},
      {"no directory: nothing is written anywhere", L"|C:\\Q\\qorv.exe", kThreeFiles, {}, -1,
       false, L"", kUpdateFailedText, 0},
      {"relative directory: nothing is written", L"sub|sub\\qorv.exe", kThreeFiles, {}, -1,
       false, L"", kUpdateFailedText, 0},
      {"a client elsewhere is never removed", L"C:\\Q|C:\\Windows\\explorer.exe", kThreeFiles,
       {}, -1, false, L"C:\\Q\\three.exe", kUpdatedText, 3},
      {"no field 1: nothing to remove", L"C:\\Q", kThreeFiles, {}, -1, false,
       L"C:\\Q\\three.exe", kUpdatedText, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto plan = PlanUpdate(ParseUpdaterCommandLine(c.command), c.manifest);
    ScriptedActions actions;
    actions.results = c.results;
    actions.exitAfterDownloads = c.exitAfter;
    auto outcome = RunUpdatePass(plan, actions);
    EXPECT_EQ(outcome.removeClientFile, c.remove);
    EXPECT_EQ(outcome.lastComplete, c.opened);
    const wchar_t* message = ClosingMessage(outcome);
    if (c.message == nullptr) {
      EXPECT_EQ(message, nullptr);
    } else {
      ASSERT_NE(message, nullptr);
      EXPECT_STREQ(message, c.message);
    }
    EXPECT_EQ(static_cast<int>(actions.downloaded.size()), c.downloads);
  }
}

TEST(UpdatePass, SkippedLinesAreKeptForTheLog) {
  auto plan = PlanUpdate(ParseUpdaterCommandLine(L"C:\\Q|C:\\Q\\q.exe"),
                         {L"Version=3", L"junk", L"a|http://h/", L"b|http://h/b"});
  ASSERT_EQ(plan.skipped.size(), 3u);
  EXPECT_EQ(plan.skipped[0].kind, FileLineKind::VersionLine);
  EXPECT_EQ(plan.skipped[1].kind, FileLineKind::NoSeparator);
  EXPECT_EQ(plan.skipped[2].kind, FileLineKind::UnsafeName);
  EXPECT_EQ(plan.skipped[2].line, L"a|http://h/");
  EXPECT_TRUE(plan.unsafeLineSkipped);
  ASSERT_EQ(plan.files.size(), 1u);
  EXPECT_EQ(plan.files[0].target, L"C:\\Q\\b");
}

TEST(UpdatePass, EveryTargetStaysInTheClientDirectory) {
  // Names a hostile manifest might try; whatever is accepted lands directly in the directory.
  const std::wstring dir = L"C:\\Q\\";
  std::vector<std::wstring> manifest;
  for (const wchar_t* url :
       {L"http://h/../x", L"http://h/..%5cx", L"http://h/a\\..\\..\\x", L"http://h/C:x",
        L"http://h/\\\\srv\\s\\x", L"x|y", L"http://h/ok.txt", L"http://h/nul", L"http://h/.",
        L"http://h/a:b", L"http://h/ok2.bin"}) {  // "x|y": field 1 is "x"
    manifest.push_back(std::wstring(L"f|") + url);
  }
  auto plan = PlanUpdate(ParseUpdaterCommandLine(L"C:\\Q|C:\\Q\\q.exe"), manifest);
  std::set<std::wstring> names;
  for (const auto& f : plan.files) {
    EXPECT_EQ(f.target.substr(0, dir.size()), dir);
    EXPECT_EQ(f.target.find(L'\\', dir.size()), std::wstring::npos) << f.target;
    names.insert(f.fileName);
  }
  EXPECT_EQ(names, (std::set<std::wstring>{L"ok.txt", L"ok2.bin", L"x"}));
}

}  // namespace
}  // namespace qorv
