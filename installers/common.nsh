; What both setup programs share: the publisher, the version, the program
; folder and registry view of the target, and the Add/Remove Programs entry.
; Defined on makensis's command line (see build-installers):
;   VERSION   the product version (installers/VERSION)
;   BIN       the build's program folder (build/ARCH/bin)
;   OUTDIR    where the setup program is written
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include Sections.nsh

!define PUBLISHER "Velmora Software"
!define UNINSTALL_ROOT "Software\Microsoft\Windows\CurrentVersion\Uninstall"
!define UNINSTALLER "uninstall.exe"

; A 64-bit build installs into the 64-bit program folder and registry view,
; a 32-bit one into the 32-bit ones (Program Files (x86) and WOW6432Node on
; a 64-bit system), where its 32-bit programs look.
!if ${NSIS_PTR_SIZE} > 4
  !define PROGRAM_FILES "$PROGRAMFILES64"
  !define COMMON_FILES "$COMMONFILES64"
  !define REG_VIEW 64
!else
  !define PROGRAM_FILES "$PROGRAMFILES32"
  !define COMMON_FILES "$COMMONFILES32"
  !define REG_VIEW 32
!endif

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

; Every setup and uninstall step works on the machine-wide view.
!macro TargetView
  !if ${REG_VIEW} == 64
    ${IfNot} ${RunningX64}
      MessageBox MB_ICONSTOP "This is the 64-bit build: it needs 64-bit Windows." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  !endif
  SetRegView ${REG_VIEW}
  SetShellVarContext all
!macroend

; The Add/Remove Programs entry KEY for what $INSTDIR now holds.
!macro WriteUninstallEntry KEY DISPLAY_NAME ICON
  WriteRegStr HKLM "${UNINSTALL_ROOT}\${KEY}" "DisplayName" "${DISPLAY_NAME}"
  WriteRegStr HKLM "${UNINSTALL_ROOT}\${KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_ROOT}\${KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_ROOT}\${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_ROOT}\${KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_ROOT}\${KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegStr HKLM "${UNINSTALL_ROOT}\${KEY}" "DisplayIcon" "${ICON}"
  WriteRegDWORD HKLM "${UNINSTALL_ROOT}\${KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_ROOT}\${KEY}" "NoRepair" 1
  ; EstimatedSize is in KiB.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_ROOT}\${KEY}" "EstimatedSize" $0
!macroend

; Removes the publisher's folder under Program Files once nothing is left in it.
!macro RemoveEmptyParents
  RMDir "$INSTDIR"
  RMDir "${PROGRAM_FILES}\Velmora"
!macroend
