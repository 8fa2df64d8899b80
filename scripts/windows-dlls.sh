#!/usr/bin/env bash
# windows-dlls.sh FOLDER SEARCH-DIR...: copies into FOLDER every DLL that the
# .exe and .dll files under it load, found in the search folders or among the
# MinGW runtime's, and what those load in turn. Windows' own DLLs stay out.
set -euo pipefail
folder=$1
shift
search=("$@" /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib)
declare -A seen
queue=()
while IFS= read -r -d '' f; do queue+=("$f"); done < <(find "$folder" -iname '*.exe' -print0 -o -iname '*.dll' -print0)
while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
        key=${dll,,}
        [ -z "${seen[$key]:-}" ] || continue
        seen[$key]=1
        # Windows names are any case: libpq's import library says LIBPQ.dll.
        [ -n "$(find "$folder" -maxdepth 1 -iname "$dll")" ] && continue
        for dir in "${search[@]}"; do
            found=$(find "$dir" -maxdepth 1 -iname "$dll" -print -quit 2>/dev/null)
            if [ -n "$found" ]; then
                cp "$found" "$folder/"
                queue+=("$folder/$(basename "$found")")
                break
            fi
        done
    done
done
