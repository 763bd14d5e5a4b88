; Installer of the KORVEL configurator for 64-bit Windows.  Made by
; scripts/windows-installer.sh from the distribution folder (the same folder
; the zip holds), which also writes the file lists included below:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.1.2.2 -DSIZE_KB=... -DFILES=files.nsh
;            -DOUTFILE=setup.exe korvel-configurator.nsi
;
; Per machine into Program Files\KORVEL (asks for elevation), or per user
; into %LOCALAPPDATA%\Programs\KORVEL when chosen on the mode page or with
; /CurrentUser.  /S installs and uninstalls silently.  The user's settings in
; %APPDATA%\KORVEL are left by the uninstaller unless its "Настройки" part is
; ticked or /REMOVESETTINGS is given; an upgrade never touches them.

Unicode true
Target amd64-unicode
!ifdef COMPRESSOR
  SetCompressor ${COMPRESSOR}
!else
  SetCompressor /SOLID lzma
!endif
ManifestDPIAware true

!ifndef VERSION | SIZE_KB | FILES | OUTFILE
  !error "VERSION, SIZE_KB, FILES and OUTFILE must be defined (scripts/windows-installer.sh)"
!endif

!define PRODUCT "Конфигуратор KORVEL"
!define PUBLISHER "KORVEL configurator developers"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KORVEL"
!define PROGRAM "korvel-configurator.exe"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
!define SHORTCUT_PRODUCTION "$SMPROGRAMS\${PRODUCT} — производство.lnk"
; Tells the program that this folder is an installed copy: its settings go to
; %APPDATA%\KORVEL even where the folder could be written.
!define INSTALLED_MARK "korvel-installed.txt"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "KORVEL"
; An upgrade finds the earlier installation's folder and mode.
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINST_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINST_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define MUI_ICON "${__FILEDIR__}/korvel-configurator.ico"
!define MUI_UNICON "${__FILEDIR__}/korvel-configurator.ico"
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Russian"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "Установка программы «${PRODUCT}»"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "LegalCopyright" "${PUBLISHER}"

!include "${FILES}"

Section "Программа" SectionProgram
  SectionIn RO
  ; An earlier installation in this mode is removed by its own uninstaller
  ; first (silently, so the settings stay), so that no file the new version
  ; no longer has is left behind.
  ReadRegStr $0 SHCTX "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    DetailPrint "Удаление предыдущей версии из $0"
    ExecWait '"$0\uninstall.exe" /S /$MultiUser.InstallMode _?=$0' $1
    ${If} $1 != 0
      MessageBox MB_OK|MB_ICONSTOP "Не удалось удалить предыдущую версию из $0 (код $1)." /SD IDOK
      Abort
    ${EndIf}
    Delete "$0\uninstall.exe"
    RMDir "$0"
  ${EndIf}

  !insertmacro KORVEL_INSTALL_FILES
  SetOutPath "$INSTDIR"
  File "${__FILEDIR__}/${INSTALLED_MARK}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcuts start in the program's folder.
  SetOutPath "$INSTDIR"
  CreateShortCut "${SHORTCUT}" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0
  CreateShortCut "${SHORTCUT_PRODUCTION}" "$INSTDIR\${PROGRAM}" "-p" "$INSTDIR\${PROGRAM}" 0

  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayIcon" '"$INSTDIR\${PROGRAM}",0'
  WriteRegStr SHCTX "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S /$MultiUser.InstallMode'
  WriteRegDWORD SHCTX "${UNINST_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Section "un.Программа" SectionUninstallProgram
  SectionIn RO
  Delete "${SHORTCUT}"
  Delete "${SHORTCUT_PRODUCTION}"
  !insertmacro KORVEL_UNINSTALL_FILES
  Delete "$INSTDIR\${INSTALLED_MARK}"
  Delete "$INSTDIR\uninstall.exe"
  ; Only an empty folder goes: whatever a user put there stays.
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINST_KEY}"
SectionEnd

; Unticked by default, and in silent mode without /REMOVESETTINGS: the
; settings outlive the program, as for an upgrade.
Section /o "un.Настройки (%APPDATA%\KORVEL)" SectionSettings
  ; The settings of the user who uninstalls, also after a per-machine
  ; installation.
  SetShellVarContext current
  Delete "$APPDATA\KORVEL\korvel-configurator.INI"
  RMDir "$APPDATA\KORVEL"
  ${If} $MultiUser.InstallMode == "AllUsers"
    SetShellVarContext all
  ${EndIf}
SectionEnd

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    SectionGetFlags ${SectionSettings} $1
    IntOp $1 $1 | ${SF_SELECTED}
    SectionSetFlags ${SectionSettings} $1
  ${EndIf}
FunctionEnd
