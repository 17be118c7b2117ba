#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "startup/manifest.h"
#include "startup/update_handoff.h"
#include "updater/update_pass.h"

namespace qorv::updater {
namespace {

TEST(UpdaterFileLine, AddressAndNameFromField1) {
  struct Case {
    const wchar_t* line;
    startup::FileLineKind kind;
    const wchar_t* url;
    const wchar_t* name;
  } cases[] = {
      {L"qorv|http://h/g/qorv.exe", startup::FileLineKind::File, L"http://h/g/qorv.exe",
       L"qorv.exe"},
      {L"|http://h/a.dat", startup::FileLineKind::File, L"http://h/a.dat", L"a.dat"},
      {L"x|http://h/a.dat||fields", startup::FileLineKind::File, L"http://h/a.dat", L"a.dat"},
      {L"x| http://h/a.dat  ", startup::FileLineKind::File, L"http://h/a.dat", L"a.dat"},
      {L"x|plainname.txt", startup::FileLineKind::File, L"plainname.txt", L"plainname.txt"},
      {L"x|http://h/游戏.exe", startup::FileLineKind::File, L"http://h/游戏.exe", L"游戏.exe"},
      {L"version=1.1.0", startup::FileLineKind::VersionLine, L"", L""},
      {L"a|http://h/VERSION/a.exe", startup::FileLineKind::VersionLine, L"",
       L""},  // lower-cased test
      {L"no separator here", startup::FileLineKind::NoSeparator, L"", L""},
      {L"", startup::FileLineKind::NoSeparator, L"", L""},
      {L"x|http://h/dir/", startup::FileLineKind::UnsafeName, L"http://h/dir/", L""},
      {L"x|", startup::FileLineKind::UnsafeName, L"", L""},
      {L"x|http://h/..", startup::FileLineKind::UnsafeName, L"http://h/..", L".."},
      {L"x|http://h/..\\..\\evil.exe", startup::FileLineKind::UnsafeName,
       L"http://h/..\\..\\evil.exe", L"..\\..\\evil.exe"},
      {L"x|C:\\Windows\\evil.dll", startup::FileLineKind::UnsafeName, L"C:\\Windows\\evil.dll",
       L"C:\\Windows\\evil.dll"},
      {L"x|http://h/a.exe?v=2", startup::FileLineKind::UnsafeName, L"http://h/a.exe?v=2",
       L"a.exe?v=2"},
      {L"x|http://h/con", startup::FileLineKind::UnsafeName, L"http://h/con", L"con"},
  };
  for (const auto& c : cases) {
    startup::FileLine got = startup::ParseFileLine(c.line);
    EXPECT_EQ(got.kind, c.kind) << c.line;
    if (c.kind == startup::FileLineKind::File || c.kind == startup::FileLineKind::UnsafeName) {
      EXPECT_EQ(got.url, c.url) << c.line;
      EXPECT_EQ(got.fileName, c.name) << c.line;
    }
  }
}

TEST(UpdaterFileName, OnlyNamesThatStayInTheDirectory) {
  for (const wchar_t* ok : {L"qorv.exe", L"a", L"a.b.c", L"游戏.dat", L"con2", L"com10", L"lpt",
                            L"consoles.txt", L"nul_device", L".hidden", L"a b.txt", L"%2e%2e"}) {
    EXPECT_TRUE(startup::IsSafeFileName(ok)) << ok;
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
    EXPECT_FALSE(startup::IsSafeFileName(bad)) << std::string(bad.begin(), bad.end());
  }
  EXPECT_TRUE(startup::IsSafeFileName(std::wstring(255, L'a')));
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
      {L"D:\\Program Files\\Q q\\My.Game.EXE",
       L"D:\\Program Files\\Q q|D:\\Program Files\\Q q\\My.Game.exe", L"D:\\Program Files\\Q q\\",
       L"D:\\Program Files\\Q q\\My.Game.exe"},
      {L"\\\\srv\\share\\qorv.exe", L"\\\\srv\\share|\\\\srv\\share\\qorv.exe", L"\\\\srv\\share\\",
       L"\\\\srv\\share\\qorv.exe"},
  };
  for (const auto& c : cases) {
    std::wstring line = startup::BuildUpdaterCommandLine(c.exe);
    EXPECT_EQ(line, c.line) << c.exe;
    startup::UpdaterCommand parsed = startup::ParseUpdaterCommandLine(line);
    EXPECT_EQ(parsed.directory, c.dir) << c.exe;
    EXPECT_EQ(parsed.clientFile, c.client) << c.exe;
  }
}

TEST(UpdaterCommandLine, Field0WithOrWithoutBackslashGivesTheSameTargets) {
  const std::vector<std::wstring> manifest = {L"version=2", L"a|http://h/x/a.exe",
                                              L"b|http://h/b.dat"};
  auto with = PlanUpdate(startup::ParseUpdaterCommandLine(L"C:\\Q\\|C:\\Q\\qorv.exe"), manifest);
  auto without = PlanUpdate(startup::ParseUpdaterCommandLine(L"C:\\Q|C:\\Q\\qorv.exe"), manifest);
  ASSERT_EQ(with.files.size(), 2u);
  ASSERT_EQ(without.files.size(), 2u);
  for (size_t i = 0; i < 2; ++i) EXPECT_EQ(with.files[i].target, without.files[i].target);
  EXPECT_EQ(with.files[0].target, L"C:\\Q\\a.exe");
  EXPECT_EQ(with.files[1].target, L"C:\\Q\\b.dat");
}

TEST(UpdaterCommandLine, OddShapes) {
  auto none = startup::ParseUpdaterCommandLine(L"");
  EXPECT_EQ(none.directory, L"");
  EXPECT_EQ(none.clientFile, L"");
  auto noBar = startup::ParseUpdaterCommandLine(L"C:\\Q");
  EXPECT_EQ(noBar.directory, L"C:\\Q\\");
  EXPECT_EQ(noBar.clientFile, L"");
  // Quoted by a shell, whole or per field: the same command.
  for (const wchar_t* quoted : {L"\"C:\\A B|C:\\A B\\q.exe\"", L"\"C:\\A B\"|\"C:\\A B\\q.exe\"",
                                L"  C:\\A B | C:\\A B\\q.exe  "}) {
    auto parsed = startup::ParseUpdaterCommandLine(quoted);
    EXPECT_EQ(parsed.directory, L"C:\\A B\\") << quoted;
    EXPECT_EQ(parsed.clientFile, L"C:\\A B\\q.exe") << quoted;
  }
  auto extra = startup::ParseUpdaterCommandLine(L"C:\\Q|C:\\Q\\q.exe|junk");
  EXPECT_EQ(extra.clientFile, L"C:\\Q\\q.exe");

  for (const wchar_t* ok : {L"C:\\", L"c:\\a\\", L"\\\\srv\\share\\"}) {
    EXPECT_TRUE(startup::IsAbsoluteDirectory(ok)) << ok;
  }
  for (const wchar_t* bad : {L"", L"\\", L"a\\", L"C:", L"C:a\\", L"\\\\\\x", L"1:\\"}) {
    EXPECT_FALSE(startup::IsAbsoluteDirectory(bad)) << bad;
  }
}

TEST(UpdaterPaths, SamePathIgnoresCaseAndDoubledSeparators) {
  EXPECT_TRUE(startup::SamePath(L"C:\\\\qorv.exe", L"c:\\QORV.EXE"));
  EXPECT_TRUE(startup::SamePath(L"C:\\a/b\\c", L"C:\\a\\b\\c"));
  EXPECT_TRUE(startup::SamePath(L"\\\\srv\\s\\a", L"\\\\srv\\s\\\\a"));
  EXPECT_FALSE(startup::SamePath(L"\\\\srv\\s", L"\\srv\\s"));
  EXPECT_FALSE(startup::SamePath(L"C:\\a\\qorv.exe", L"C:\\a\\qorv.ex"));
}

// A pass with scripted fetches and moves: each file's results, the moment the player asks to
// leave, and the order in which the pass asked for things.
class ScriptedActions : public IUpdateActions {
 public:
  std::set<std::wstring> fetchFails, busy, replaceFails;  // by file name
  int exitAfterFetches = -1;                        // -1: never
  std::vector<std::wstring> shown, calls;           // "fetch x", "replace x"
  int fetches = 0;

