; tolm.nsi: the TOLM installer and its uninstaller (Unicode NSIS, saved as UTF-8 with BOM).
;
; makensis -DARCH=x64|x86 -DVERSION=a.b.c.d -DSRCDIR=<deliverables> -DOUTFILE=<setup.exe> tolm.nsi
; (scripts/make_installer.sh passes these from a build folder.)
;
; Install mode: for all users (Program Files, HKLM) when the installer runs elevated, else for
; the current user ($LOCALAPPDATA\Programs\TOLM, HKCU), which needs no administrator rights.
; /CURRENTUSER forces the per-user mode; /ALLUSERS demands the all-users mode (exit code 740 when
; not elevated). /S installs silently; /D=<folder> (last on the line) chooses the folder.
; The uninstaller keeps the user's settings unless /REMOVESETTINGS is given or the box on its
; components page is ticked; it removes files, context-menu entries and its own registration.

Unicode true
!ifndef ARCH | VERSION | SRCDIR | OUTFILE
  !error "define ARCH, VERSION, SRCDIR and OUTFILE"
!endif
!if "${ARCH}" == "x64"
  Target amd64-unicode
!else if "${ARCH}" == "x86"
  Target x86-unicode
!else
  !error "ARCH must be x64 or x86"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include Sections.nsh

!define PRODUCT "TOLM"
!define PUBLISHER "n.orbit"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TOLM"
!define SETTINGS_KEY "Software\n.orbit\TOLM"
!define FILE_VERB "Software\Classes\*\shell\TOLM"
!define FOLDER_VERB "Software\Classes\Directory\shell\TOLM"
!define ERASE_VERB "Software\Classes\Directory\shell\TOLMErase"
!define ERROR_ELEVATION_REQUIRED 740

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true
BrandingText "${PUBLISHER}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1041 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1041 "FileDescription" "${PRODUCT} セットアップ (${ARCH})"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${__FILEDIR__}\..\res\tolm.ico"
!define MUI_UNICON "${__FILEDIR__}\..\res\tolm.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Var AllUsers

; The deliverables, installed and removed by the same list.
!macro TOLM_FILES DO
  !insertmacro ${DO} "TOLM.exe"
  !insertmacro ${DO} "kelsys.dll"
  !insertmacro ${DO} "daxread.dll"
  !insertmacro ${DO} "dax2jpn.dll"
  !insertmacro ${DO} "dax2enc.dll"
  !insertmacro ${DO} "vopimg.dll"
!macroend
!macro INSTALL_FILE NAME
  File "${SRCDIR}\${NAME}"
!macroend
!macro REMOVE_FILE NAME
  Delete /REBOOTOK "$INSTDIR\${NAME}"
!macroend

; A setting is written only when the user has none of that name.
!macro DEFAULT_SETTING NAME VALUE
  ClearErrors
  ReadRegDWORD $0 HKCU "${SETTINGS_KEY}" "${NAME}"
  ${If} ${Errors}
    WriteRegDWORD HKCU "${SETTINGS_KEY}" "${NAME}" ${VALUE}
  ${EndIf}
!macroend

; Whether this process runs with administrator rights: $0 = 1 or 0.
!macro IS_ELEVATED
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
!macroend

Function .onInit
  !if "${ARCH}" == "x64"
    ${IfNot} ${RunningX64}
      MessageBox MB_ICONSTOP "この TOLM は 64 ビット版 Windows 用です。" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    SetRegView 64
  !endif
  !insertmacro IS_ELEVATED
  StrCpy $AllUsers $0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/CURRENTUSER" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 0
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    ${If} $0 == 0
      MessageBox MB_ICONSTOP "すべてのユーザー用のインストールには管理者権限が必要です。" /SD IDOK
      SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
      Quit
    ${EndIf}
    StrCpy $AllUsers 1
  ${EndIf}
  ; $INSTDIR is already set when /D= was given.
  ${If} $AllUsers == 1
    SetShellVarContext all
    ${If} $INSTDIR == ""
      !if "${ARCH}" == "x64"
        StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
      !else
        StrCpy $INSTDIR "$PROGRAMFILES32\${PRODUCT}"
      !endif
    ${EndIf}
  ${Else}
    SetShellVarContext current
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "TOLM" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  !insertmacro TOLM_FILES INSTALL_FILE
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Context-menu entries: the command line is a slash, the launch letter, a blank and the
  ; quoted path.
  WriteRegStr SHCTX "${FILE_VERB}" "" "TOLM のプロパティ"
  WriteRegStr SHCTX "${FILE_VERB}" "Icon" "$INSTDIR\TOLM.exe"
  WriteRegStr SHCTX "${FILE_VERB}\command" "" '"$INSTDIR\TOLM.exe" /f "%1"'
  WriteRegStr SHCTX "${FOLDER_VERB}" "" "TOLM のプロパティ"
  WriteRegStr SHCTX "${FOLDER_VERB}" "Icon" "$INSTDIR\TOLM.exe"
  WriteRegStr SHCTX "${FOLDER_VERB}\command" "" '"$INSTDIR\TOLM.exe" /d "%1"'
  WriteRegStr SHCTX "${ERASE_VERB}" "" "TOLM 拡張削除"
  WriteRegStr SHCTX "${ERASE_VERB}" "Icon" "$INSTDIR\TOLM.exe"
  WriteRegStr SHCTX "${ERASE_VERB}\command" "" '"$INSTDIR\TOLM.exe" /e "%1"'

  ; The settings of the installing user: defaults only where the user has none.
  !insertmacro DEFAULT_SETTING "Hiddenfile" 0
  !insertmacro DEFAULT_SETTING "Logfile" 1
  !insertmacro DEFAULT_SETTING "Systemfile" 0

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\TOLM.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "-un.TOLM"
  !insertmacro TOLM_FILES REMOVE_FILE
  Delete "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  DeleteRegKey SHCTX "${FILE_VERB}"
  DeleteRegKey SHCTX "${FOLDER_VERB}"
  DeleteRegKey SHCTX "${ERASE_VERB}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.設定 (HKCU\${SETTINGS_KEY}) も削除する" SecUnSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\n.orbit"
SectionEnd

Function un.onInit
  !if "${ARCH}" == "x64"
    SetRegView 64
  !endif
  ; The all-users installation is the one registered under HKLM for this folder.
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 != ""
  ${AndIf} $1 == $INSTDIR
    StrCpy $AllUsers 1
    !insertmacro IS_ELEVATED
    ${If} $0 == 0
      MessageBox MB_ICONSTOP "すべてのユーザー用の TOLM の削除には管理者権限が必要です。" /SD IDOK
      SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
      Quit
    ${EndIf}
    SetShellVarContext all
  ${Else}
    StrCpy $AllUsers 0
    SetShellVarContext current
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVESETTINGS" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecUnSettings}
  ${EndIf}
FunctionEnd
