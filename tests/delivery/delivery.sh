#!/usr/bin/env bash
# The setup programs of build/dist/ (build/dist/x86_64/ where the tests run
# the 64-bit build) under Wine, in a fresh prefix of their own
# (build/delivery/wineprefix-ARCH) with the demo disc in its drive D:.
#   delivery.sh prefix    make the setups, create the prefix (fixture)
#   delivery.sh cadrel    install CadrelConverter silently, rip the demo
#                         disc's first track headlessly, uninstall; again
#                         with /REMOVESETTINGS; a setup made with an
#                         ffmpeg.exe (the tests' own) converts with it
#   delivery.sh vexocom   install VexoCOM silently (twice), burn a data disc
#                         into an image from a script, uninstall; again over
#                         an engine that was registered before
#   delivery.sh stop      end the prefix's wine server
# Each uninstall must leave the registry and the program folders as they
# were before the install, but for the settings a user keeps.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
. "$repo/scripts/wine-env"
work=$BUILD_DIR/delivery/$TEST_ARCH
export WINEPREFIX=$BUILD_DIR/delivery/wineprefix-$TEST_ARCH
# No desktop entries on the Linux side for the Start-menu shortcuts.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
version=$(tr -d ' \r\n' <"$repo/installers/VERSION")
if [ "$TEST_ARCH" = i686 ]; then dist=$BUILD_DIR/dist; else dist=$BUILD_DIR/dist/x86_64; fi
drive_c=$WINEPREFIX/drive_c
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }
winpath() { "$WINE" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
# A value of a key as `reg query` prints it ("" when there is none).
reg_value() { # KEY NAME
  "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p" | head -1
}
settle() { "$WINESERVER" -w; }

# The registry (without Wine's own churn) and the program folders as lines.
snapshot() { # NAME
  settle
  { python3 "$here/reg_listing.py" HKLM "$WINEPREFIX/system.reg"
    python3 "$here/reg_listing.py" HKCU "$WINEPREFIX/user.reg"; } >"$work/$1.reg.txt"
  (cd "$drive_c" && find "Program Files" "Program Files (x86)" "ProgramData" "users/Public" -print 2>/dev/null | sort) >"$work/$1.files.txt"
}
# The difference between two snapshots, minus lines matching KEEP (a regex).
compare() { # BEFORE AFTER WHAT [KEEP]
  local keep=${4:-'^$'} d
  for kind in reg files; do
    d=$(diff "$work/$1.$kind.txt" "$work/$2.$kind.txt" | grep '^[<>]' | grep -Ev "$keep" || true)
    if [ -n "$d" ]; then fail "$3: the $kind differ from before the install:"; echo "$d" | head -40
    else ok "$3: the $kind are as before the install"; fi
  done
}
install() { # SETUP
  local rc=0
  "$WINE" "$1" /S >"$work/setup.log" 2>&1 || rc=$?
  settle
  [ "$rc" = 0 ] && ok "$(basename "$1") /S installed" || fail "$(basename "$1") /S ended with $rc"
}
uninstall() { # FOLDER ARGS...
  local folder=$1 rc=0; shift
  [ -f "$folder/uninstall.exe" ] || { fail "no uninstall.exe in $folder"; return; }
  # The uninstaller runs a copy of itself from the temporary folder; the
  # wine server ends once that copy is done.
  "$WINE" "$folder/uninstall.exe" /S "$@" >"$work/uninstall.log" 2>&1 || rc=$?
  settle
  # That copy is removed at the next start of Windows: restart the prefix.
  "$WINE" wineboot -r >/dev/null 2>&1 || true
  settle
  [ "$rc" = 0 ] && ok "uninstall.exe /S $* ran" || fail "uninstall.exe /S $* ended with $rc"
}
# The Add/Remove Programs entry of KEY, installed into FOLDER (Windows path).
check_entry() { # KEY NAME FOLDER
  local k="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" v
  [ "$(reg_value "$k" DisplayName)" = "$2" ] && ok "$1: DisplayName" || fail "$1: DisplayName is \"$(reg_value "$k" DisplayName)\""
  [ "$(reg_value "$k" DisplayVersion)" = "$version" ] && ok "$1: DisplayVersion $version" || fail "$1: DisplayVersion is \"$(reg_value "$k" DisplayVersion)\""
  [ "$(reg_value "$k" Publisher)" = "Velmora Software" ] && ok "$1: Publisher" || fail "$1: Publisher is \"$(reg_value "$k" Publisher)\""
  [ "$(reg_value "$k" InstallLocation)" = "$3" ] && ok "$1: InstallLocation" || fail "$1: InstallLocation is \"$(reg_value "$k" InstallLocation)\""
  [ "$(reg_value "$k" UninstallString)" = "\"$3\\uninstall.exe\"" ] && ok "$1: UninstallString" || fail "$1: UninstallString is \"$(reg_value "$k" UninstallString)\""
  [ "$(reg_value "$k" QuietUninstallString)" = "\"$3\\uninstall.exe\" /S" ] && ok "$1: QuietUninstallString" || fail "$1: QuietUninstallString is \"$(reg_value "$k" QuietUninstallString)\""
  v=$(reg_value "$k" EstimatedSize)
  [ -n "$v" ] && [ $((v)) -gt 0 ] && ok "$1: EstimatedSize $((v)) KiB" || fail "$1: EstimatedSize is \"$v\""
}
program_files="Program Files"

case ${1:-} in
prefix)
  "$repo/installers/build-installers" "$TEST_ARCH"
  "$WINESERVER" -k 2>/dev/null || true
  rm -rf "$WINEPREFIX" "$work"
  mkdir -p "$work/cdrom"
  "$WINE" wineboot -i >/dev/null 2>&1 || true
  settle
  # Drive D: is a CD-ROM drive holding the demo disc; the machine's MCI
  # cdaudio device is served by the stand-in driver.
  for f in "$DISCS_DIR/demo/demo.cue" "$DISCS_DIR/demo/demo.bin"; do ln -f "$f" "$work/cdrom/" 2>/dev/null || cp -f "$f" "$work/cdrom/"; done
  ln -sfn "$work/cdrom" "$WINEPREFIX/dosdevices/d:"
  "$WINE" reg add 'HKLM\Software\Wine\Drives' /v d: /t REG_SZ /d cdrom /f >/dev/null 2>&1
  "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\MCI' /v cdaudio /t REG_SZ /d "$(winpath "$BIN_DIR/mcivcd.dll")" /f >/dev/null 2>&1
  # The script host registers its own type libraries the first time it
  # runs, and the scripting objects theirs when first used: before any
  # listing is taken.
  # So does the console of the first console program (its defaults under HKCU\Console).
  printf 'Set f = CreateObject("Scripting.FileSystemObject")\r\nSet s = CreateObject("WScript.Shell")\r\nWScript.Echo f.GetTempName\r\ns.Run "cmd /c exit", 0, True\r\n' >"$work/warm-up.vbs"
  "$WINE" cscript //nologo "$(winpath "$work/warm-up.vbs")" >/dev/null 2>&1 || true
  "$WINESERVER" -k 2>/dev/null || true
  settle
  [ -f "$drive_c/windows/system32/kernel32.dll" ] || { echo "FAIL: no prefix in $WINEPREFIX"; exit 1; }
  echo "prefix ready: $WINEPREFIX"
  ;;

