// The update check against a real file server: the manifest and its signature fetched into the
// temporary directory, the manifest judged, and the messages the player sees (read and answered
// from another thread, as a player would), for the main window's command and the start-up check.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/version.h"
#include "startup/download.h"
#include "startup/load_frm.h"
#include "startup/update_handoff.h"
#include "startup/update_check.h"
#include "win/download_test_server.h"
#include "win/support/message_box_watcher.h"
#include "win/support/test_signer.h"
#include "win/support/test_window.h"

namespace qorv::startup {
namespace {

using test::ReadWholeFile;
using test::ScratchDir;
using test::TestHttpServer;
using test::WriteWholeFile;

// Made before TMP and TEMP point into the second one.
ScratchDir* g_site = nullptr;
ScratchDir* g_temp = nullptr;
TestHttpServer* g_server = nullptr;

test::UpdateSite* g_update = nullptr;

class CheckEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    g_update = new test::UpdateSite();
    g_site = &g_update->site;
    g_temp = &g_update->temp;
    g_server = g_update->server.get();
  }
  void TearDown() override {
    delete g_update;
    g_update = nullptr;
  }
};
[[maybe_unused]] const auto* const kEnv = testing::AddGlobalTestEnvironment(new CheckEnvironment);

std::wstring Published() { return *g_site / L"gamehome\\qorv\\update.txt"; }
std::wstring Fetched() { return *g_temp / L"update.txt"; }

enum class Signing { BuildKey, OtherKey, None };

// A manifest on the server as the publisher's tool leaves it: an expiry line added unless it has
// one, and signed.
void Publish(std::string_view manifest, Signing signing = Signing::BuildKey) {
  std::string text(manifest);
  if (text.find("EXPIRES=") == std::string::npos) text = test::WithExpiry(text);
  WriteWholeFile(Published(), text);
  ::DeleteFileW((Published() + L".sig").c_str());
  if (signing == Signing::BuildKey)
    WriteWholeFile(Published() + L".sig", test::SignWithBuildKey(text));
  if (signing == Signing::OtherKey)
    WriteWholeFile(Published() + L".sig", test::SignWithOtherKey(text));
}
void Unpublish() {
  ::DeleteFileW(Published().c_str());
  ::DeleteFileW((Published() + L".sig").c_str());
}
void ForgetFetched() {
  for (const wchar_t* name : {L"update.txt", L"update.txt.sig"}) {
    std::wstring path = *g_temp / name;
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
  }
}
std::wstring Question(const std::string& published) {
  return NewVersionQuestionText(RunningVersion(), std::wstring(published.begin(), published.end()));
}
std::string Running() {
  std::wstring v = RunningVersion();
  return std::string(v.begin(), v.end());
}

using Box = test::MessageBoxSeen;

struct FakeMainWindow : IUpdateHost {
  HWND window = test::CreateHostWindow(100, 100, 300, 200, L"main window");
  bool loaded = true;
  std::vector<std::string>* calls = nullptr;
  ~FakeMainWindow() override { ::DestroyWindow(window); }
  HWND UpdateMessageOwner() const override { return window; }
  bool UpdateHostLoaded() const override { return loaded; }
  void SetExitFlag(bool bExit) override {
    calls->push_back(bExit ? "m_bExit=true" : "m_bExit=false");
  }
  void UnloadForUpdate() override {
    calls->push_back("unload");
    loaded = false;
  }
};

class UpdateCheck : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(g_server->Url().empty()) << g_server->Error();
    ForgetFetched();
    host.calls = &calls;
  }
  // The main window's command, answering its box with `press`.
  Box RunManual(int press, UpdateCommand* command = nullptr) {
    UpdateCommand own([this] {
      calls.push_back("hand-off");
      return true;
    });
    test::MessageBoxWatcher watcher({.press = press});
    (command ? *command : own).Run(host);
    return watcher.Stop();
  }
  std::vector<std::string> calls;
  FakeMainWindow host;
};

const wchar_t kTitle[] = L"提示";
const wchar_t kQuestion[] = L"发现有新版本，是否现在更新！";
const wchar_t kUpToDate[] = L"当前版本已是最新，无需更新！";

TEST_F(UpdateCheck, EqualVersionSaysUpToDate) {
  for (std::string line : {"version=" + Running(), "VERSION=" + Running() + "   ",
                           "Version:" + Running()}) {
    SCOPED_TRACE(line);
    Publish(line + "\r\nqorv|http://127.0.0.1:9/qorv.exe\r\n");
    Box box = RunManual(IDOK);
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(box.title, kTitle);
    EXPECT_EQ(box.text, kUpToDate);
    EXPECT_TRUE(box.ok);
    EXPECT_FALSE(box.yes || box.no);
    EXPECT_EQ(box.owner, host.window);
    EXPECT_TRUE(calls.empty());
  }
}

