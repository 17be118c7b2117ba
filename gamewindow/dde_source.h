// DdeSource: the main window's DDE topic. Other programs connect to the service named after the
// executable (its base name, "qorv") with the topic "TidewellDDE" and send an execute command
// whose text is a page address. Only web addresses (http, https) reach Execute; anything else is
// refused (the client sees the command not processed) and logged.
//
// DDEML calls back on the thread that started the source, from its message loop. Execute runs
// inside that call and must not stop the source. One source per process.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <functional>
#include <string>

#include "gamewindow/dde_command.h"

namespace qorv::gamewindow {

class DdeSource {
 public:
  DdeSource() = default;
  DdeSource(const DdeSource&) = delete;
  DdeSource& operator=(const DdeSource&) = delete;
  ~DdeSource();

  // Registers service and topic; false (and a log line) when DDEML refused or another source
  // runs in this process.
  bool Start(const std::wstring& service = ProgramServiceName(),
             const std::wstring& topic = kDdeTopic);
  // Unregisters the service and ends DDEML for this source; open conversations are closed.
  void Stop();
  bool Running() const { return m_instance != 0; }

  // The executable's base name: the service other programs ask for.
  static std::wstring ProgramServiceName();

  std::function<void(const std::wstring&)> Execute;

 private:
  static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                    HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
  HDDEDATA OnExecute(HDDEDATA data);
  bool IsOurs(HSZ topic, HSZ service) const;

  DWORD m_instance = 0;
  HSZ m_service = nullptr;
  HSZ m_topic = nullptr;
  bool m_registered = false;
};

}  // namespace qorv::gamewindow
