// The tab item model: one CTabItem per tab, the ordered and keyed CTabItems list, and the two
// interfaces that join it to the page forms (ITabForm) and to the strip that shows it (IuTab).
//
// Pure code: window handles are opaque integers here, and the few window calls the model makes
// (read a page's style, activate the strip, hand a page back as a free window) go through
// ITabWindowOps, which the strip implements over Win32 and the unit tests fake.
//
// Ownership: the strip owns the collection (a shared_ptr, so that a collection call that is
// raising an event through the strip survives a handler that destroys the strip); the collection
// owns its items; an item owns its page form and unloads it when the item goes while still
// responsible for it. A page that keeps its item should keep it weakly: the item already keeps
// the page.
//
// Misuse is reported by throwing TabError with the number the caller expects (5 invalid
// argument, 9 out of range, 91 no object, 457 duplicate key).
#pragma once

#include <any>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "base/geometry.h"

namespace qorv::tabstrip {

using WindowHandle = std::uintptr_t;

inline constexpr int kErrInvalidCall = 5;
inline constexpr int kErrSubscript = 9;
inline constexpr int kErrNoObject = 91;
inline constexpr int kErrDuplicateKey = 457;

class TabError : public std::runtime_error {
 public:
  explicit TabError(int number);
  int Number() const { return m_number; }

 private:
  int m_number;
};

class CTabItem;
class CTabItems;
class IuTab;
class ITabForm;
class uTab;

// What an Index argument may hold, tested in this order: a key, a position (whole or not), a
// page form, an item. A string of digits is a key. std::monostate is "nothing given".
using TabIndex = std::variant<std::monostate, std::wstring, int32_t, double, const ITabForm*,
                              const CTabItem*>;

// The window calls the model makes; the strip supplies the Win32 version.
class ITabWindowOps {
 public:
  virtual int32_t GetStyle(WindowHandle h) = 0;
  virtual void SetStyle(WindowHandle h, int32_t style) = 0;
  virtual void SetActiveWindow(WindowHandle h) = 0;
  virtual void SetParentNone(WindowHandle h) = 0;
  virtual int32_t ScreenWidth() = 0;
  virtual int32_t ScreenHeight() = 0;
  virtual PixelRect GetWindowRect(WindowHandle h) = 0;
  // Top of the z-order at (x, y), size kept, frame recomputed, shown.
  virtual void ShowTopAt(WindowHandle h, int32_t x, int32_t y) = 0;
  // The whole window invalidated, with a paint message even when nothing is invalid.
  virtual void RedrawWindow(WindowHandle h) = 0;

 protected:
  ~ITabWindowOps() = default;
};

// A page form as the model sees it.
class ITabForm {
 public:
  virtual ~ITabForm() = default;
  virtual WindowHandle hWnd() const = 0;
  // Binds the page to its strip (possibly none yet) and its item. Called more than once with the
  // same arguments; must behave as if called once.
  virtual void Initialize(IuTab* Implement, const std::shared_ptr<CTabItem>& Item) = 0;
  virtual void RefreshPage() = 0;
  // Closes the page form (its unload handling, then its window). A second call does nothing.
  virtual void UnloadPage() = 0;
};

// The strip as the model sees it.
class IuTab {
 public:
  virtual void Add(const std::wstring& Caption, const std::shared_ptr<ITabForm>& Form,
                   const std::optional<std::wstring>& Key,
                   const std::optional<TabIndex>& Index) = 0;
  virtual bool BeforeRemove(int32_t Index) = 0;  // false vetoes the removal
  virtual void Remove(int32_t Index) = 0;
  virtual void Clear() = 0;
  virtual void Redraw(bool bUpdate) = 0;
  virtual void ChangeForm(CTabItem& Item, const std::shared_ptr<ITabForm>& Form) = 0;
  virtual int32_t Selected() const = 0;
  virtual void SetSelected(int32_t value) = 0;
  virtual CTabItems& TabItems() = 0;
  virtual WindowHandle hWnd() const = 0;
  virtual WindowHandle hParent() const = 0;
  virtual uTab* Control() = 0;

 protected:
  ~IuTab() = default;
};

class CTabItem : public std::enable_shared_from_this<CTabItem> {
  struct Token {};

 public:
  static std::shared_ptr<CTabItem> Create() { return std::make_shared<CTabItem>(Token{}); }
  explicit CTabItem(Token) {}
  CTabItem(const CTabItem&) = delete;
  CTabItem& operator=(const CTabItem&) = delete;
  // Unloads the page form when the item still answers for it.
  ~CTabItem();