TEST_F(UpdateCheck, ANewerVersionOffersBothVersionsAndNoChangesNothing) {
  for (std::string value : {std::string("9.9.9"), std::string("1.10.0"), std::string("1.1.1")}) {
    SCOPED_TRACE(value);
    Publish("version=" + value + "\r\n");
    Box box = RunManual(IDNO);
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(box.title, kTitle);
    EXPECT_EQ(box.text, Question(value));
    EXPECT_EQ(box.text.rfind(kQuestion, 0), 0u) << "the question comes first";
    EXPECT_NE(box.text.find(RunningVersion()), std::wstring::npos);
    EXPECT_TRUE(box.yes && box.no);
    EXPECT_FALSE(box.ok);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(host.loaded);
  }
}

// What a player on a hostile network may be sent: nothing of it is offered, handed off or kept
// beyond the fetched manifest.
TEST_F(UpdateCheck, ARefusedManifestOffersNothing) {
  struct Case {
    const char* what;
    std::string manifest;
    Signing signing;
    const wchar_t* shown;  // the manual check's answer: nothing, or "up to date"
  } cases[] = {
      {"unsigned", "version=9.9.9\r\n", Signing::None, nullptr},
      {"signed by another key", "version=9.9.9\r\n", Signing::OtherKey, nullptr},
      {"lower version", "version=0.9.0\r\n", Signing::BuildKey, kUpToDate},
      {"equal version", "version=" + Running() + "\r\n", Signing::BuildKey, kUpToDate},
      {"expired", "version=9.9.9\r\nEXPIRES=2020-01-01\r\n", Signing::BuildKey, nullptr},
      {"no expiry date", "version=9.9.9\r\nEXPIRES=soon\r\n", Signing::BuildKey, nullptr},
      {"four version parts", "version=9.9.9.9\r\n", Signing::BuildKey, nullptr},
      {"a space before the separator", "version = 9.9.9\r\n", Signing::BuildKey, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ForgetFetched();
    Publish(c.manifest, c.signing);
    Box box = RunManual(IDYES);
    if (c.shown) {
      ASSERT_TRUE(box.seen);
      EXPECT_EQ(box.text, c.shown);
    } else {
      EXPECT_FALSE(box.seen) << "shown: " << WideToUtf8(box.text);
    }
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(host.loaded);
  }
  auto log = ReadWholeFile(*g_temp / L"qorv.log");
  std::string text(log.begin(), log.end());
  EXPECT_NE(text.find("its signature is missing"), std::string::npos);
  EXPECT_NE(text.find("refused: the manifest expired on 2020-01-01"), std::string::npos);
}

TEST_F(UpdateCheck, YesHandsOffThenClosesTheMainWindowWithoutAsking) {
  Publish("version=9.9.9\r\nqorv|http://127.0.0.1:9/qorv.exe\r\n");
  Box box = RunManual(IDYES);
  ASSERT_TRUE(box.seen);
  EXPECT_EQ(calls, (std::vector<std::string>{"hand-off", "m_bExit=true", "unload"}));
}

TEST_F(UpdateCheck, TheManifestLandsHiddenInTheTemporaryDirectory) {
  std::string manifest = test::WithExpiry("version=" + Running() + "\r\n");
  Publish(manifest);
  RunManual(IDOK);
  auto bytes = ReadWholeFile(Fetched());
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), manifest);
  EXPECT_TRUE(::GetFileAttributesW(Fetched().c_str()) & FILE_ATTRIBUTE_HIDDEN);
  auto requests = g_server->Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back(), L"/gamehome/qorv/update.txt.sig");
}

