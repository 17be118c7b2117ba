#include "gamewindow/dde_source.h"

#include <vector>

#include "base/paths.h"
#include "base/web_address.h"
#include "base/win/environment.h"
#include "base/win/log.h"
#include "gamewindow/dde_command.h"

namespace qorv::gamewindow {
namespace {

DdeSource* g_source = nullptr;  // DDEML's callback carries no user data

}  // namespace

DdeSource::~DdeSource() { Stop(); }

std::wstring DdeSource::ProgramServiceName() {
  return BaseNameWithoutExtension(win::ExecutablePath());
}

bool DdeSource::Start(const std::wstring& service, const std::wstring& topic) {
  if (m_instance) return true;
  if (g_source) {
    win::LogError(L"dde: a source already runs in this process");
    return false;
  }
  g_source = this;
  // Connections wait until the names exist; no advise, request or poke is served.
  UINT status = ::DdeInitializeW(&m_instance, &DdeSource::Callback,
                                 APPCLASS_STANDARD | APPCMD_FILTERINITS | CBF_FAIL_ADVISES |
                                     CBF_FAIL_REQUESTS | CBF_FAIL_POKES |
                                     CBF_SKIP_ALLNOTIFICATIONS,
                                 0);
  if (status != DMLERR_NO_ERROR) {
    win::LogError(L"dde: DdeInitialize failed (" + std::to_wstring(status) + L")");
    m_instance = 0;
    g_source = nullptr;
    return false;
  }
  m_service = ::DdeCreateStringHandleW(m_instance, service.c_str(), CP_WINUNICODE);
  m_topic = ::DdeCreateStringHandleW(m_instance, topic.c_str(), CP_WINUNICODE);
  m_registered = m_service && m_topic &&
                 ::DdeNameService(m_instance, m_service, nullptr, DNS_REGISTER) != nullptr;
  if (!m_registered) {
    win::LogError(L"dde: the service \"" + service + L"\" could not be registered (" +
                  std::to_wstring(::DdeGetLastError(m_instance)) + L")");
    Stop();
    return false;
  }
  win::LogInfo(L"dde: serving \"" + service + L"\" topic \"" + topic + L"\"");
  return true;
}

void DdeSource::Stop() {
  if (!m_instance) return;
  // Order: no new conversations, then the names, then DDEML (which closes open conversations).
  if (m_registered) ::DdeNameService(m_instance, m_service, nullptr, DNS_UNREGISTER);
  m_registered = false;
  if (m_topic) ::DdeFreeStringHandle(m_instance, m_topic);
  if (m_service) ::DdeFreeStringHandle(m_instance, m_service);
  m_topic = m_service = nullptr;
  ::DdeUninitialize(m_instance);
  m_instance = 0;
  if (g_source == this) g_source = nullptr;
}

bool DdeSource::IsOurs(HSZ topic, HSZ service) const {
  return topic && ::DdeCmpStringHandles(topic, m_topic) == 0 &&
         (!service || ::DdeCmpStringHandles(service, m_service) == 0);
}

HDDEDATA CALLBACK DdeSource::Callback(UINT type, UINT, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                      ULONG_PTR, ULONG_PTR) {
  DdeSource* self = g_source;
  if (!self || !self->m_instance) return nullptr;
  try {
    switch (type) {
      case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(static_cast<INT_PTR>(self->IsOurs(hsz1, hsz2)));
      case XTYP_EXECUTE:
        if (!self->IsOurs(hsz1, nullptr)) return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
        return self->OnExecute(data);
      default:
        return nullptr;
    }
  } catch (...) {
    win::LogError(L"dde: a transaction failed");
    return type == XTYP_EXECUTE ? reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED) : nullptr;
  }
}

HDDEDATA DdeSource::OnExecute(HDDEDATA data) {
  const auto refused = reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
  DWORD size = data ? ::DdeGetData(data, nullptr, 0, 0) : 0;
  std::vector<uint8_t> bytes;
  if (size > 0 && size <= kMaxDdeCommandBytes) {
    bytes.resize(size);
    size = ::DdeGetData(data, bytes.data(), size, 0);
    bytes.resize(size);
  }
  DdeCommandText command = size > kMaxDdeCommandBytes
                               ? DdeCommandText{{}, false, false, true}
                               : DecodeDdeCommand(bytes.data(), bytes.size());
  std::wstring why = DescribeDdeCommand(command, size);
  if (!why.empty()) win::LogInfo(why);
  if (command.tooLong || command.cutAtNul || command.text.empty()) return refused;

  std::wstring text(command.text.begin(), command.text.end());
  std::optional<std::wstring> address = WebAddress(text);
  if (!address) {
    win::LogInfo(L"dde: not a web address, dropped: " + text.substr(0, 200));
    return refused;
  }
  if (Execute) {
    auto handler = Execute;  // the handler may replace the slot
    handler(*address);
  }
  return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

}  // namespace qorv::gamewindow
