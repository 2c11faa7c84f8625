; SPDX-License-Identifier: GPL-3.0-or-later
; The torven installer: a per-machine install into Program Files, a Start-menu entry, an entry in
; the list of installed programs, and an uninstaller. /S installs and uninstalls silently.
;
; makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0 -DDIST=<unzipped folder> -DFILES=<file lists>
;          -DICON=<torven.ico> -DOUTFILE=<setup.exe> torven.nsi
; FILES names a folder holding install.nsh and uninstall.nsh, the File and Delete lines for
; exactly what DIST holds.

; A 64-bit installer for a 64-bit program: it runs where torven runs, Wine without its 32-bit
; half included.
Target amd64-unicode
!include "MUI2.nsh"
!include "x64.nsh"

!define NAME "torven"
!define MENU_NAME "Индикатор направления антенны"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\torven"
; Beside the executable, it tells torven that it is an installed copy: one that keeps its port
; per user rather than beside itself.
!define MARKER "torven.installed"

Name "${NAME} ${VERSION}"
Caption "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${NAME}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1049 "ProductName" "${NAME}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка ${NAME} ${VERSION}"
VIAddVersionKey /LANG=1049 "CompanyName" "torven developers"
VIAddVersionKey /LANG=1049 "LegalCopyright" "GPL-3.0-or-later"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\torven.exe"
!insertmacro MUI_PAGE_LICENSE "${DIST}/licenses/torven-COPYING.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "Для torven нужна 64-разрядная Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "torven"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  !include "${FILES}/install.nsh"
  FileOpen $0 "$INSTDIR\${MARKER}" w
  FileWrite $0 "torven ${VERSION}$\r$\n"
  FileClose $0
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${MENU_NAME}.lnk" "$INSTDIR\torven.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${MENU_NAME} (torven)"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "torven developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\torven.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Takes away what the installer put there and nothing else: the users' own comm.set files, in
; their per-user folders, stay, and so does the folder if something else was left in it.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${MENU_NAME}.lnk"
  !include "${FILES}/uninstall.nsh"
  Delete "$INSTDIR\${MARKER}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
