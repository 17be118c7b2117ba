#include "tabstrip/tab_model.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "base/units.h"

namespace qorv::tabstrip {
namespace {

const char* ErrorText(int number) {
  switch (number) {
    case kErrInvalidCall: return "Invalid procedure call or argument";
    case kErrSubscript: return "Subscript out of range";
    case kErrNoObject: return "Object variable not set";
    case kErrDuplicateKey: return "This key is already associated with an element of this collection";
    default: return "Tab item error";
  }
}

wchar_t FoldChar(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 32);
  if (c < 0x80) return c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<wchar_t>(c + 32);  // Latin-1
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<wchar_t>(c + 32);  // Greek
  if (c >= 0x410 && c <= 0x42F) return static_cast<wchar_t>(c + 32);                // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 80);
  if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<wchar_t>(c + 32);              // full width
  return c;
}

// The numeric value of an Index, when it has one.
std::optional<double> NumericValue(const TabIndex& index) {
  if (auto* i = std::get_if<int32_t>(&index)) return static_cast<double>(*i);
  if (auto* d = std::get_if<double>(&index)) return *d;
  if (auto* s = std::get_if<std::wstring>(&index)) return ParseNumericText(*s);
  return std::nullopt;
}

// A position from a number: nearest integer, halves to even; nullopt outside 32 bits.
std::optional<int32_t> ToPosition(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  int64_t n = RoundHalfEven(value);
  if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(n);
}

}  // namespace

TabError::TabError(int number) : std::runtime_error(ErrorText(number)), m_number(number) {}

std::wstring FoldKeyCase(const std::wstring& key) {
  std::wstring out(key);
  for (auto& c : out) c = FoldChar(c);
  return out;
}

