// COM helpers: an owning interface pointer, a base for the objects the program implements
// itself (reference count and a QueryInterface table), owners for BSTRs and VARIANTs, and scoped
// OLE and GDI+ sessions.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace qorv::win {

// Shares ownership like the interface's own AddRef/Release: copies add a reference, moves take
// it over, Attach/Detach hand over an existing one.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Adds a reference to p (the caller keeps its own).
  explicit ComPtr(T* p) : m_p(p) {
    if (m_p) m_p->AddRef();
  }
  ComPtr(const ComPtr& o) : ComPtr(o.m_p) {}
  ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
  ComPtr& operator=(const ComPtr& o) {
    // The new reference first: o may be this, or live inside what the release frees.
    T* p = o.m_p;
    if (p) p->AddRef();
    Reset();
    m_p = p;
    return *this;
  }
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != std::addressof(o)) {  // operator& is the out-parameter form
      T* p = std::exchange(o.m_p, nullptr);
      Reset();
      m_p = p;
    }
    return *this;
  }
  ~ComPtr() { Reset(); }

  // Takes over a reference the caller owns.
  static ComPtr Adopt(T* p) {
    ComPtr out;
    out.m_p = p;
    return out;
  }
  void Attach(T* p) {
    Reset();
    m_p = p;
  }
  // Gives the reference to the caller, who must release it.
  [[nodiscard]] T* Detach() { return std::exchange(m_p, nullptr); }

  T* Get() const { return m_p; }
  T* operator->() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  // For out-parameters: releases what is held first.
  T** Put() {
    Reset();
    return &m_p;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  T** operator&() { return Put(); }

  void Reset() {
    if (m_p) std::exchange(m_p, nullptr)->Release();
  }

  // QueryInterface; empty when the object does not offer U.
  template <class U>
  ComPtr<U> As() const {
    ComPtr<U> out;
    if (m_p) m_p->QueryInterface(__uuidof(U), out.PutVoid());
    return out;
  }
  template <class U>
  ComPtr<U> As(REFIID iid) const {
    ComPtr<U> out;
    if (m_p) m_p->QueryInterface(iid, out.PutVoid());
    return out;
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.m_p == b.m_p; }

 private:
  T* m_p = nullptr;
};

// An entry of a ComObject's interface list that answers a QueryInterface for Iid (usually a base
// interface, or a dispinterface served by IDispatch) with the object's Via interface.
template <class Iid, class Via>
struct ComAlias {};

namespace detail {
template <class T>
struct AliasOf {
  static constexpr bool kIsAlias = false;
};
template <class Iid, class Via>
struct AliasOf<ComAlias<Iid, Via>> {
  static constexpr bool kIsAlias = true;
  using IidType = Iid;
  using ViaType = Via;
};
template <class First, class... Rest>
struct FirstInterface {
  using type = First;
};

// Objects of every ComObject type alive in the process: tests prove nothing is left behind.
inline std::atomic<long> g_comObjectsAlive{0};
}  // namespace detail

inline long ComObjectsAlive() { return detail::g_comObjectsAlive.load(); }

// Reference counting and QueryInterface over Interfaces (which it derives from; ComAlias entries
// only add table rows). Created with one reference: hand it to ComPtr::Adopt, or use MakeCom.
// The first entry must be a real interface: it is the object's IUnknown identity.
template <class... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    using Identity = typename detail::FirstInterface<Interfaces...>::type;
    if (iid == IID_IUnknown) {
      *out = static_cast<IUnknown*>(static_cast<Identity*>(this));
    } else {
      (Lookup<Interfaces>(iid, out) || ...);
    }
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++m_refs); }
  STDMETHODIMP_(ULONG) Release() override {
    long left = --m_refs;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  ComObject() { ++detail::g_comObjectsAlive; }
  virtual ~ComObject() { --detail::g_comObjectsAlive; }

 private:
  template <class Entry>
  bool Lookup(REFIID iid, void** out) {
    if constexpr (detail::AliasOf<Entry>::kIsAlias) {
      using Via = typename detail::AliasOf<Entry>::ViaType;
      if (iid != __uuidof(typename detail::AliasOf<Entry>::IidType)) return false;
      *out = static_cast<Via*>(this);
    } else {
      if (iid != __uuidof(Entry)) return false;
      *out = static_cast<Entry*>(this);
    }
    return true;
  }

  std::atomic<long> m_refs{1};
};

template <class T, class... Args>
ComPtr<T> MakeCom(Args&&... args) {
  return ComPtr<T>::Adopt(new T(std::forward<Args>(args)...));
}

// An owned BSTR. Keeps embedded NULs: the length is the BSTR's own.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::wstring_view text)
      : m_s(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& o) noexcept : m_s(std::exchange(o.m_s, nullptr)) {}
  Bstr& operator=(Bstr&& o) noexcept {
    if (this != &o) {
      Reset();
      m_s = std::exchange(o.m_s, nullptr);
    }
    return *this;
  }
  ~Bstr() { Reset(); }

  BSTR Get() const { return m_s; }
  BSTR* Put() {
    Reset();
    return &m_s;
  }
  [[nodiscard]] BSTR Detach() { return std::exchange(m_s, nullptr); }
  void Reset() {
    if (m_s) ::SysFreeString(std::exchange(m_s, nullptr));
  }
  std::wstring Str() const { return m_s ? std::wstring(m_s, ::SysStringLen(m_s)) : std::wstring(); }

 private:
  BSTR m_s = nullptr;
};

// An owned VARIANT, cleared at scope end.
class Variant {
 public:
  Variant() { ::VariantInit(&m_v); }
  explicit Variant(std::wstring_view text) : Variant() {
    m_v.vt = VT_BSTR;
    m_v.bstrVal = Bstr(text).Detach();
  }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { ::VariantClear(&m_v); }
  VARIANT* Get() { return &m_v; }

 private:
  VARIANT m_v;
};

// OleInitialize for the lifetime of the object (the thread's OLE is counted; each successful
// call is balanced). Fails where the thread already joined the multithreaded apartment.
class OleSession {
 public:
  OleSession() : m_hr(::OleInitialize(nullptr)) {}
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;
  ~OleSession() {
    if (SUCCEEDED(m_hr)) ::OleUninitialize();
  }
  bool Ok() const { return SUCCEEDED(m_hr); }
  HRESULT Result() const { return m_hr; }

 private:
  HRESULT m_hr;
};

// GdiplusStartup for the lifetime of the object.
class GdiplusSession {
 public:
  GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  ~GdiplusSession();
  bool Ok() const { return m_token != 0; }

 private:
  ULONG_PTR m_token = 0;
};

}  // namespace qorv::win
