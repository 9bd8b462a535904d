#!/usr/bin/env bash
# Checks the 32-bit deliverable build without running it: every binary is a
# PE32 i386 image that imports only DLLs a Windows system has (no mingw
# runtime DLL left to load), and the libraries bound by name at run time
# export their functions undecorated.
set -u
root=$1
bin=$root/i686/bin
[ -d "$bin" ] || { echo "no i686 build in $root: nothing to check"; exit 0; }
dump=i686-w64-mingw32-objdump
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|OLE32|OLEAUT32|COMCTL32|COMDLG32|WINMM|SHLWAPI|VERSION|MSIMG32|RPCRT4|msvcrt|api-ms-win-[a-z0-9-]+)\.dll$'
fail=0
for f in "$bin"/*.exe "$bin"/*.dll "$bin"/vexoapi-*/*.dll "$bin"/engine/*.dll; do
  [ -f "$f" ] || continue
  head=$($dump -f "$f" 2>/dev/null | grep -m1 'file format')
  case $head in *pei-i386*) ;; *) echo "$(basename "$f"): not a 32-bit image ($head)"; fail=1;; esac
  while read -r dll; do
    echo "$dll" | grep -Eiq "$allowed" || { echo "$(basename "$f") imports $dll"; fail=1; }
  done < <($dump -p "$f" | sed -n 's/^\s*DLL Name: //p')
done
exports() { $dump -p "$bin/$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p'; }
expect() { # dll names...
  local dll=$1; shift
  local have; have=$(exports "$dll")
  for name in "$@"; do
    grep -qx "$name" <<<"$have" || { echo "$dll does not export $name undecorated"; fail=1; }
  done
}
expect akrip32.dll GetNumAdapters GetCDList GetCDHandle ModifyCDParms ReadTOC ReadCDAudioLBA CloseCDHandle GetAspiLibError
expect mcivcd.dll DriverProc
expect lame_enc.dll beInitStream beEncodeChunk beDeinitStream beCloseStream
expect VexoCOM.dll DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer
# The simulated engine as the server binds it, by undecorated names.
expect engine/VexoAPI.dll VexoInit VexoDone VexoGetAvailableDrivesEx VexoOpenDevice VexoCloseDevice VexoFreeMem \
  VexoCreateProgress VexoBurn VexoDAE VexoGetCDInfo VexoEraseDisc VexoWaitForDisc VexoGetAPIVersionEx
# The window libraries CadrelConverter.exe loads on first use, named as
# their DLLs export them (a decorated name would fail at the first call).
names=$(strings -a "$bin/CadrelConverter.exe")
for name in InitCommonControlsEx ImageList_Create ImageList_Destroy ImageList_ReplaceIcon GetOpenFileNameA; do
  grep -qx "$name" <<<"$names" || { echo "CadrelConverter.exe: no delay-load import named $name"; fail=1; }
done
[ $fail = 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
