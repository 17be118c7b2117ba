;  BrindleQorvane客户端 per-user installer (Unicode NSIS; this file is UTF-8 with a BOM).
;
;  makensis -DQORV_VERSION=1.1.0 -DQORV_CLIENT=path/qorv.exe -DQORV_ICON=path/qorv.ico
;           -DQORV_OUTFILE=path/BrindleQorvane-Setup-1.1.0.exe qorv.nsi
;  (installer/build-setup passes these; CMake and scripts/package call it.)
;  -DQORV_SIGN_COMMAND=... (optional) signs the uninstaller before it is packed and the installer.
;
;  Installs for the current user only, into a folder the user can write: the client's updater
;  replaces files in the client's own folder without elevation.

; The client is an x86-64 program; so is its installer (Unicode).
Target amd64-unicode
RequestExecutionLevel user
ManifestSupportedOS all
SetCompressor /SOLID lzma

!ifndef QORV_VERSION | QORV_CLIENT | QORV_ICON | QORV_OUTFILE
  !error "QORV_VERSION, QORV_CLIENT, QORV_ICON and QORV_OUTFILE must be defined"
!endif

!ifdef QORV_SIGN_COMMAND
  ; %1 is the file NSIS just wrote; a failing command fails the build.
  !uninstfinalize '${QORV_SIGN_COMMAND} "%1"' = 0
  !finalize '${QORV_SIGN_COMMAND} "%1"' = 0
!endif

!define PRODUCT_NAME "BrindleQorvane客户端"
!define PUBLISHER "Tidewell"
!define CLIENT_EXE "qorv.exe"
!define UNINSTALLER "uninstall.exe"
!define SHORTCUT "${PRODUCT_NAME}.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\BrindleQorvane"
; The player's settings, and what the client keeps under the local application data.
!define SETTINGS_KEY "Software\BrindleQorvane"
!define DATA_DIR "$LOCALAPPDATA\BrindleQorvane"
; The client registers its browser emulation level under its executable's file name.
!define BROWSER_EMULATION_KEY "Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION"

Name "${PRODUCT_NAME}"
OutFile "${QORV_OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\BrindleQorvane"
; Installing again (a newer version) goes where the player put it the first time.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT_NAME} ${QORV_VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow
AllowSkipFiles off

Icon "${QORV_ICON}"
UninstallIcon "${QORV_ICON}"

; The same version resource as the client's own (which has no copyright line either).
!pragma warning disable 9100
VIProductVersion "${QORV_VERSION}.0"
VIFileVersion "${QORV_VERSION}.0"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT_NAME}安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${QORV_VERSION}"
VIAddVersionKey /LANG=2052 "InternalName" "BrindleQorvane-Setup"
VIAddVersionKey /LANG=2052 "OriginalFilename" "BrindleQorvane-Setup-${QORV_VERSION}.exe"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${QORV_VERSION}"

!include MUI2.nsh
!include LogicLib.nsh

!define MUI_ICON "${QORV_ICON}"
!define MUI_UNICON "${QORV_ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\${CLIENT_EXE}"
; The stock welcome text speaks of system files and restarts; this install touches neither.
!define MUI_WELCOMEPAGE_TEXT "安装向导将为当前用户安装 $(^NameDA)，不需要管理员权限。$\r$\n$\r$\n\
如果 $(^NameDA) 正在运行，请先将其关闭。$\r$\n$\r$\n$_CLICK"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"

; While the client runs, Windows keeps its executable mapped and refuses to open it for writing:
; that tells a running copy of the installed client without looking for windows or processes.
; The player may close it and retry; cancelling (or a silent run) ends with exit code 2.
!macro WAIT_FOR_CLIENT un
Function ${un}WaitForClient
retry:
  ${IfNot} ${FileExists} "$INSTDIR\${CLIENT_EXE}"
    Return
  ${EndIf}
  ClearErrors
  FileOpen $0 "$INSTDIR\${CLIENT_EXE}" a
  ${IfNot} ${Errors}
    FileClose $0
    Return
  ${EndIf}
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
    "${PRODUCT_NAME}正在运行，请先关闭它，然后点击“重试”。" /SD IDCANCEL IDRETRY retry
  SetErrorLevel 2
  Quit
FunctionEnd
!macroend
!insertmacro WAIT_FOR_CLIENT ""
!insertmacro WAIT_FOR_CLIENT "un."

Function .onInit
  Call WaitForClient
FunctionEnd

Function un.onInit
  Call un.WaitForClient
FunctionEnd

; Size in KiB (rounded up) of one installed file, added to $1.
!macro ADD_FILE_SIZE path
  ClearErrors
  FileOpen $0 "${path}" r
  ${IfNot} ${Errors}
    FileSeek $0 0 END $2
    FileClose $0
    IntOp $2 $2 + 1023
    IntOp $2 $2 / 1024
    IntOp $1 $1 + $2
  ${EndIf}
!macroend

Section "-client"
  ; The folder chosen on the directory page may hold another running copy.
  Call WaitForClient
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "/oname=${CLIENT_EXE}" "${QORV_CLIENT}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortCut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\${CLIENT_EXE}" "" "$INSTDIR\${CLIENT_EXE}" 0
  CreateShortCut "$DESKTOP\${SHORTCUT}" "$INSTDIR\${CLIENT_EXE}" "" "$INSTDIR\${CLIENT_EXE}" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${QORV_VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${CLIENT_EXE},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  StrCpy $1 0
  !insertmacro ADD_FILE_SIZE "$INSTDIR\${CLIENT_EXE}"
  !insertmacro ADD_FILE_SIZE "$INSTDIR\${UNINSTALLER}"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $1
SectionEnd

; Only what the installer put there and what the client writes: the folder itself goes only when
; nothing else is left in it, and nothing fails when it is already gone.
Section "Uninstall"
  Call un.WaitForClient
  Delete "$SMPROGRAMS\${SHORTCUT}"
  Delete "$DESKTOP\${SHORTCUT}"

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegValue HKCU "${BROWSER_EMULATION_KEY}" "${CLIENT_EXE}"
  DeleteRegKey /ifempty HKCU "${BROWSER_EMULATION_KEY}"

  ; What the client and its updater leave in the temporary directory.
  Delete "$TEMP\qorv.ico"
  Delete "$TEMP\update.txt"
  Delete "$TEMP\update.txt.sig"
  Delete "$TEMP\update.txt.*.part"
  Delete "$TEMP\Update.exe"
  Delete "$TEMP\qorv.log"
  Delete "$TEMP\qorv.log.1"
  ; The client's own folder under the local application data (the updater's private copies),
  ; unless the player installed into it: then only what the client wrote there goes.
  StrLen $0 "${DATA_DIR}\"
  StrCpy $1 "$INSTDIR\" $0
  ${If} $1 == "${DATA_DIR}\"
    RMDir /r "${DATA_DIR}\Updater"
  ${Else}
    RMDir /r "${DATA_DIR}"
  ${EndIf}

  Delete "$INSTDIR\${CLIENT_EXE}"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
SectionEnd
