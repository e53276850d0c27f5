; The Windows installer of Vantoria. scripts/windows/build.sh makes it from the folder build-windows/dist:
;   makensis -DVERSION=<x.y.z> -DDIST=<dist folder> -DOUTFILE=<setup.exe> vantoria.nsi
; Installs into Program Files for all users, adds a Start-menu entry and an uninstaller; /S installs and
; removes silently. The users' own files (%LOCALAPPDATA%\Vantoria: settings, journal, records) are never
; touched: the uninstaller removes only what the installer put down.
; A 64-bit installer for a 64-bit program: it runs where the program runs, also under Wine without wine32.
Target amd64-unicode
!include "MUI2.nsh"

!define APP "Vantoria"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantoria"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
InstallDirRegKey HKLM "Software\${APP}" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "${APP} ${VERSION}"

!define MUI_ICON "vantoria.ico"
!define MUI_UNICON "vantoria.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\vantoria.exe"
!define MUI_FINISHPAGE_RUN_PARAMETERS "--user-folder"
!insertmacro MUI_PAGE_LICENSE "${DIST}\licences\Vantoria-LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Italian"

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Vantoria"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${DIST}\*.*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; The program itself enters %LOCALAPPDATA%\Vantoria with --user-folder, the user's own, made when missing.
  CreateDirectory "$SMPROGRAMS\${APP}"
  CreateShortCut "$SMPROGRAMS\${APP}\${APP}.lnk" "$INSTDIR\vantoria.exe" "--user-folder" "$INSTDIR\vantoria.exe" 0
  CreateShortCut "$SMPROGRAMS\${APP}\${APP} manual.lnk" "$INSTDIR\doc\manual.html"
  WriteRegStr HKLM "Software\${APP}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Vantoria developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vantoria.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${APP}\${APP}.lnk"
  Delete "$SMPROGRAMS\${APP}\${APP} manual.lnk"
  RMDir "$SMPROGRAMS\${APP}"
  ; Only what the installer put there; a folder the user chose keeps anything else it holds.
  Delete "$INSTDIR\vantoria.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\qt.conf"
  RMDir /r "$INSTDIR\plugins"
  RMDir /r "$INSTDIR\translations"
  RMDir /r "$INSTDIR\doc"
  RMDir /r "$INSTDIR\licences"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\${APP}"
SectionEnd
