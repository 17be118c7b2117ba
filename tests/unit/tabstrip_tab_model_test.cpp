#include "tabstrip/tab_model.h"

#include "base/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace qorv::tabstrip {
namespace {

// Every call the model makes, in order, in one journal.
struct Journal {
  std::vector<std::string> lines;
  void Log(std::string s) { lines.push_back(std::move(s)); }
  std::string Joined() const {
    std::string out;
    for (auto& l : lines) out += (out.empty() ? "" : "|") + l;
    return out;
  }
};

struct FakeOps : ITabWindowOps {
  Journal* j;
  explicit FakeOps(Journal* journal) : j(journal) {}
  int32_t GetStyle(WindowHandle h) override {
    j->Log("GetStyle " + std::to_string(h));
    return static_cast<int32_t>(0x10000000 | h);
  }
  void SetStyle(WindowHandle h, int32_t s) override {
    j->Log("SetStyle " + std::to_string(h) + " " + std::to_string(s));
  }
  void SetActiveWindow(WindowHandle h) override { j->Log("SetActiveWindow " + std::to_string(h)); }
  void SetParentNone(WindowHandle h) override { j->Log("SetParentNone " + std::to_string(h)); }
  int32_t ScreenWidth() override { return 1280; }
  int32_t ScreenHeight() override { return 1024; }
  PixelRect GetWindowRect(WindowHandle) override {
    return PixelRect::Edges(10, 10, 10 + 301, 10 + 200);
  }
  void ShowTopAt(WindowHandle h, int32_t x, int32_t y) override {
    j->Log("ShowTopAt " + std::to_string(h) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  void RedrawWindow(WindowHandle h) override { j->Log("RedrawWindow " + std::to_string(h)); }
};

struct FakeForm : ITabForm {
  Journal* j;
  WindowHandle h;
  int unloads = 0;
  IuTab* implement = nullptr;
  std::weak_ptr<CTabItem> item;
  FakeForm(Journal* journal, WindowHandle handle) : j(journal), h(handle) {}
  WindowHandle hWnd() const override { return h; }
  void Initialize(IuTab* Implement, const std::shared_ptr<CTabItem>& Item) override {
    j->Log("Initialize " + std::to_string(h) + (Implement ? " strip" : " none"));
    implement = Implement;
    item = Item;
  }
  void RefreshPage() override { j->Log("RefreshPage " + std::to_string(h)); }
  void UnloadPage() override {
    ++unloads;
    j->Log("Unload " + std::to_string(h));
  }
};

struct FakeStrip : IuTab {
  Journal* j;
  std::shared_ptr<CTabItems> items;
  int32_t selected = -1;
  bool allowRemove = true;
  bool failRemove = false;
  std::function<void(int32_t)> onBeforeRemove;  // runs inside BeforeRemove
  explicit FakeStrip(Journal* journal, ITabWindowOps& ops)
      : j(journal), items(std::make_shared<CTabItems>(ops)) {
    items->BindOwner(this);
  }
  void Add(const std::wstring&, const std::shared_ptr<ITabForm>& Form,
           const std::optional<std::wstring>& Key, const std::optional<TabIndex>&) override {
    j->Log("Add " + std::to_string(Form->hWnd()) + (Key ? " key" : " nokey"));
  }
  bool BeforeRemove(int32_t Index) override {
    // The handler may destroy this strip: nothing of it is touched afterwards.
    auto handler = onBeforeRemove;
    bool allow = allowRemove;
    j->Log("BeforeRemove " + std::to_string(Index));
    if (handler) handler(Index);
    return allow;
  }
  void Remove(int32_t Index) override {
    j->Log("Remove " + std::to_string(Index));
    if (failRemove) throw std::runtime_error("drawing failed");
  }
  void Clear() override { j->Log("Clear"); }
  void Redraw(bool bUpdate) override { j->Log(bUpdate ? "Redraw true" : "Redraw false"); }
  void ChangeForm(CTabItem&, const std::shared_ptr<ITabForm>& Form) override {
    j->Log("ChangeForm " + std::to_string(Form->hWnd()));
  }
  int32_t Selected() const override { return selected; }
  void SetSelected(int32_t v) override {
    j->Log("SetSelected " + std::to_string(v));
    selected = v;
  }
  CTabItems& TabItems() override { return *items; }
  WindowHandle hWnd() const override { return 900; }
  WindowHandle hParent() const override { return 901; }
  uTab* Control() override { return nullptr; }
};

class TabModel : public ::testing::Test {
 protected:
  Journal journal;
  FakeOps ops{&journal};
  FakeStrip strip{&journal, ops};
  std::vector<std::shared_ptr<FakeForm>> forms;

  std::shared_ptr<FakeForm> NewForm() {
    forms.push_back(std::make_shared<FakeForm>(&journal, 100 + forms.size()));
    return forms.back();
  }
  // Adds n pages under keys "k0".."k(n-1)".
  void AddPages(int n) {
    for (int i = 0; i < n; ++i) {
      auto key = L"k" + std::to_wstring(forms.size());
      strip.items->Add(L"caption", NewForm(), key);
    }
    journal.lines.clear();
  }
  std::vector<WindowHandle> Order() const {
    std::vector<WindowHandle> out;
    for (int32_t i = 0; i < strip.items->Count(); ++i)
      out.push_back(strip.items->Item(i)->Form()->hWnd());
    return out;
  }
};

TEST_F(TabModel, EmptyCollectionFindsNothing) {
  EXPECT_EQ(strip.items->Count(), 0);
  for (const TabIndex& idx : {TabIndex{0}, TabIndex{L"0"}, TabIndex{0.0}, TabIndex{}})
    EXPECT_EQ(strip.items->FindItem(idx), -1);
  EXPECT_EQ(strip.items->Item(0), nullptr);
  EXPECT_FALSE(strip.items->Remove(0));
  EXPECT_TRUE(journal.lines.empty());
}

TEST_F(TabModel, AddBindsInitialisesTwiceAndTellsTheStripInOrder) {
  auto form = NewForm();
  ASSERT_TRUE(strip.items->Add(L"Game", form, L"GameKey"));
  EXPECT_EQ(journal.Joined(),
            "GetStyle 100|Initialize 100 strip|Redraw true|Initialize 100 strip|ChangeForm 100|"
            "Add 100 key|SetActiveWindow 900");
  auto item = strip.items->Item(0);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Caption(), L"Game");
  EXPECT_EQ(item->SavedStyle(), 0x10000000 | 100);
  EXPECT_EQ(item->Owner(), &strip);
  EXPECT_EQ(form->item.lock(), item);
  EXPECT_EQ(form->implement, &strip);
  EXPECT_EQ(form->unloads, 0);
}

TEST_F(TabModel, AddIndexRulesAndErrors) {
  struct Case {
    const char* name;
    TabIndex index;
    int error;  // 0: inserted
    std::vector<WindowHandle> order;  // after the add; the new page is 102
  } cases[] = {
      {"count appends", 2, 0, {100, 101, 102}},
      {"zero goes first", 0, 0, {102, 100, 101}},
      {"middle", 1, 0, {100, 102, 101}},
      {"digits are numeric here", std::wstring(L" 1 "), 0, {100, 102, 101}},
      {"half goes to even 0", 0.5, 0, {102, 100, 101}},
      {"one and a half goes to 2", 1.5, 0, {100, 101, 102}},
      {"nothing given appends", std::monostate{}, 0, {100, 101, 102}},
      {"count plus one", 3, kErrSubscript, {100, 101}},
      {"minus one", -1, kErrSubscript, {100, 101}},
      {"2.6 rounds to 3", 2.6, kErrSubscript, {100, 101}},
      {"beyond 32 bits", 1e12, kErrSubscript, {100, 101}},
      {"text", std::wstring(L"abc"), kErrInvalidCall, {100, 101}},
      {"empty text", std::wstring(), kErrInvalidCall, {100, 101}},
      {"not a number", std::numeric_limits<double>::quiet_NaN(), kErrSubscript, {100, 101}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    Journal j;
    FakeOps o{&j};
    FakeStrip s{&j, o};
    std::vector<std::shared_ptr<FakeForm>> pages;
    for (int i = 0; i < 3; ++i) pages.push_back(std::make_shared<FakeForm>(&j, 100 + i));
    s.items->Add(L"a", pages[0]);
    s.items->Add(L"b", pages[1]);
    j.lines.clear();
    if (c.error) {
      try {
        s.items->Add(L"c", pages[2], std::nullopt, c.index);
        ADD_FAILURE() << "no error";
      } catch (const TabError& e) {
        EXPECT_EQ(e.Number(), c.error);
      }
      // Steps before the insertion ran; the strip was not told of an addition.
      EXPECT_EQ(j.Joined(),
                "GetStyle 102|Initialize 102 strip|Redraw true|Initialize 102 strip|ChangeForm 102");
      EXPECT_EQ(pages[2]->unloads, 0);
    } else {
      EXPECT_TRUE(s.items->Add(L"c", pages[2], std::nullopt, c.index));
    }
    std::vector<WindowHandle> order;
    for (int32_t i = 0; i < s.items->Count(); ++i) order.push_back(s.items->Item(i)->Form()->hWnd());
    EXPECT_EQ(order, c.order);
  }
}

TEST_F(TabModel, KeysAreUniqueWithoutRegardToCase) {
  strip.items->Add(L"a", NewForm(), L"GameHTTP://Host/ä");
  for (const wchar_t* dup : {L"gamehttp://host/Ä", L"GAMEHTTP://HOST/Ä"}) {
    try {
      strip.items->Add(L"b", NewForm(), std::wstring(dup));
      ADD_FAILURE() << "duplicate accepted";
    } catch (const TabError& e) {
      EXPECT_EQ(e.Number(), kErrDuplicateKey);
    }
  }
  EXPECT_EQ(strip.items->Count(), 1);
  EXPECT_EQ(strip.items->FindItem(std::wstring(L"GAMEhttp://HOST/Ä")), 0);
  EXPECT_TRUE(strip.items->Add(L"c", NewForm(), std::wstring(L"Game2")));
  EXPECT_EQ(strip.items->Count(), 2);
}

TEST_F(TabModel, AddWithoutAFormIsAnError) {
  try {
    strip.items->Add(L"x", nullptr);
    ADD_FAILURE();
  } catch (const TabError& e) {
    EXPECT_EQ(e.Number(), kErrNoObject);
  }
  EXPECT_TRUE(journal.lines.empty());
}

TEST_F(TabModel, FindItemTestsKeyThenNumberThenFormThenItem) {
  AddPages(5);
  // An item stored under the key "3" sits at position 0.
  auto keyed = NewForm();
  strip.items->Add(L"x", keyed, std::wstring(L"3"), 0);
  auto stranger = std::make_shared<FakeForm>(&journal, 77);
  auto loose = CTabItem::Create();
  struct Case {
    const char* name;
    TabIndex index;
    int32_t expected;
  } cases[] = {
      {"digit string is a key", std::wstring(L"3"), 0},
      {"number is a position", 3, 3},
      {"double 2.5 goes to even 2", 2.5, 2},
      {"double 3.5 goes to 4", 3.5, 4},
      {"last position", 5, 5},
      {"past the end", 6, -1},
      {"negative", -1, -1},
      {"huge", 1e300, -1},
      {"nan", std::numeric_limits<double>::quiet_NaN(), -1},
      {"missing key", std::wstring(L"nope"), -1},
      {"key, other case", std::wstring(L"K2"), 3},
      {"form", static_cast<const ITabForm*>(forms[4].get()), 5},
      {"form not in the list", static_cast<const ITabForm*>(stranger.get()), -1},
      {"item", static_cast<const CTabItem*>(strip.items->Item(2).get()), 2},
      {"item not in the list", static_cast<const CTabItem*>(loose.get()), -1},
      {"null form", static_cast<const ITabForm*>(nullptr), -1},
      {"nothing", std::monostate{}, -1},
  };
  for (auto& c : cases) EXPECT_EQ(strip.items->FindItem(c.index), c.expected) << c.name;
}

TEST_F(TabModel, FindItemWithAFormGivesTheFirstItemShowingIt) {
  AddPages(2);
  // Item 1 is given the page of item 0: both now show it.
  strip.items->Item(1)->SetForm(forms[0]);
  EXPECT_EQ(strip.items->FindItem(static_cast<const ITabForm*>(forms[0].get())), 0);
  EXPECT_EQ(strip.items->FindItem(static_cast<const ITabForm*>(forms[1].get())), -1);
}

TEST_F(TabModel, ItemByKeyByPositionAndErrors) {
  AddPages(3);
  EXPECT_EQ(strip.items->Item(std::wstring(L"K1"))->Form()->hWnd(), 101u);
  EXPECT_EQ(strip.items->Item(2)->Form()->hWnd(), 102u);
  EXPECT_EQ(strip.items->Item(-1), nullptr);
  EXPECT_EQ(strip.items->Item(3), nullptr);
  EXPECT_EQ(strip.items->Item(2.4), nullptr);  // beyond the last position
  EXPECT_EQ(strip.items->Item(1.5)->Form()->hWnd(), 102u);
  EXPECT_EQ(strip.items->Item(static_cast<const ITabForm*>(forms[0].get())), nullptr);
  try {
    strip.items->Item(std::wstring(L"missing"));
    ADD_FAILURE();
  } catch (const TabError& e) {
    EXPECT_EQ(e.Number(), kErrInvalidCall);
  }
}

TEST_F(TabModel, RemoveAsksTheStripThenTellsItThenUnloads) {
  AddPages(3);
  EXPECT_TRUE(strip.items->Remove(std::wstring(L"k1")));
  EXPECT_EQ(journal.Joined(), "BeforeRemove 1|Remove 1|Unload 101");
  EXPECT_EQ(Order(), (std::vector<WindowHandle>{100, 102}));
  EXPECT_EQ(forms[1]->unloads, 1);
}

TEST_F(TabModel, StripFailingAfterTheRemovalStillGetsThePageUnloaded) {
  AddPages(2);
  strip.failRemove = true;
  EXPECT_THROW(strip.items->Remove(0), std::runtime_error);
  EXPECT_EQ(journal.Joined(), "BeforeRemove 0|Remove 0|Unload 100");
  EXPECT_EQ(Order(), (std::vector<WindowHandle>{101}));
}

TEST_F(TabModel, VetoedRemovalChangesNothing) {
  AddPages(3);
  strip.allowRemove = false;
  EXPECT_FALSE(strip.items->Remove(1));
  EXPECT_EQ(journal.Joined(), "BeforeRemove 1");
  EXPECT_EQ(Order(), (std::vector<WindowHandle>{100, 101, 102}));
  EXPECT_EQ(forms[1]->unloads, 0);
}

TEST_F(TabModel, RemoveWithoutUnloadLeavesThePageLoadedForGood) {
  AddPages(2);
  std::weak_ptr<CTabItem> item = strip.items->Item(0);
  EXPECT_TRUE(strip.items->Remove(0, false));
  EXPECT_EQ(journal.Joined(), "BeforeRemove 0|Remove 0");
  EXPECT_TRUE(item.expired());  // the item is gone, and did not unload the page on its way
  EXPECT_EQ(forms[0]->unloads, 0);
}

TEST_F(TabModel, RemoveOfSomethingNotListedAsksNobody) {
  AddPages(2);
  auto stranger = std::make_shared<FakeForm>(&journal, 55);
  EXPECT_FALSE(strip.items->Remove(std::wstring(L"missing")));
  EXPECT_FALSE(strip.items->Remove(2));
  EXPECT_FALSE(strip.items->Remove(static_cast<const ITabForm*>(stranger.get())));
  EXPECT_TRUE(journal.lines.empty());
}

TEST_F(TabModel, HandlerThatClearsTheListWhileAskedRemovesNothingTwice) {
  AddPages(3);
  strip.onBeforeRemove = [this](int32_t) { strip.items->Clear(); };
  EXPECT_FALSE(strip.items->Remove(1));
  EXPECT_EQ(journal.Joined(), "BeforeRemove 1|Unload 100|Unload 101|Unload 102");
  EXPECT_EQ(strip.items->Count(), 0);
  for (auto& f : forms) EXPECT_EQ(f->unloads, 1);
}

TEST_F(TabModel, HandlerThatInsertsBeforeTheTabShiftsWhatTheStripIsTold) {
  AddPages(3);
  strip.onBeforeRemove = [this](int32_t) {
    strip.onBeforeRemove = nullptr;
    strip.items->Add(L"new", NewForm(), std::nullopt, 0);
  };
  EXPECT_TRUE(strip.items->Remove(1));
  EXPECT_NE(journal.Joined().find("Remove 2|Unload 101"), std::string::npos) << journal.Joined();
  EXPECT_EQ(Order(), (std::vector<WindowHandle>{103, 100, 102}));
}

TEST_F(TabModel, HandlerThatDestroysTheStripLeavesAConsistentCollection) {
  Journal j;
  FakeOps o{&j};
  auto owner = std::make_unique<FakeStrip>(&j, o);
  std::vector<std::shared_ptr<FakeForm>> pages;
  for (int i = 0; i < 2; ++i) {
    pages.push_back(std::make_shared<FakeForm>(&j, 200 + i));
    owner->items->Add(L"p", pages.back());
  }
  CTabItems* list = owner->items.get();
  // The strip's teardown: unbind, drop the collection, go.
  owner->onBeforeRemove = [&owner](int32_t) {
    owner->items->BindOwner(nullptr);
    owner->items.reset();
    owner.reset();
  };
  j.lines.clear();
  EXPECT_TRUE(list->Remove(0));
  // The strip is not told of the removal; the collection went with its last holder when Remove
  // returned, and its remaining item unloaded its page.
  EXPECT_EQ(j.Joined(), "BeforeRemove 0|Unload 200|Unload 201");
  EXPECT_EQ(pages[1]->unloads, 1);
}

TEST_F(TabModel, ClearUnloadsEveryPageAndTellsTheStripNothing) {
  AddPages(3);
  strip.selected = 2;
  std::weak_ptr<CTabItem> first = strip.items->Item(0);
  EXPECT_FALSE(strip.items->Clear());
  EXPECT_EQ(journal.Joined(), "Unload 100|Unload 101|Unload 102");
  EXPECT_EQ(strip.items->Count(), 0);
  EXPECT_EQ(strip.items->Selected(), 2);
  EXPECT_TRUE(first.expired());
  for (auto& f : forms) EXPECT_EQ(f->unloads, 1);
}

TEST_F(TabModel, DestroyingTheCollectionUnloadsThePagesItStillHolds) {
  AddPages(2);
  strip.items->BindOwner(nullptr);
  strip.items.reset();
  for (auto& f : forms) EXPECT_EQ(f->unloads, 1);
}

TEST_F(TabModel, OwnedItemRepaintsTheStripOncePerAssignment) {
  AddPages(1);
  auto item = strip.items->Item(0);
  item->SetCaption(L"title");
  item->SetHideButton(true);
  item->SetLockSize(true);
  item->SetItemData(42);
  item->SetLeft(5);
  item->SetWidth(6);
  EXPECT_EQ(journal.Joined(), "Redraw true|Redraw true|Redraw true");
  auto loose = CTabItem::Create();
  journal.lines.clear();
  loose->SetCaption(L"x");
  loose->SetHideButton(true);
  EXPECT_TRUE(journal.lines.empty());
}

TEST_F(TabModel, AssigningAFormInitialisesItThenTellsTheStrip) {
  AddPages(1);
  auto other = NewForm();
  strip.items->Item(0)->SetForm(other);
  EXPECT_EQ(journal.Joined(), "Initialize 101 strip|ChangeForm 101");
  auto loose = CTabItem::Create();
  journal.lines.clear();
  loose->SetForm(other);
  EXPECT_EQ(journal.Joined(), "Initialize 101 none");
  loose.reset();  // an item that goes while answering for its page unloads it
  EXPECT_EQ(other->unloads, 1);
}

TEST_F(TabModel, ReleaseFormDetachesCentresAndRestoresTheStyle) {
  AddPages(2);
  int32_t saved = strip.items->Item(1)->SavedStyle();
  EXPECT_TRUE(strip.items->ReleaseForm(std::wstring(L"k1")));
  // Screen 1280 x 1024, page 301 x 200: (979 / 2 = 489.5 -> 490, 824 / 2 = 412).
  EXPECT_EQ(journal.Joined(), "BeforeRemove 1|Remove 1|SetParentNone 101|SetStyle 101 " +
                                  std::to_string(saved) + "|ShowTopAt 101 490,412|RedrawWindow 901");
  EXPECT_EQ(forms[1]->unloads, 0);
  EXPECT_EQ(strip.items->Count(), 1);
}

TEST_F(TabModel, VetoedOrMissingReleaseLeavesThePageInTheStrip) {
  AddPages(1);
  EXPECT_FALSE(strip.items->ReleaseForm());
  EXPECT_FALSE(strip.items->ReleaseForm(std::wstring(L"missing")));
  strip.allowRemove = false;
  EXPECT_FALSE(strip.items->ReleaseForm(0));
  EXPECT_EQ(journal.Joined(), "BeforeRemove 0");
  EXPECT_EQ(strip.items->Count(), 1);
}

TEST(TabKeys, CaseFoldingAndNumericText) {
  EXPECT_EQ(FoldKeyCase(L"GameABC://Ä-Ω-Ж-Ａ"), FoldKeyCase(L"gameabc://ä-ω-ж-ａ"));
  EXPECT_NE(FoldKeyCase(L"Game1"), FoldKeyCase(L"Game2"));
  EXPECT_EQ(FoldKeyCase(L"×"), L"×");  // the multiplication sign is not a letter
  struct Case {
    const wchar_t* text;
    std::optional<double> value;
  } cases[] = {{L"3", 3},       {L" -2.5 ", -2.5}, {L"+.5", 0.5},  {L"1e2", 100},
               {L"4.", 4},      {L"", {}},         {L" ", {}},    {L"abc", {}},
               {L"3a", {}},     {L"1e", {}},       {L".", {}},    {L"--1", {}},
               {L"1 2", {}},    {L"0x10", {}}};
  for (auto& c : cases) {
    auto v = ParseNumericText(c.text);
    EXPECT_EQ(v.has_value(), c.value.has_value()) << WideToUtf8(c.text);
    if (v && c.value) {
      EXPECT_DOUBLE_EQ(*v, *c.value);
    }
  }
}

}  // namespace
}  // namespace qorv::tabstrip
