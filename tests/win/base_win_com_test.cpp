// COM helpers: reference counts stay balanced through every ComPtr operation, and the
// QueryInterface table answers its interfaces, its aliases and IUnknown with one identity.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleidl.h>

#include <utility>

#include "base/win/com.h"

namespace qorv {
namespace {

using win::ComPtr;

// Two interfaces, one of them with a base (IOleWindow) answered through an alias.
class Probe final : public win::ComObject<IOleInPlaceUIWindow, IDropTarget,
                                          win::ComAlias<IOleWindow, IOleInPlaceUIWindow>> {
 public:
  explicit Probe(bool* destroyed) : m_destroyed(destroyed) {}
  ~Probe() override { *m_destroyed = true; }
  // The count without changing it.
  ULONG Refs() {
    AddRef();
    return Release();
  }

  STDMETHODIMP GetWindow(HWND*) override { return E_NOTIMPL; }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP GetBorder(LPRECT) override { return E_NOTIMPL; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return E_NOTIMPL; }
  STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP DragOver(DWORD, POINTL, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP DragLeave() override { return E_NOTIMPL; }
  STDMETHODIMP Drop(IDataObject*, DWORD, POINTL, DWORD*) override { return E_NOTIMPL; }

 private:
  bool* m_destroyed;
};

TEST(ComTest, ComPtrKeepsTheCountBalanced) {
  bool destroyed = false;
  const long alive = win::ComObjectsAlive();
  {
    ComPtr<Probe> p = win::MakeCom<Probe>(&destroyed);
    EXPECT_EQ(win::ComObjectsAlive(), alive + 1);
    EXPECT_EQ(p->Refs(), 1u);
    {
      ComPtr<Probe> copy = p;
      EXPECT_EQ(p->Refs(), 2u);
      ComPtr<Probe> moved = std::move(copy);
      EXPECT_FALSE(copy);
      EXPECT_EQ(p->Refs(), 2u);
      moved = p;  // assigning what it already holds
      EXPECT_EQ(p->Refs(), 2u);
      moved = moved;
      EXPECT_EQ(p->Refs(), 2u);
      moved = std::move(moved);
      EXPECT_EQ(p->Refs(), 2u);
    }
    EXPECT_EQ(p->Refs(), 1u);

    ComPtr<IDropTarget> drop = p.As<IDropTarget>();
    ASSERT_TRUE(drop);
    EXPECT_EQ(p->Refs(), 2u);
    EXPECT_FALSE(p.As<IOleObject>());  // not offered: nothing added
    EXPECT_EQ(p->Refs(), 2u);
    drop.Reset();

    Probe* raw = p.Detach();
    EXPECT_FALSE(p);
    EXPECT_EQ(raw->Refs(), 1u);
    p.Attach(raw);
    EXPECT_EQ(p->Refs(), 1u);

    // An out-parameter slot releases what it held before it is written.
    ComPtr<IOleWindow> window = p.As<IOleWindow>();
    EXPECT_EQ(p->Refs(), 2u);
    p->QueryInterface(__uuidof(IOleWindow), window.PutVoid());
    EXPECT_EQ(p->Refs(), 2u);
    IOleWindow** slot = &window;
    EXPECT_FALSE(window);
    EXPECT_EQ(*slot, nullptr);
    EXPECT_EQ(p->Refs(), 1u);
    EXPECT_FALSE(destroyed);
  }
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(win::ComObjectsAlive(), alive);
}

TEST(ComTest, CopyAssignmentFromWhatTheTargetOwns) {
  // The source lives only through the pointer being overwritten: the new reference must be taken
  // before the old one is released.
  bool destroyed = false;
  auto holder = std::make_unique<ComPtr<Probe>>(win::MakeCom<Probe>(&destroyed));
  ComPtr<Probe>& slot = *holder;
  slot = *holder;
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(slot->Refs(), 1u);
}

TEST(ComTest, QueryInterfaceTableAndIdentity) {
  bool destroyed = false;
  ComPtr<Probe> p = win::MakeCom<Probe>(&destroyed);
  struct Row {
    IID iid;
    bool offered;
  };
  const Row rows[] = {
      {IID_IUnknown, true},       {__uuidof(IOleInPlaceUIWindow), true},
      {__uuidof(IOleWindow), true}, {__uuidof(IDropTarget), true},
      {__uuidof(IOleObject), false}, {__uuidof(IDispatch), false},
  };
  IUnknown* identity = p.As<IUnknown>().Get();
  for (const Row& r : rows) {
    void* out = reinterpret_cast<void*>(1);
    HRESULT hr = p->QueryInterface(r.iid, &out);
    EXPECT_EQ(hr, r.offered ? S_OK : E_NOINTERFACE);
    if (!r.offered) {
      EXPECT_EQ(out, nullptr);
      continue;
    }
    ComPtr<IUnknown> got = ComPtr<IUnknown>::Adopt(static_cast<IUnknown*>(out));
    // Any interface answers IUnknown with the same pointer.
    EXPECT_EQ(got.As<IUnknown>().Get(), identity);
  }
  EXPECT_EQ(p->Refs(), 1u);
  EXPECT_EQ(p->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

}  // namespace
}  // namespace qorv