std::optional<double> ParseNumericText(const std::wstring& text) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == L' ' || text[b] == L'\t')) ++b;
  while (e > b && (text[e - 1] == L' ' || text[e - 1] == L'\t')) --e;
  size_t i = b;
  if (i < e && (text[i] == L'+' || text[i] == L'-')) ++i;
  size_t digits = 0;
  while (i < e && text[i] >= L'0' && text[i] <= L'9') ++i, ++digits;
  if (i < e && text[i] == L'.') {
    ++i;
    while (i < e && text[i] >= L'0' && text[i] <= L'9') ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < e && (text[i] == L'e' || text[i] == L'E')) {
    ++i;
    if (i < e && (text[i] == L'+' || text[i] == L'-')) ++i;
    size_t expDigits = 0;
    while (i < e && text[i] >= L'0' && text[i] <= L'9') ++i, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (i != e) return std::nullopt;
  std::string ascii;
  for (size_t k = b; k < e; ++k) ascii += static_cast<char>(text[k]);
  return std::strtod(ascii.c_str(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// CTabItem

CTabItem::~CTabItem() {
  if (m_unloadsPage && m_form) {
    try {
      m_form->UnloadPage();
    } catch (...) {
      // A destructor cannot report; the page's own unload handling logs what failed.
    }
  }
}

void CTabItem::SetCaption(std::wstring value) {
  m_caption = std::move(value);
  if (m_owner) m_owner->Redraw(true);
}

void CTabItem::SetForm(std::shared_ptr<ITabForm> value) {
  auto keep = weak_from_this().lock();
  m_form = std::move(value);
  m_unloadsPage = m_form != nullptr;
  if (!m_form) return;
  auto form = m_form;  // the page's Initialize may replace it again
  form->Initialize(m_owner, keep);
  if (m_owner) m_owner->ChangeForm(*this, form);
}

void CTabItem::SetHideButton(bool value) {
  m_hideButton = value;
  if (m_owner) m_owner->Redraw(true);
}

void CTabItem::SetLockSize(bool value) {
  m_lockSize = value;
  if (m_owner) m_owner->Redraw(true);
}

// ---------------------------------------------------------------------------------------------
// CTabItems

void CTabItems::BindOwner(IuTab* owner) {
  m_owner = owner;
  for (auto& e : m_list) e.item->BindOwner(owner);
}

int32_t CTabItems::PositionOf(const CTabItem* item) const {
  for (size_t i = 0; i < m_list.size(); ++i) {
    if (m_list[i].item.get() == item) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t CTabItems::PositionOfKey(const std::wstring& key) const {
  std::wstring folded = FoldKeyCase(key);
  for (size_t i = 0; i < m_list.size(); ++i) {
    if (m_list[i].key && m_list[i].foldedKey == folded) return static_cast<int32_t>(i);
  }
  return -1;
}

bool CTabItems::Add(const std::wstring& Caption, const std::shared_ptr<ITabForm>& Form,
                    const std::optional<std::wstring>& Key, const std::optional<TabIndex>& Index) {
  auto keepList = weak_from_this().lock();
  if (!Form) throw TabError(kErrNoObject);
  WindowHandle h = Form->hWnd();
  int32_t style = m_ops.GetStyle(h);

  auto item = CTabItem::Create();
  item->SetSavedStyle(style);
  item->BindOwner(m_owner);
  Form->Initialize(m_owner, item);
  item->SetCaption(Caption);
  item->SetForm(Form);

  // From here a failure leaves the page initialised and attached, hidden; the host, which still
  // holds the page, decides what becomes of it, so the discarded item must not unload it.
  try {
    bool indexGiven = Index && !std::holds_alternative<std::monostate>(*Index);
    size_t at = m_list.size();
    if (indexGiven) {
      auto value = NumericValue(*Index);
      if (!value) throw TabError(kErrInvalidCall);
      auto g = ToPosition(*value);
      if (!g || *g < 0 || *g > Count()) throw TabError(kErrSubscript);
      at = static_cast<size_t>(*g);
    }
    if (Key && PositionOfKey(*Key) != -1) throw TabError(kErrDuplicateKey);
    Entry entry{item, Key, Key ? FoldKeyCase(*Key) : std::wstring()};
    m_list.insert(m_list.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
  } catch (...) {
    item->DropPageDuty();
    throw;
  }

  if (m_owner) m_owner->Add(Caption, Form, Key, Index);
  // The strip may have gone while it was told (a handler destroyed it): nothing to activate.
  if (m_owner) m_ops.SetActiveWindow(m_owner->hWnd());
  return true;
}

bool CTabItems::Remove(const TabIndex& Index, bool bUnload) {
  auto keepList = weak_from_this().lock();
  int32_t i = FindItem(Index);
  if (i == -1) return false;
  std::shared_ptr<CTabItem> item = m_list[static_cast<size_t>(i)].item;
  std::shared_ptr<ITabForm> form = item->Form();

  if (m_owner && !m_owner->BeforeRemove(i)) return false;
  // The strip's handler may have changed the list (cleared it, removed or inserted tabs): the
  // item is removed from where it stands now, and not at all when it is already gone.
  int32_t at = PositionOf(item.get());
  if (at == -1) return false;

  m_list.erase(m_list.begin() + at);
  item->DropPageDuty();
  try {
    if (m_owner) m_owner->Remove(at);
  } catch (...) {
    // The strip failed to redraw; the tab is gone all the same, so its page goes too.
    if (bUnload && form) form->UnloadPage();
    throw;
  }
  if (bUnload && form) form->UnloadPage();
  return true;
}

bool CTabItems::Clear() {
  auto keepList = weak_from_this().lock();
  // A page's unload handling may touch the list; the pages unloaded are those listed now.
  std::vector<std::shared_ptr<CTabItem>> items;
  items.reserve(m_list.size());
  for (auto& e : m_list) items.push_back(e.item);
  for (auto& item : items) {
    item->DropPageDuty();
    if (auto form = item->Form()) form->UnloadPage();
  }
  std::vector<Entry> old;
  old.swap(m_list);
  return false;
}

int32_t CTabItems::FindItem(const TabIndex& Index) const {
  if (m_list.empty()) return -1;
  if (auto* key = std::get_if<std::wstring>(&Index)) return PositionOfKey(*key);
  if (auto value = NumericValue(Index)) {
    auto n = ToPosition(*value);
    if (!n || *n < 0 || *n > Count() - 1) return -1;
    return *n;
  }
  if (auto* form = std::get_if<const ITabForm*>(&Index)) {
    if (!*form) return -1;
    for (size_t i = 0; i < m_list.size(); ++i) {
      if (m_list[i].item->Form().get() == *form) return static_cast<int32_t>(i);
    }
    return -1;
  }
  if (auto* item = std::get_if<const CTabItem*>(&Index)) {
    return *item ? PositionOf(*item) : -1;
  }
  return -1;
}

bool CTabItems::ReleaseForm(const TabIndex& Index) {
  auto keepList = weak_from_this().lock();
  int32_t i = FindItem(Index);
  if (i == -1) return false;
  std::shared_ptr<CTabItem> item = m_list[static_cast<size_t>(i)].item;
  std::shared_ptr<ITabForm> page = item->Form();
  int32_t style = item->SavedStyle();
  // A vetoed removal keeps the tab; detaching its page anyway would leave a tab without a page.
  if (!Remove(i, false)) return false;
  if (!page) return true;

  WindowHandle h = page->hWnd();
  m_ops.SetParentNone(h);
  int32_t screenW = m_ops.ScreenWidth();
  int32_t screenH = m_ops.ScreenHeight();
  PixelRect rc = m_ops.GetWindowRect(h);
  m_ops.SetStyle(h, style);
  double pageW = static_cast<double>(rc.right) - rc.left;
  double pageH = static_cast<double>(rc.bottom) - rc.top;
  auto x = static_cast<int32_t>(RoundHalfEven((screenW - pageW) / 2.0));
  auto y = static_cast<int32_t>(RoundHalfEven((screenH - pageH) / 2.0));
  m_ops.ShowTopAt(h, x, y);
  if (m_owner) m_ops.RedrawWindow(m_owner->hParent());
  return true;
}

std::shared_ptr<CTabItem> CTabItems::Item(const TabIndex& Index) const {
  if (auto* key = std::get_if<std::wstring>(&Index)) {
    int32_t at = PositionOfKey(*key);
    if (at == -1) throw TabError(kErrInvalidCall);
    return m_list[static_cast<size_t>(at)].item;
  }
  auto value = NumericValue(Index);
  if (!value) return nullptr;
  if (*value < 0 || *value > Count() - 1) return nullptr;
  auto n = ToPosition(*value);
  if (!n || *n < 0 || *n > Count() - 1) return nullptr;
  return m_list[static_cast<size_t>(*n)].item;
}

int32_t CTabItems::Selected() const { return m_owner ? m_owner->Selected() : -1; }

void CTabItems::SetSelected(int32_t value) {
  if (m_owner) m_owner->SetSelected(value);
}

}  // namespace qorv::tabstrip