cadrel)
  setup=$dist/CadrelConverter-$version-setup.exe
  [ -f "$setup" ] || { echo "FAIL: $setup is missing: run scripts/build"; exit 1; }
  folder="$drive_c/$program_files/Velmora/CadrelConverter"
  wfolder="C:\\$program_files\\Velmora\\CadrelConverter"
  settings='HKCU\Software\VB and VBA Program Settings\CADREL'
  snapshot before
  install "$setup"
  for f in CadrelConverter.exe cadrel-rip.exe cadrel-convert.exe lame_enc.dll akrip32.dll akrip32.ini avformat.dll uninstall.exe; do
    [ -f "$folder/$f" ] || fail "$f was not installed"
  done
  [ -f "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Velmora/Velmora Cadrel and Converter.lnk" ] \
    && ok "Start-menu entry" || fail "no Start-menu entry"
  check_entry CadrelConverter "Velmora Cadrel and Converter" "$wfolder"

  # The installed program rips the first track of the demo disc.
  mkdir -p "$work/rip"
  rc=0
  (cd "$folder" && "$WINE" CadrelConverter.exe /rip /tracks:1 /format:WAV "/out:$(winpath "$work/rip")") >"$work/rip.log" 2>&1 || rc=$?
  settle
  tr -d '\r' <"$work/rip.log" | tail -5
  [ "$rc" = 0 ] && ok "headless rip ended with 0" || fail "headless rip ended with $rc"
  wav=$(ls "$work/rip"/*.wav 2>/dev/null | head -1 || true)
  if [ -n "$wav" ] && python3 "$here/same_pcm.py" "$wav" "$work/cdrom/demo.cue" 1; then ok "$(basename "$wav") holds track 1's audio"
  else fail "the rip wrote no WAV file with track 1's audio"; fi

  # A user's settings stay after a silent uninstall ...
  "$WINE" reg add "$settings\\Path1" /v txtOutPath /t REG_SZ /d 'C:\Music' /f >/dev/null 2>&1
  uninstall "$folder"
  [ -d "$folder" ] && fail "$folder is still there" || ok "program folder removed"
  snapshot after
  compare before after "uninstall keeping the settings" 'CADREL|VB and VBA Program Settings'
  grep -qF 'CADREL\\Path1 :: "txtOutPath"="C:\\Music"' "$work/after.reg.txt" && ok "settings kept" || fail "the settings are gone"
  # ... and go with /REMOVESETTINGS.
  install "$setup"
  uninstall "$folder" /REMOVESETTINGS
  snapshot removed
  compare before removed "uninstall with /REMOVESETTINGS"

  # A setup made with a Windows ffmpeg.exe puts it beside the converter,
  # where a conversion finds it, and takes it away again.
  DIST_DIR=$work/dist-ffmpeg FFMPEG_DIR=$BIN_DIR/fake-ffmpeg "$repo/installers/build-installers" "$TEST_ARCH" >/dev/null
  install "$(ls "$work"/dist-ffmpeg/*/CadrelConverter-*-setup.exe "$work"/dist-ffmpeg/CadrelConverter-*-setup.exe 2>/dev/null | head -1)"
  [ -f "$folder/ffmpeg.exe" ] && ok "ffmpeg.exe installed beside avformat.dll" || fail "no ffmpeg.exe in $folder"
  mkdir -p "$work/convert"
  printf 'not really a clip' >"$work/convert/clip.avi"
  rc=0
  (cd "$folder" && "$WINE" cadrel-convert.exe /convert "$(winpath "$work/convert/clip.avi")" "/preset:MP3 Sound (MP3)" \
    "/out:$(winpath "$work/convert")") >"$work/convert.log" 2>&1 || rc=$?
  settle
  # The tests' ffmpeg.exe writes "fake output" (Debian's would refuse this clip).
  if [ "$rc" = 0 ] && grep -q '1 of 1 files converted' "$work/convert.log" \
     && grep -qx 'fake output' "$work/convert/clip.mp3" 2>/dev/null; then ok "the installed program converts with the installed ffmpeg.exe"
  else fail "conversion with the installed ffmpeg.exe ended with $rc:"; tr -d '\r' <"$work/convert.log" | tail -5; ls "$work/convert"; fi
  uninstall "$folder" /REMOVESETTINGS
  snapshot removed-ffmpeg
  compare before removed-ffmpeg "uninstall of the setup with ffmpeg.exe"
  ;;

