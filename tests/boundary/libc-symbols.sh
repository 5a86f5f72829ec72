#!/bin/sh
# Fails when a library defines a function or object of the C library: a library that does
# replaces it for every program that loads it (or that links its static form), behind the
# program's back.
#   libc-symbols.sh LIBRARY...   (shared libraries and static archives)
set -eu
export LC_ALL=C
libc=$(ldd "$1" 2>/dev/null | awk '$1 ~ /^libc\.so/ { print $3; exit }')
[ -n "$libc" ] || libc=$(${CC:-cc} -print-file-name=libc.so.6)
[ -f "$libc" ] || { echo "the C library was not found"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
names() { sed -e 's/@.*//' | sort -u; }
nm -D --defined-only "$libc" | awk '{ print $NF }' | names >"$work/libc"
status=0
for lib in "$@"; do
    [ -z "$lib" ] || [ -f "$lib" ] || { echo "$lib: not built"; status=1; continue; }
    [ -n "$lib" ] || continue
    case "$lib" in
        *.a) nm -g --defined-only "$lib" 2>/dev/null | awk 'NF == 3 { print $3 }' | names >"$work/lib" ;;
        *) nm -D --defined-only "$lib" | awk '$2 != "A" { print $NF }' | names >"$work/lib" ;;
    esac
    clash=$(comm -12 "$work/libc" "$work/lib")
    if [ -n "$clash" ]; then
        echo "$lib defines what the C library provides:"
        printf '%s\n' "$clash" | head -20
        status=1
    fi
done
exit $status
