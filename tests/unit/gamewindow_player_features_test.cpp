// The pure rules behind the player's commands: zoom steps, the screenshot's file name and
// balloon texts, the remembered settings read from damaged values, the tool menu's entries and
// the window's shortcut keys.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "gamewindow/app_menu.h"
#include "gamewindow/player_settings.h"
#include "gamewindow/screenshot_rule.h"
#include "gamewindow/shortcuts.h"
#include "gamewindow/zoom_steps.h"

namespace qorv::gamewindow {
namespace {

TEST(ZoomSteps, InAndOutMoveOneStepAndStopAtTheEnds) {
  struct Case {
    int from, in, out;
  } cases[] = {
      {100, 110, 90}, {50, 67, 50},   {200, 200, 175}, {67, 75, 50},   {175, 200, 150},
      // Between steps (not chosen by the menu): the neighbour in the direction asked.
      {101, 110, 100}, {99, 100, 90}, {10, 50, 50},    {1000, 200, 200}, {-5, 50, 50},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ZoomIn(c.from), c.in) << c.from;
    EXPECT_EQ(ZoomOut(c.from), c.out) << c.from;
  }
}

TEST(ZoomSteps, EveryStepIsReachedFromTheDefaultBothWays) {
  std::vector<int> seen{kDefaultZoom};
  for (int z = kDefaultZoom; z != ZoomIn(z);) seen.push_back(z = ZoomIn(z));
  for (int z = kDefaultZoom; z != ZoomOut(z);) seen.insert(seen.begin(), z = ZoomOut(z));
  EXPECT_EQ(seen, std::vector<int>(kZoomSteps.begin(), kZoomSteps.end()));
}

TEST(ZoomSteps, NearestStepClampsAndPrefersTheLowerOnATie) {
  const std::pair<int, int> cases[] = {{0, 50},    {49, 50},   {58, 50},  {59, 67},
                                       {85, 80},   {105, 100}, {199, 200}, {5000, 200},
                                       {INT32_MIN, 50}, {INT32_MAX, 200}};
  for (auto [in, out] : cases) EXPECT_EQ(NearestZoomStep(in), out) << in;
}

TEST(PlayerSettings, DamagedOrMissingValuesFallBackEachOnItsOwn) {
  struct Case {
    const char* name;
    StoredSettings stored;
    PlayerSettings expected;
  } cases[] = {
      {"nothing stored", {}, {false, false, 100}},
      {"all set", {1u, 1u, 150u}, {true, true, 150}},
      {"all cleared", {0u, 0u, 50u}, {false, false, 50}},
      {"flag of 2", {2u, 1u, 125u}, {false, true, 125}},
      {"flag of all ones", {1u, 0xFFFFFFFFu, 125u}, {true, false, 125}},
      {"zoom between steps", {1u, 1u, 105u}, {true, true, 100}},
      {"zoom zero", {std::nullopt, 1u, 0u}, {false, true, 100}},
      {"zoom negative as DWORD", {1u, std::nullopt, 0xFFFFFF9Cu}, {true, false, 100}},
      {"zoom above the range", {0u, 0u, 250u}, {false, false, 100}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadPlayerSettings(c.stored), c.expected) << c.name;
}

TEST(PlayerSettings, WhatIsWrittenReadsBackTheSame) {
  for (bool muted : {false, true}) {
    for (bool top : {false, true}) {
      for (int zoom : kZoomSteps) {
        PlayerSettings s{muted, top, zoom};
        EXPECT_EQ(ReadPlayerSettings(ToStored(s)), s);
      }
    }
  }
}

TEST(ScreenshotRule, NamesCarryTheLocalSecondAndANumberWithinIt) {
  const LocalTime t{2026, 12, 10, 7, 5, 9};
  EXPECT_EQ(ScreenshotFileName(t, 1), L"BrindleQorvane-20261210-070509.png");
  EXPECT_EQ(ScreenshotFileName(t, 2), L"BrindleQorvane-20261210-070509-2.png");
  EXPECT_EQ(ScreenshotFileName(t, 12), L"BrindleQorvane-20261210-070509-12.png");
  EXPECT_EQ(ScreenshotFileName({2027, 1, 1, 23, 59, 59}, 1), L"BrindleQorvane-20270101-235959.png");
}

TEST(ScreenshotRule, NamesInOneSecondAreAllDifferentAndPlainAscii) {
  const LocalTime t{2026, 2, 3, 4, 5, 6};
  std::set<std::wstring> names;
  for (int attempt = 1; attempt <= kScreenshotNameTries; ++attempt) {
    std::wstring name = ScreenshotFileName(t, attempt);
    for (wchar_t ch : name) {
      EXPECT_TRUE((ch >= L'0' && ch <= L'9') || (ch >= L'A' && ch <= L'Z') ||
                  (ch >= L'a' && ch <= L'z') || ch == L'-' || ch == L'.')
          << static_cast<int>(ch);
    }
    names.insert(name);
  }
  EXPECT_EQ(names.size(), static_cast<size_t>(kScreenshotNameTries));
}

TEST(ScreenshotRule, FailureTextsSayWhy) {
  struct Case {
    ScreenshotFailure failure;
    uint32_t error;
    const wchar_t* says;
  } cases[] = {
      {ScreenshotFailure::kNotVisible, 0, L"显示在屏幕上"},
      {ScreenshotFailure::kNoPicturesFolder, 0, L"图片文件夹不存在"},
      {ScreenshotFailure::kWriteFailed, 5, L"不可写入"},
      {ScreenshotFailure::kWriteFailed, 19, L"不可写入"},
      {ScreenshotFailure::kWriteFailed, 112, L"磁盘空间不足"},
      {ScreenshotFailure::kWriteFailed, 39, L"磁盘空间不足"},
      {ScreenshotFailure::kWriteFailed, 3, L"图片文件夹不存在"},
      {ScreenshotFailure::kWriteFailed, 1117, L"错误 1117"},
      {ScreenshotFailure::kCaptureFailed, 0, L"游戏画面"},
  };
  for (const Case& c : cases) {
    const std::wstring text = ScreenshotFailedText(c.failure, c.error);
    EXPECT_EQ(text.rfind(L"截图未保存", 0), 0u);
    EXPECT_NE(text.find(c.says), std::wstring::npos) << static_cast<int>(c.failure) << " " << c.error;
  }
  const std::wstring saved = ScreenshotSavedText(L"C:\\P\\BrindleQorvane\\a.png");
  EXPECT_NE(saved.find(L"C:\\P\\BrindleQorvane\\a.png"), std::wstring::npos);
}

TEST(AppMenu, TheSevenEntriesKeepTheirOrderAndTheGroupSitsBeforeTheSeparator) {
  AppMenuState state;
  state.versionCaption = L"版本号:1.1.0";
  const std::vector<MenuEntry> menu = AppMenuEntries(state);
  std::vector<std::wstring> captions;
  for (const MenuEntry& e : menu) captions.push_back(e.separator ? L"-" : e.caption);
  EXPECT_EQ(captions, (std::vector<std::wstring>{
                          L"刷新(F5)", L"隐藏/恢复(F10)", L"清除缓存", kMuteCaption,
                          kScreenshotCaption, kTopmostCaption, L"缩放 100%", L"-", L"更新",
                          L"版本号:1.1.0", L"退出"}));
  // The original seven, with their commands, in their order once the group is taken out.
  std::vector<std::pair<unsigned, std::wstring>> original;
  for (const MenuEntry& e : menu) {
    if (e.separator || (e.id >= kCmdRefresh && e.id <= kCmdExit)) {
      original.emplace_back(e.id, e.separator ? L"-" : e.caption);
    }
  }
  EXPECT_EQ(original, (std::vector<std::pair<unsigned, std::wstring>>{
                          {kCmdRefresh, L"刷新(F5)"}, {kCmdHideRestore, L"隐藏/恢复(F10)"},
                          {kCmdClearCache, L"清除缓存"}, {0, L"-"}, {kCmdUpdate, L"更新"},
                          {kCmdVersion, L"版本号:1.1.0"}, {kCmdExit, L"退出"}}));
  const MenuEntry& zoom = menu[6];
  ASSERT_EQ(zoom.submenu.size(), 3u);
  EXPECT_EQ(zoom.submenu[0].id, kCmdZoomIn);
  EXPECT_EQ(zoom.submenu[1].id, kCmdZoomOut);
  EXPECT_EQ(zoom.submenu[2].id, kCmdZoomReset);
  EXPECT_EQ(zoom.submenu[2].caption.rfind(L"100%", 0), 0u);
}

TEST(AppMenu, StateShowsAsChecksGreyAndThePercentage) {
  struct Case {
    AppMenuState state;
    bool muteChecked, muteEnabled, topChecked;
    const wchar_t* zoom;
  } cases[] = {
      {{L"v", true, true, false, 125}, true, true, false, L"缩放 125%"},
      {{L"v", false, true, true, 50}, false, true, true, L"缩放 50%"},
      {{L"v", true, false, false, 200}, true, false, false, L"缩放 200%"},
  };
  for (const Case& c : cases) {
    const auto menu = AppMenuEntries(c.state);
    EXPECT_EQ(menu[3].checked, c.muteChecked);
    EXPECT_EQ(menu[3].enabled, c.muteEnabled);
    EXPECT_EQ(menu[5].checked, c.topChecked);
    EXPECT_EQ(menu[6].caption, c.zoom);
    for (size_t i : {0u, 1u, 2u, 4u, 8u, 9u, 10u}) {
      EXPECT_FALSE(menu[i].checked) << i;
      EXPECT_TRUE(menu[i].enabled) << i;
    }
  }
}

TEST(Shortcuts, OnlyCtrlCombinationsAreTaken) {
  const KeyModifiers none{}, ctrl{true}, ctrlShift{true, true}, ctrlAlt{true, false, true},
      shift{false, true};
  struct Case {
    unsigned vk;
    KeyModifiers mods;
    std::optional<MenuCommand> expected;
  } cases[] = {
      {0xBB, ctrl, kCmdZoomIn},       {0x6B, ctrl, kCmdZoomIn},     {0xBB, ctrlShift, kCmdZoomIn},
      {0xBD, ctrl, kCmdZoomOut},      {0x6D, ctrl, kCmdZoomOut},    {0x30, ctrl, kCmdZoomReset},
      {0x60, ctrl, kCmdZoomReset},    {0x4D, ctrlShift, kCmdMute},  {0x53, ctrlShift, kCmdScreenshot},
      // What games and pages use stays theirs.
      {0x4D, ctrl, std::nullopt},     {0x53, ctrl, std::nullopt},   {0x4D, none, std::nullopt},
      {0x30, none, std::nullopt},     {0xBB, none, std::nullopt},   {0xBD, shift, std::nullopt},
      {0x74, ctrl, std::nullopt},     {0x20, ctrl, std::nullopt},   {0x0D, ctrlShift, std::nullopt},
      {0x25, ctrl, std::nullopt},     {0x30, ctrlShift, std::nullopt},
      // AltGr arrives as Ctrl+Alt.
      {0xBB, ctrlAlt, std::nullopt},  {0x4D, {true, true, true}, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShortcutForKey(c.vk, c.mods), c.expected)
        << std::hex << c.vk << " " << c.mods.ctrl << c.mods.shift << c.mods.alt;
  }
}

TEST(Shortcuts, TheWheelZoomsOneStepPerNotchAddingUpParts) {
  const KeyModifiers ctrl{true};
  struct Case {
    const char* name;
    std::vector<int> deltas;
    std::vector<int> steps;
    KeyModifiers mods;
  } cases[] = {
      {"one notch each way", {120, -120}, {1, -1}, ctrl},
      {"two notches at once", {240}, {2}, ctrl},
      {"touch pad parts", {40, 40, 40, 40}, {0, 0, 1, 0}, ctrl},
      {"a turn back drops what was left", {100, -30, -100}, {0, 0, -1}, ctrl},
      {"without Ctrl the page scrolls", {120, 240}, {0, 0}, {}},
      {"AltGr", {120}, {0}, {true, false, true}},
  };
  for (const Case& c : cases) {
    WheelZoom wheel;
    std::vector<int> steps;
    for (int d : c.deltas) steps.push_back(wheel.Turn(d, c.mods));
    EXPECT_EQ(steps, c.steps) << c.name;
  }
}

}  // namespace
}  // namespace qorv::gamewindow