vexocom)
  setup=$dist/VexoCOM-$version-setup.exe
  [ -f "$setup" ] || { echo "FAIL: $setup is missing: run scripts/build"; exit 1; }
  folder="$drive_c/$program_files/Velmora/VexoCOM"
  wfolder="C:\\$program_files\\Velmora\\VexoCOM"
  engine_key='HKLM\SOFTWARE\Quarn\Shared'
  engine="$drive_c/$program_files/Common Files/Quarn/VexoAPI"
  snapshot before
  install "$setup"
  # A second install over the first: its engine is still the setup's own.
  install "$setup"
  for f in VexoCOM.dll uninstall.exe; do [ -f "$folder/$f" ] || fail "$f was not installed"; done
  for f in "$repo"/samples/*; do [ -f "$folder/Samples/$(basename "$f")" ] || fail "sample $(basename "$f") was not installed"; done
  check_entry VexoCOM "Velmora VexoCOM" "$wfolder"
  [ "$(reg_value "$engine_key" VexoAPI)" = "C:\\$program_files\\Common Files\\Quarn\\VexoAPI" ] \
    && ok "engine registered" || fail "engine value is \"$(reg_value "$engine_key" VexoAPI)\""
  [ -f "$engine/VexoAPI.dll" ] && [ -f "$engine/VexoAPI.ini" ] && ok "engine installed" || fail "no engine in $engine"

  # A script burns a data disc into an image through the installed server.
  mkdir -p "$work/data/docs"
  printf 'first file\n' >"$work/data/readme.txt"
  head -c 300000 /dev/urandom >"$work/data/docs/blob.bin"
  rm -f "$work/disc.iso"
  "$WINE" cscript //nologo "$(winpath "$here/data_disc.vbs")" "$(winpath "$work/data")" "$(winpath "$work/disc.iso")" \
    "$(winpath "$BIN_DIR/delivery/close-when-done.exe")" 2>/dev/null \
    | tr -d '\r' | tee "$work/script.log"
  settle
  grep -q '^recorder: Quarn Image Recorder$' "$work/script.log" && ok "CreateObject(\"Vexo.Vexo\") and the image recorder" || fail "the script did not reach the recorder"
  if [ -f "$work/disc.iso" ] && isoinfo -i "$work/disc.iso" -J -x '/docs/blob.bin;1' | cmp -s - "$work/data/docs/blob.bin" \
     && [ "$(isoinfo -i "$work/disc.iso" -J -x '/readme.txt;1')" = "first file" ]; then ok "the image holds the folder's files"
  else fail "no image with the folder's files"; fi

  uninstall "$folder"
  snapshot after
  compare before after "uninstall"

  # An engine registered before is used and left alone.
  mkdir -p "$drive_c/Other Engine"
  cp "$BIN_DIR/engine/VexoAPI.dll" "$drive_c/Other Engine/"
  "$WINE" reg add "$engine_key" /v VexoAPI /t REG_SZ /d 'C:\Other Engine' /f >/dev/null 2>&1
  snapshot before-engine
  install "$setup"
  [ "$(reg_value "$engine_key" VexoAPI)" = 'C:\Other Engine' ] && ok "registered engine kept" || fail "engine value changed to \"$(reg_value "$engine_key" VexoAPI)\""
  [ -e "$engine" ] && fail "an engine was installed beside the registered one" || ok "no second engine"
  uninstall "$folder"
  snapshot after-engine
  compare before-engine after-engine "uninstall over a registered engine"
  [ -f "$drive_c/Other Engine/VexoAPI.dll" ] && ok "the registered engine is still there" || fail "the registered engine was removed"
  ;;

stop)
  "$WINESERVER" -k 2>/dev/null || true
  exit 0
  ;;
*)
  echo "usage: $0 prefix|cadrel|vexocom|stop" >&2; exit 2 ;;
esac

echo "$(basename "$0") ${1}: $failures failed"
[ "$failures" = 0 ]
