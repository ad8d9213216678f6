#!/usr/bin/env bash
# Every .exe of a Windows build may import only DLLs that ship with Windows. Direct3D 9,
# DirectInput and MSIMG32 are loaded at run time by name, so they are not on the list:
# a static import of one of them fails too, as does the compiler's own runtime
# (libgcc_s_*.dll, libstdc++-6.dll, libwinpthread-1.dll).
#   scripts/check-imports.sh build/mingw [build/mingw64 ...]
set -euo pipefail

allowed=(kernel32.dll user32.dll gdi32.dll comctl32.dll ole32.dll msvcrt.dll)

objdump=""
for tool in x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump objdump; do
  if command -v "$tool" >/dev/null; then objdump=$tool; break; fi
done
[ -n "$objdump" ] || { echo "check-imports: no objdump found" >&2; exit 2; }

status=0
count=0
for dir in "$@"; do
  mapfile -t exes < <(find "$dir" -name '*.exe' -not -path '*/CMakeFiles/*' | sort)
  if ((${#exes[@]} == 0)); then
    echo "check-imports: no .exe under $dir" >&2
    status=1
    continue
  fi
  for exe in "${exes[@]}"; do
    count=$((count + 1))
    while read -r dll; do
      lower=${dll,,}
      ok=0
      for a in "${allowed[@]}"; do [ "$lower" = "$a" ] && ok=1; done
      if ((!ok)); then
        echo "check-imports: $exe imports $dll, which Windows does not ship or which must be loaded at run time"
        status=1
      fi
    done < <("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p')
  done
done
((status == 0)) && echo "check-imports: $count programs import only DLLs that ship with Windows"
exit $status