TEST_F(UpdateCheck, NothingToSayWithoutAVersion) {
  struct Case {
    const char* what;
    const char* published;  // nullptr: the server has none
  } cases[] = {
      {"no manifest anywhere", nullptr},
      {"no version line", "qorv|http://127.0.0.1:9/qorv.exe\r\nreadme|http://x/r.txt\r\n"},
      {"empty manifest", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ForgetFetched();
    if (c.published) {
      Publish(c.published);
    } else {
      Unpublish();
    }
    Box box = RunManual(IDOK);
    EXPECT_FALSE(box.seen) << "shown: " << std::string(box.text.begin(), box.text.end());
    EXPECT_TRUE(calls.empty());
  }
}

TEST_F(UpdateCheck, AFailedDownloadDoesNotFallBackToTheEarlierManifest) {
  // A good signed pair an earlier run fetched; the server has none now.
  std::string earlier = test::WithExpiry("version=8.8.8\r\n");
  WriteWholeFile(Fetched(), earlier);
  WriteWholeFile(Fetched() + L".sig", test::SignWithBuildKey(earlier));
  ::SetFileAttributesW(Fetched().c_str(), FILE_ATTRIBUTE_HIDDEN);
  Unpublish();
  Box box = RunManual(IDYES);
  EXPECT_FALSE(box.seen) << "shown: " << WideToUtf8(box.text);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(::GetFileAttributesW(Fetched().c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesW((Fetched() + L".sig").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(UpdateCheck, LineFeedOnlyManifestReadsLineByLine) {
  Publish("version=" + Running() + "\nqorv|http://127.0.0.1:9/qorv.exe\n");
  Box box = RunManual(IDOK);
  ASSERT_TRUE(box.seen);
  EXPECT_EQ(box.text, kUpToDate);
}

TEST_F(UpdateCheck, ByteOrderMarkedManifestIsUnderstood) {
  Publish("\xEF\xBB\xBFversion=" + Running() + "\r\n");
  Box box = RunManual(IDOK);
  ASSERT_TRUE(box.seen);
  EXPECT_EQ(box.text, kUpToDate);
}

// Messages run while the manifest downloads: the main window may close meanwhile.
constexpr UINT kCloseHost = WM_APP + 10;
constexpr UINT kDropCommand = WM_APP + 11;
FakeMainWindow* g_host = nullptr;
std::unique_ptr<UpdateCommand> g_command;

LRESULT CALLBACK MeddlerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kCloseHost && g_host) g_host->loaded = false;
  if (msg == kDropCommand) g_command.reset();
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(UpdateCheck, AMainWindowClosedDuringTheDownloadHearsNothing) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = MeddlerProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QorvUpdateMeddler";
  ::RegisterClassW(&wc);
  HWND meddler = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   wc.hInstance, nullptr);
  ASSERT_TRUE(meddler);
  Publish("version=9.9.9\r\n");

  g_host = &host;
  ::PostMessageW(meddler, kCloseHost, 0, 0);
  Box box = RunManual(IDYES);
  EXPECT_FALSE(box.seen);
  EXPECT_TRUE(calls.empty());
  g_host = nullptr;

  // The command object itself released with its window while its download runs.
  host.loaded = true;
  g_command = std::make_unique<UpdateCommand>([this] {
    calls.push_back("hand-off");
    return true;
  });
  ::PostMessageW(meddler, kDropCommand, 0, 0);
  box = RunManual(IDYES, g_command.get());
  EXPECT_EQ(g_command, nullptr);
  EXPECT_FALSE(box.seen);
  EXPECT_TRUE(calls.empty());
  ::DestroyWindow(meddler);
}

TEST_F(UpdateCheck, StartUpCheckReturnsWhenEqualOrDeclined) {
  Publish("version=" + Running() + "\r\n");
  {
    test::MessageBoxWatcher watcher({.press = IDOK, .timeoutMs = 3000});
    CheckUpdate();
    EXPECT_FALSE(watcher.Stop().seen);  // the start-up check never says "up to date"
  }
  Publish("version=2.0.0\r\n");
  test::MessageBoxWatcher watcher({.press = IDNO});
  CheckUpdate();  // No: returns, and start-up goes on
  Box box = watcher.Stop();
  ASSERT_TRUE(box.seen);
  EXPECT_EQ(box.title, kTitle);
  EXPECT_EQ(box.text, Question("2.0.0"));
  EXPECT_TRUE(box.yes && box.no);
  EXPECT_EQ(box.owner, nullptr);  // no window exists yet at start-up
}

// The updater's folders: fresh and unguessable each time, only their own kind removed later.
TEST(UpdaterFolders, FreshEachTimeAndOnlyTheirOwnKindRemoved) {
  wchar_t base[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, base)));
  const std::wstring root = std::wstring(base) + L"\\BrindleQorvane\\Updater\\";
  std::wstring a = MakePrivateUpdaterFolder(), b = MakePrivateUpdaterFolder();
  ASSERT_FALSE(a.empty());
  ASSERT_NE(a, b);
  for (const std::wstring& dir : {a, b}) {
    ASSERT_EQ(dir.rfind(root, 0), 0u) << WideToUtf8(dir);
    EXPECT_TRUE(IsUpdaterFolderName(dir.substr(root.size(), dir.size() - root.size() - 1)));
  }
  WriteWholeFile(a + L"Update.exe", "an updater that ran");
  const std::wstring other = root + L"not-ours";
  ::CreateDirectoryW(other.c_str(), nullptr);
  std::wstring busy = MakePrivateUpdaterFolder();
  win::UniqueFile held(::CreateFileW((busy + L"Update.exe").c_str(), GENERIC_WRITE, 0, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);

  RemoveOldUpdaterFolders();
  EXPECT_EQ(::GetFileAttributesW(a.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesW(b.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(::GetFileAttributesW(other.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(::GetFileAttributesW(busy.c_str()), INVALID_FILE_ATTRIBUTES) << "one in use stays";
  held.Reset();
  RemoveOldUpdaterFolders();
  EXPECT_EQ(::GetFileAttributesW(busy.c_str()), INVALID_FILE_ATTRIBUTES);
  ::RemoveDirectoryW(other.c_str());
}

}  // namespace
}  // namespace qorv::startup
