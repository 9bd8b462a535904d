#!/usr/bin/env bash
# The 32-bit builds of VexoAPI.dll, checked without running them: every name
# of the export list is exported undecorated by the main engine, and each
# variant lacks exactly the exports it should.
set -u
root=$1 def=$2
bin=$root/i686/bin
[ -f "$bin/vexoapi-v2/VexoAPI.dll" ] || { echo "no i686 engine in $root: nothing to check"; exit 0; }
exports() { i686-w64-mingw32-objdump -p "$bin/$1/VexoAPI.dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort; }
all=$(sed -n 's/^    \(Vexo[A-Za-z]*\)$/\1/p' "$def" | sort)
fail=0
check() { # folder missing...
  local folder=$1; shift
  local want=$all
  for m in "$@"; do want=$(grep -vx "$m" <<<"$want"); done
  local have; have=$(exports "$folder")
  if [ "$have" != "$want" ]; then
    echo "$folder: exports differ from the list:"; diff <(echo "$want") <(echo "$have"); fail=1
  fi
  i686-w64-mingw32-objdump -f "$bin/$folder/VexoAPI.dll" | grep -q pei-i386 || { echo "$folder: not a 32-bit image"; fail=1; }
}
check vexoapi-v2
check vexoapi-v1
check vexoapi-noex VexoGetAPIVersionEx VexoSetExpectedAPIVersionEx
check vexoapi-nowait VexoWaitForDisc
check vexoapi-novers
[ $fail = 0 ] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
