; The Windows installer of Koravel. It installs for the current user only,
; under %LOCALAPPDATA%\Programs\Koravel, so it needs no administrator rights
; and raises no UAC prompt: the program's own update runs it as the agent.
; "/S" installs silently over an older version.
;
;   makensis -DVERSION=3.1.3 -DSTAGE=build-windows/stage \
;            -DFILES=build-windows/stage-files.nsh \
;            -DOUTFILE=build-windows/koravel3-setup-3.1.3.exe koravel3.nsi
;
; VERSION is project()'s version in CMakeLists.txt; scripts/windows.sh passes
; it with the staged program folder and FILES, the list of the files in it,
; one "!insertmacro File <path>" a line.

!ifndef VERSION
  !error "VERSION is missing: makensis -DVERSION=x.y.z"
!endif
!ifndef STAGE
  !error "STAGE (the staged program folder) is missing"
!endif
!ifndef FILES
  !error "FILES (the list of the staged files) is missing"
!endif
!ifndef OUTFILE
  !define OUTFILE "koravel3-setup-${VERSION}.exe"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Koravel"
!define SHORTCUT "$SMPROGRAMS\Koravel Assurances.lnk"

; A 64-bit installer for a 64-bit program; it also runs where only 64-bit
; Windows programs can (Wine without its 32-bit part).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
Name "Koravel ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Koravel"
; The folder chosen at the first installation is offered again, and taken
; by a silent one without /D=.
!define FOLDER_KEY "Software\Koravel"
InstallDirRegKey HKCU "${FOLDER_KEY}" "InstallDir"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1036 "ProductName" "Koravel"
VIAddVersionKey /LANG=1036 "CompanyName" "Koravel"
VIAddVersionKey /LANG=1036 "FileDescription" "Installation de Koravel"
VIAddVersionKey /LANG=1036 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "LegalCopyright" "© 2026 Koravel"

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define MUI_ICON "..\..\koravel3\log\krlogos.ico"
!define MUI_UNICON "..\..\koravel3\log\krlogos.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\koravel3.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "French"

Section "Koravel"
  SetShellVarContext current
  ; The update runs this installer while the program that downloaded it is
  ; still open: Windows lets nobody overwrite or delete a running exe or a
  ; loaded DLL, but it lets them be renamed. So each file of the older
  ; version goes aside as <name>.old, deleted at once when nothing holds it
  ; and by the next installation otherwise. A file this version dropped
  ; goes the same way, so none is left behind to be loaded.
  !macro File path
    Delete "$INSTDIR\${path}.old"
    Rename "$INSTDIR\${path}" "$INSTDIR\${path}.old"
    Delete "$INSTDIR\${path}.old"
  !macroend
  !include "${FILES}"
  FindFirst $0 $1 "$INSTDIR\*.dll"
  setAside:
    StrCmp $1 "" setAsideDone
    Rename "$INSTDIR\$1" "$INSTDIR\$1.old"
    Delete "$INSTDIR\$1.old"
    FindNext $0 $1
    Goto setAside
  setAsideDone:
  FindClose $0
  Delete "$INSTDIR\*.old"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\koravel3.exe"

  WriteRegStr HKCU "${FOLDER_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Koravel Assurances"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Koravel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\koravel3.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "${SHORTCUT}"
  ; Only what the installer put there: the folder may have been chosen by
  ; hand and hold other files.
  !macroundef File
  !macro File path
    Delete "$INSTDIR\${path}"
  !macroend
  !include "${FILES}"
  RMDir "$INSTDIR\platforms"
  RMDir "$INSTDIR\sqldrivers"
  RMDir "$INSTDIR\styles"
  RMDir "$INSTDIR\tls"
  RMDir "$INSTDIR\translations"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "${FOLDER_KEY}"
SectionEnd