  void BindOwner(IuTab* owner) { m_owner = owner; }
  IuTab* Owner() const { return m_owner; }

  const std::wstring& Caption() const { return m_caption; }
  void SetCaption(std::wstring value);  // redraws the strip

  const std::shared_ptr<ITabForm>& Form() const { return m_form; }
  // Initialises the page (with the owner, possibly none) and then tells the strip.
  void SetForm(std::shared_ptr<ITabForm> value);

  int32_t SavedStyle() const { return m_savedStyle; }
  void SetSavedStyle(int32_t value) { m_savedStyle = value; }

  bool HideButton() const { return m_hideButton; }
  void SetHideButton(bool value);  // redraws the strip

  // Written by the strip's layout only.
  int32_t Left() const { return m_left; }
  void SetLeft(int32_t value) { m_left = value; }
  int32_t Width() const { return m_width; }
  void SetWidth(int32_t value) { m_width = value; }

  bool LockSize() const { return m_lockSize; }
  void SetLockSize(bool value);  // redraws the strip; the new width shows at the next layout

  // Anything the host keeps with the tab: a value is copied, an object is kept as its
  // shared_ptr. The strip never reads it.
  const std::any& ItemData() const { return m_itemData; }
  void SetItemData(std::any value) { m_itemData = std::move(value); }

 private:
  friend class CTabItems;
  // The page is no longer the item's to unload: it was unloaded, or handed back to the host.
  void DropPageDuty() { m_unloadsPage = false; }

  std::wstring m_caption;
  std::shared_ptr<ITabForm> m_form;
  int32_t m_savedStyle = 0;
  bool m_hideButton = false;
  IuTab* m_owner = nullptr;
  int32_t m_left = 0;
  int32_t m_width = 0;
  bool m_lockSize = false;
  std::any m_itemData;
  bool m_unloadsPage = false;
};

class CTabItems : public std::enable_shared_from_this<CTabItems> {
 public:
  explicit CTabItems(ITabWindowOps& ops) : m_ops(ops) {}
  CTabItems(const CTabItems&) = delete;
  CTabItems& operator=(const CTabItems&) = delete;

  // The strip binds itself at creation and unbinds at teardown; items follow.
  void BindOwner(IuTab* owner);
  IuTab* Owner() const { return m_owner; }

  // Throws TabError 91 (no form), 5 (Index not numeric), 9 (Index outside 0..Count),
  // 457 (Key already present). The failures after the page was initialised and attached leave
  // the page loaded, hidden, in the container; the item is not in the list.
  bool Add(const std::wstring& Caption, const std::shared_ptr<ITabForm>& Form,
           const std::optional<std::wstring>& Key = std::nullopt,
           const std::optional<TabIndex>& Index = std::nullopt);
  // False when nothing matches, the strip vetoes, or the item left the list while the strip was
  // being asked.
  bool Remove(const TabIndex& Index, bool bUnload = true);
  // Unloads every page and empties the list without telling the strip. Always false.
  bool Clear();
  // A position or -1; never throws.
  int32_t FindItem(const TabIndex& Index) const;
  // Takes a tab's page out of the strip as a free, centred window. True when it did; a vetoed
  // removal leaves tab and page in the strip.
  bool ReleaseForm(const TabIndex& Index = std::monostate{});
  int32_t Count() const { return static_cast<int32_t>(m_list.size()); }
  // A missing key throws TabError 5; a position outside the list gives none.
  std::shared_ptr<CTabItem> Item(const TabIndex& Index) const;
  int32_t Selected() const;
  void SetSelected(int32_t value);

 private:
  struct Entry {
    std::shared_ptr<CTabItem> item;
    std::optional<std::wstring> key;  // as given
    std::wstring foldedKey;
  };
  int32_t PositionOf(const CTabItem* item) const;
  int32_t PositionOfKey(const std::wstring& key) const;

  ITabWindowOps& m_ops;
  IuTab* m_owner = nullptr;
  std::vector<Entry> m_list;
};

// Key comparison: letter case does not count (ASCII, Latin-1, Greek, Cyrillic, full-width Latin).
std::wstring FoldKeyCase(const std::wstring& key);

// A number written as text ("3", " -2.5 ", "1e2"): the text an Index counts as numeric.
std::optional<double> ParseNumericText(const std::wstring& text);

}  // namespace qorv::tabstrip
