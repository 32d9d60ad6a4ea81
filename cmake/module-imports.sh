#!/usr/bin/env bash
# module-imports.sh NM MODULE LIST SCRIPT ARCHIVE...: of the module's undefined symbols, those the
# program's own static libraries define, as a dynamic list (exported) and as a linker script of
# EXTERN lines (linked in even where nothing else of the program uses them). See ModuleImports.cmake.
set -euo pipefail
nm="$1" module="$2" list="$3" script="$4"
shift 4
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$nm" -D --undefined-only --format=just-symbols "$module" | sort -u >"$work/undefined"
"$nm" --defined-only --format=just-symbols "$@" 2>/dev/null | grep -v ':$' | sort -u >"$work/defined"
comm -12 "$work/undefined" "$work/defined" >"$work/imports"
{ echo '{'; sed 's/.*/  &;/' "$work/imports"; echo '};'; } >"$list"
sed 's/.*/EXTERN(&)/' "$work/imports" >"$script"