  void ShowFile(const std::wstring& name) override { shown.push_back(name); }
  bool Fetch(const PlannedFile& file) override {
    ++fetches;
    calls.push_back(L"fetch " + file.fileName);
    return !fetchFails.contains(file.fileName);
  }
  bool Replaceable(const PlannedFile& file) override {
    calls.push_back(L"check " + file.fileName);
    return !busy.contains(file.fileName);
  }
  bool Replace(const PlannedFile& file) override {
    calls.push_back(L"replace " + file.fileName);
    return !replaceFails.contains(file.fileName);
  }
  bool ExitRequested() const override {
    return exitAfterFetches >= 0 && fetches >= exitAfterFetches;
  }
};

const std::wstring kSha = L"|" + std::wstring(64, L'a');
const std::vector<std::wstring> kThreeFiles = {
    L"version=2.0.0", L"one|http://h/one.dat" + kSha, L"", L"two|http://h/two.dat" + kSha,
    L"three|http://h/three.exe" + kSha};

TEST(UpdatePass, FetchesAllBeforeReplacingAnyThenOpensTheLast) {
  auto plan = PlanUpdate(startup::ParseUpdaterCommandLine(L"C:\\Q|C:\\Q\\qorv.exe"), kThreeFiles,
                         startup::ManifestTrust::Signed);
  ScriptedActions actions;
  auto outcome = RunUpdatePass(plan, actions);
  EXPECT_EQ(actions.shown, (std::vector<std::wstring>{L"one.dat", L"two.dat", L"three.exe"}));
  EXPECT_EQ(actions.calls,
            (std::vector<std::wstring>{L"fetch one.dat", L"fetch two.dat", L"fetch three.exe",
                                       L"check one.dat", L"check two.dat", L"check three.exe",
                                       L"replace one.dat", L"replace two.dat",
                                       L"replace three.exe"}));
  EXPECT_EQ(outcome.fetchedCount, 3);
  EXPECT_EQ(outcome.replacedCount, 3);
  EXPECT_TRUE(outcome.allComplete);
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_EQ(outcome.stoppedAt, UpdateStep::Done);
  EXPECT_TRUE(outcome.removeClientFile);
  EXPECT_EQ(outcome.opened, L"C:\\Q\\three.exe");
  EXPECT_STREQ(ClosingMessage(outcome), kUpdatedText);
}

TEST(UpdatePass, AnythingShortOfAllFilesOpensNothing) {
  const wchar_t* kCommand = L"C:\\Q|C:\\Q\\qorv.exe";
  struct Case {
    const char* what;
    const wchar_t* command;
    std::vector<std::wstring> manifest;
    startup::ManifestTrust trust;
    std::set<std::wstring> fetchFails, busy, replaceFails;
    int exitAfter;
    std::vector<std::wstring> calls;
    UpdateStep stoppedAt;
    const wchar_t* message;  // nullptr: none
  } cases[] = {
      {"the third fetch fails: nothing is replaced",
       kCommand,
       kThreeFiles,
       startup::ManifestTrust::Signed,
       {L"three.exe"},
       {},
       {},
       -1,
       {L"fetch one.dat", L"fetch two.dat", L"fetch three.exe"},
       UpdateStep::Fetch,
       kUpdateFailedText},
      {"the first fetch fails: the pass stops there",
       kCommand,
       kThreeFiles,
       startup::ManifestTrust::Signed,
       {L"one.dat"},
       {},
       {},
       -1,
       {L"fetch one.dat"},
       UpdateStep::Fetch,
       kUpdateFailedText},
      {"cancel after the second fetch",
       kCommand,
       kThreeFiles,
       startup::ManifestTrust::Signed,
       {},
       {},
       {},
       2,
       {L"fetch one.dat", L"fetch two.dat"},
       UpdateStep::Fetch,
       nullptr},
      {"cancel after the last fetch: still nothing replaced",
       kCommand,
       kThreeFiles,
       startup::ManifestTrust::Signed,
       {},
       {},
       {},
       3,
       {L"fetch one.dat", L"fetch two.dat", L"fetch three.exe"},
       UpdateStep::Fetch,
       nullptr},
      {"a target in use: nothing is replaced",
       kCommand,
       kThreeFiles,
       startup::ManifestTrust::Signed,
       {},
       {L"three.exe"},
       {},
       -1,
       {L"fetch one.dat", L"fetch two.dat", L"fetch three.exe", L"check one.dat", L"check two.dat",
        L"check three.exe"},
       UpdateStep::Replace,
       kUpdateFailedText},
      {"a move that fails anyway stops the moves and opens nothing",
       kCommand,
       kThreeFiles,
       startup::ManifestTrust::Signed,
       {},
       {},
       {L"two.dat"},
       -1,
       {L"fetch one.dat", L"fetch two.dat", L"fetch three.exe", L"check one.dat", L"check two.dat",
        L"check three.exe", L"replace one.dat", L"replace two.dat"},
       UpdateStep::Replace,
       kUpdateFailedText},
      {"an unsafe line: nothing is fetched at all",
       kCommand,
       {L"version=2", L"a|http://h/a.dat" + kSha, L"evil|http://h/..\\..\\x.exe" + kSha},
       startup::ManifestTrust::Signed,
       {},
       {},
       {},
       -1,
       {},
       UpdateStep::Refused,
       kUpdateFailedText},
      {"a refused manifest: nothing is fetched",
       kCommand,
       kThreeFiles,
       startup::ManifestTrust::Rejected,
       {},
       {},
       {},
       -1,
       {},
       UpdateStep::Refused,
       kUpdateFailedText},
      {"no directory: nothing is written anywhere",
       L"|C:\\Q\\qorv.exe",
       kThreeFiles,
       startup::ManifestTrust::Signed,
       {},
       {},
       {},
       -1,
       {},
       UpdateStep::Refused,
       kUpdateFailedText},
      {"a refused command line: nothing is fetched",
       L"\\\\srv\\s|\\\\srv\\s\\qorv.exe",
       kThreeFiles,
       startup::ManifestTrust::Signed,
       {},
       {},
       {},
       -1,
       {},
       UpdateStep::Refused,
       kUpdateFailedText},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto plan = PlanUpdate(startup::ParseUpdaterCommandLine(c.command), c.manifest, c.trust);
    ScriptedActions actions;
    actions.fetchFails = c.fetchFails;
    actions.busy = c.busy;
    actions.replaceFails = c.replaceFails;
    actions.exitAfterFetches = c.exitAfter;
    auto outcome = RunUpdatePass(plan, actions);
    EXPECT_EQ(actions.calls, c.calls);
    EXPECT_EQ(outcome.stoppedAt, c.stoppedAt);
    EXPECT_FALSE(outcome.allComplete);
    EXPECT_FALSE(outcome.removeClientFile);
    EXPECT_EQ(outcome.opened, L"");
    const wchar_t* message = ClosingMessage(outcome);
    if (c.message == nullptr) {
      EXPECT_EQ(message, nullptr);
    } else {
      ASSERT_NE(message, nullptr);
      EXPECT_STREQ(message, c.message);
    }
  }
}

TEST(UpdatePass, OnlyAVersionLineIsAnUpdateWithNothingToDo) {
  auto plan = PlanUpdate(startup::ParseUpdaterCommandLine(L"C:\\Q|C:\\Q\\qorv.exe"), {L"version=2"},
                         startup::ManifestTrust::Signed);
  ScriptedActions actions;
  auto outcome = RunUpdatePass(plan, actions);
  EXPECT_TRUE(actions.calls.empty());
  EXPECT_TRUE(outcome.allComplete);
  EXPECT_FALSE(outcome.removeClientFile);
  EXPECT_EQ(outcome.opened, L"");
  EXPECT_STREQ(ClosingMessage(outcome), kUpdatedText);
}

TEST(UpdaterCommandCheck, OnlyALocalFolderHoldingTheClient) {
  struct Case {
    const wchar_t* line;
    CommandLineVerdict verdict;
  } cases[] = {
      {L"C:\\Games\\Qorv|C:\\Games\\Qorv\\qorv.exe", CommandLineVerdict::Ok},
      {L"C:\\|C:\\\\qorv.exe",
       CommandLineVerdict::Ok},  // the drive's root, as the client writes it
      {L"d:\\Program Files\\Q q|D:\\PROGRAM FILES\\q Q\\My.Game.EXE", CommandLineVerdict::Ok},
      {L"C:\\游戏\\客户端|C:\\游戏\\客户端\\qorv.exe", CommandLineVerdict::Ok},
      {L"|C:\\Q\\qorv.exe", CommandLineVerdict::NoDirectory},
      {L"", CommandLineVerdict::NoDirectory},
      {L"\\\\srv\\share|\\\\srv\\share\\qorv.exe", CommandLineVerdict::NotLocal},
      {L"\\\\?\\UNC\\srv\\share|\\\\?\\UNC\\srv\\share\\qorv.exe", CommandLineVerdict::NotLocal},
      {L"\\\\?\\C:\\Q|\\\\?\\C:\\Q\\qorv.exe", CommandLineVerdict::NotLocal},
      {L"\\\\.\\C:\\Q|\\\\.\\C:\\Q\\qorv.exe", CommandLineVerdict::NotLocal},
      {L"\\??\\C:\\Q|\\??\\C:\\Q\\qorv.exe", CommandLineVerdict::NotLocal},
      {L"//srv/share|//srv/share/qorv.exe", CommandLineVerdict::NotLocal},
      {L"Q|Q\\qorv.exe", CommandLineVerdict::NotLocal},
      {L"C:Q|C:Q\\qorv.exe", CommandLineVerdict::NotLocal},
      {L"1:\\Q|1:\\Q\\qorv.exe", CommandLineVerdict::NotLocal},
      {L"C:\\Q\\..\\Windows|C:\\Windows\\explorer.exe", CommandLineVerdict::BadDirectory},
      {L"C:\\Q\\.|C:\\Q\\qorv.exe", CommandLineVerdict::BadDirectory},
      {L"C:\\Q\\\\R|C:\\Q\\R\\qorv.exe", CommandLineVerdict::BadDirectory},
      {L"C:\\Q/R|C:\\Q\\R\\qorv.exe", CommandLineVerdict::BadDirectory},
      {L"C:\\con\\Q|C:\\con\\Q\\qorv.exe", CommandLineVerdict::BadDirectory},
      {L"C:\\Q:stream|C:\\Q:stream\\qorv.exe", CommandLineVerdict::BadDirectory},
      {L"C:\\Q.|C:\\Q.\\qorv.exe", CommandLineVerdict::BadDirectory},
      {L"C:\\Q", CommandLineVerdict::NoClient},
      {L"C:\\Q|", CommandLineVerdict::NoClient},
      {L"C:\\Q|C:\\Windows\\explorer.exe", CommandLineVerdict::ClientOutside},
      {L"C:\\Q|C:\\Q\\sub\\qorv.exe", CommandLineVerdict::ClientOutside},
      {L"C:\\Q|C:\\Q\\..\\qorv.exe", CommandLineVerdict::ClientOutside},
      {L"C:\\Q|C:\\QQ\\qorv.exe", CommandLineVerdict::ClientOutside},
      {L"C:\\Q|qorv.exe", CommandLineVerdict::ClientOutside},
      {L"C:\\Q|C:\\Q\\", CommandLineVerdict::ClientOutside},
      {L"C:\\Q|C:\\Q\\nul.exe", CommandLineVerdict::ClientOutside},
      {L"C:\\Q|C:\\Q\\qorv.exe:x", CommandLineVerdict::ClientOutside},
      {L"C:\\Q|C:\\Q\\readme.txt", CommandLineVerdict::ClientNotExe},
      {L"C:\\Q|C:\\Q\\.exe", CommandLineVerdict::ClientNotExe},
      {L"C:\\Q|C:\\Q\\qorv.exe.bak", CommandLineVerdict::ClientNotExe},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(CheckUpdaterCommand(startup::ParseUpdaterCommandLine(cases[i].line)),
              cases[i].verdict)
        << "case " << i;
  }
}

TEST(UpdatePass, SkippedLinesAreKeptForTheLog) {
  auto plan = PlanUpdate(startup::ParseUpdaterCommandLine(L"C:\\Q|C:\\Q\\q.exe"),
                         {L"Version=3", L"junk", L"a|http://h/", L"b|http://h/b"});
  ASSERT_EQ(plan.skipped.size(), 3u);
  EXPECT_EQ(plan.skipped[0].kind, startup::FileLineKind::VersionLine);
  EXPECT_EQ(plan.skipped[1].kind, startup::FileLineKind::NoSeparator);
  EXPECT_EQ(plan.skipped[2].kind, startup::FileLineKind::UnsafeName);
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
  auto plan = PlanUpdate(startup::ParseUpdaterCommandLine(L"C:\\Q|C:\\Q\\q.exe"), manifest);
  std::set<std::wstring> names;
  for (const auto& f : plan.files) {
    EXPECT_EQ(f.target.substr(0, dir.size()), dir);
    EXPECT_EQ(f.target.find(L'\\', dir.size()), std::wstring::npos) << f.target;
    names.insert(f.fileName);
  }
  EXPECT_EQ(names, (std::set<std::wstring>{L"ok.txt", L"ok2.bin", L"x"}));
}

}  // namespace
}  // namespace qorv::updater
