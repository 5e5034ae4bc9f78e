#!/usr/bin/env bash
# Compares the dynamic symbols that a library defines with a checked-in list, or rewrites the
# list. Usage: exported-symbols.sh check|update NM LIBRARY LIST
set -euo pipefail
mode="$1" nm="$2" library="$3" list="$4"

# Demangled, without addresses and kinds, so that the list reads as an interface and a symbol
# moving between text and weak does not count as a change.
exported() {
    "$nm" -D --defined-only --demangle "$library" | sed -E 's/^[0-9a-f]* *[A-Za-z] //' |
        LC_ALL=C sort -u
}

case "$mode" in
update)
    {
        echo "# What libtoolbox.so exports. Rewrite with: cmake --build build --target update_exported_symbols"
        exported
    } > "$list"
    ;;
check)
    if ! diff -u <(grep -v '^#' "$list") <(exported) > /dev/null; then
        echo "libtoolbox.so exports differ from $list ('-' only in the list, '+' only in the library):"
        diff -u <(grep -v '^#' "$list") <(exported) | tail -n +3 || true
        echo "If the change is intended: cmake --build build --target update_exported_symbols"
        exit 1
    fi
    ;;
*)
    echo "usage: $0 check|update NM LIBRARY LIST" >&2
    exit 2
    ;;
esac
