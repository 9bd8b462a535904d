; Setup program of CadrelConverter: the program and its console forms, the
; MP3 encoder library, the CD access library with its configuration, the
; outside converter (avformat.dll, and ffmpeg.exe with what it needs when the
; build was given one), a Start-menu entry and an uninstaller.
; The uninstaller leaves the user's settings unless its "Remove my settings"
; component is checked or, silent, /REMOVESETTINGS is given.
Target ${TARGET}
!include "common.nsh"

!define KEY "CadrelConverter"
!define SETTINGS_KEY "Software\VB and VBA Program Settings\CADREL"
!define MENU_FOLDER "$SMPROGRAMS\Velmora"
!define SHORTCUT "${MENU_FOLDER}\Velmora Cadrel and Converter.lnk"

Name "Velmora Cadrel and Converter"
OutFile "${OUTDIR}\CadrelConverter-${VERSION}-setup.exe"
InstallDir "${PROGRAM_FILES}\Velmora\CadrelConverter"
VIAddVersionKey /LANG=1033 "ProductName" "Velmora Cadrel and Converter"
VIAddVersionKey /LANG=1033 "FileDescription" "Velmora Cadrel and Converter setup"

Page directory
Page instfiles
UninstPage components
UninstPage instfiles

Function .onInit
  !insertmacro TargetView
  ; A second install goes where the first one is.
  ReadRegStr $0 HKLM "${UNINSTALL_ROOT}\${KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

Section "CadrelConverter" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${BIN}\CadrelConverter.exe"
  File "${BIN}\cadrel-rip.exe"
  File "${BIN}\cadrel-convert.exe"
  File "${BIN}\lame_enc.dll"
  File "${BIN}\akrip32.dll"
  File "${BIN}\avformat.dll"
  ; The CD access library's configuration is the user's once installed.
  SetOverwrite off
  File "akrip32.ini"
  SetOverwrite on
!ifdef FFMPEG_FILES
  !include "${FFMPEG_FILES}"
  !insertmacro InstallFfmpeg
!endif
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateDirectory "${MENU_FOLDER}"
  CreateShortCut "${SHORTCUT}" "$INSTDIR\CadrelConverter.exe"
  !insertmacro WriteUninstallEntry "${KEY}" "Velmora Cadrel and Converter" "$INSTDIR\CadrelConverter.exe"
SectionEnd

Section "un.CadrelConverter" UnSecProgram
  SectionIn RO
  Delete "$INSTDIR\CadrelConverter.exe"
  Delete "$INSTDIR\cadrel-rip.exe"
  Delete "$INSTDIR\cadrel-convert.exe"
  Delete "$INSTDIR\lame_enc.dll"
  Delete "$INSTDIR\akrip32.dll"
  Delete "$INSTDIR\akrip32.ini"
  Delete "$INSTDIR\avformat.dll"
!ifdef FFMPEG_FILES
  !insertmacro RemoveFfmpeg
!endif
  Delete "$INSTDIR\${UNINSTALLER}"
  Delete "${SHORTCUT}"
  RMDir "${MENU_FOLDER}"
  DeleteRegKey HKLM "${UNINSTALL_ROOT}\${KEY}"
  !insertmacro RemoveEmptyParents
SectionEnd

; Unchecked unless asked for: the output folder and converter choices the
; program keeps for the user who runs the uninstaller.
Section /o "un.Remove my settings" UnSecSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\VB and VBA Program Settings"
SectionEnd

; After the sections, whose numbers it uses.
Function un.onInit
  !insertmacro TargetView
  ${un.GetParameters} $R0
  ClearErrors
  ${un.GetOptions} $R0 "/REMOVESETTINGS" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecSettings}
  ${EndIf}
FunctionEnd
