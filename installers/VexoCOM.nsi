; Setup program of VexoCOM: the COM server, registered on install and
; unregistered on uninstall, its script samples, and the simulated burning
; engine (an image recorder) where the server looks for the engine:
; HKLM\SOFTWARE\Quarn\Shared "VexoAPI". An engine already registered there
; is left as it is; otherwise the engine goes into the folder that value
; names, or into Common Files\Quarn\VexoAPI with the value written. The
; uninstaller takes away only what the setup put there.
Target ${TARGET}
!include "common.nsh"

!define KEY "VexoCOM"
!define ENGINE_KEY "SOFTWARE\Quarn\Shared"
!define ENGINE_VALUE "VexoAPI"

Name "Velmora VexoCOM"
OutFile "${OUTDIR}\VexoCOM-${VERSION}-setup.exe"
InstallDir "${PROGRAM_FILES}\Velmora\VexoCOM"
VIAddVersionKey /LANG=1033 "ProductName" "Velmora VexoCOM"
VIAddVersionKey /LANG=1033 "FileDescription" "Velmora VexoCOM setup"

Page directory
Page instfiles
UninstPage instfiles

Var EngineDir

Function .onInit
  !insertmacro TargetView
  ReadRegStr $0 HKLM "${UNINSTALL_ROOT}\${KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

Section "VexoCOM" SecServer
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${BIN}\VexoCOM.dll"
  SetOutPath "$INSTDIR\Samples"
  File /r "${SAMPLES}\*.*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; The engine, unless one is registered already (one this setup installed
  ; before is brought up to date). What the setup installs is noted in its
  ; Add/Remove Programs key for the uninstaller.
  ReadRegStr $EngineDir HKLM "${ENGINE_KEY}" "${ENGINE_VALUE}"
  ReadRegStr $0 HKLM "${UNINSTALL_ROOT}\${KEY}" "EngineFolder"
  ${If} $EngineDir != ""
  ${AndIf} ${FileExists} "$EngineDir\VexoAPI.dll"
  ${AndIf} $EngineDir != $0
    DetailPrint "The engine registered in $EngineDir is kept."
  ${Else}
    ${If} $EngineDir == ""
      StrCpy $EngineDir "${COMMON_FILES}\Quarn\VexoAPI"
      WriteRegStr HKLM "${ENGINE_KEY}" "${ENGINE_VALUE}" "$EngineDir"
      WriteRegDWORD HKLM "${UNINSTALL_ROOT}\${KEY}" "EngineValueWritten" 1
    ${EndIf}
    SetOutPath "$EngineDir"
    File "${BIN}\engine\VexoAPI.dll"
    File "VexoAPI.ini"
    WriteINIStr "$EngineDir\VexoAPI.ini" "Device" "Recorder" "$DOCUMENTS\Vexo image.iso"
    WriteRegStr HKLM "${UNINSTALL_ROOT}\${KEY}" "EngineFolder" "$EngineDir"
    SetOutPath "$INSTDIR"
  ${EndIf}

  ClearErrors
  RegDLL "$INSTDIR\VexoCOM.dll"
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "VexoCOM.dll could not be registered." /SD IDOK
    SetErrorLevel 3
  ${EndIf}
  !insertmacro WriteUninstallEntry "${KEY}" "Velmora VexoCOM" "$INSTDIR\VexoCOM.dll"
SectionEnd

Function un.onInit
  !insertmacro TargetView
FunctionEnd

Section "un.VexoCOM"
  UnRegDLL "$INSTDIR\VexoCOM.dll"
  Delete "$INSTDIR\VexoCOM.dll"
  RMDir /r "$INSTDIR\Samples"
  Delete "$INSTDIR\${UNINSTALLER}"

  ReadRegStr $EngineDir HKLM "${UNINSTALL_ROOT}\${KEY}" "EngineFolder"
  ${If} $EngineDir != ""
    Delete "$EngineDir\VexoAPI.dll"
    Delete "$EngineDir\VexoAPI.ini"
    RMDir "$EngineDir"
    RMDir "${COMMON_FILES}\Quarn"
  ${EndIf}
  ReadRegDWORD $0 HKLM "${UNINSTALL_ROOT}\${KEY}" "EngineValueWritten"
  ${If} $0 = 1
    DeleteRegValue HKLM "${ENGINE_KEY}" "${ENGINE_VALUE}"
    DeleteRegKey /ifempty HKLM "${ENGINE_KEY}"
    DeleteRegKey /ifempty HKLM "SOFTWARE\Quarn"
  ${EndIf}
  DeleteRegKey HKLM "${UNINSTALL_ROOT}\${KEY}"
  !insertmacro RemoveEmptyParents
SectionEnd
