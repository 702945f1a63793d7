#!/bin/sh
# Inspects the release zip: the shipped files and nothing else (nothing of the stand-ins), the
# tool exactly as built, a PE32 i386 program of at most 250 KiB. (What the built exe's image
# header, imports and resources hold is checked on it directly.)
# usage: check-package.sh <cmake> <objdump> <release zip> <built exe> "<shipped files>"
cmake=$1
objdump=$2
package=$3
built=$4
# shellcheck disable=SC2086 # the shipped files, a word each
shipped=$(printf '%s\n' $5 | LC_ALL=C sort | tr '\n' ' ')
max_size=256000
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
    echo "FAIL: $*"
    status=1
}

(cd "$work" && "$cmake" -E tar xf "$package") || { echo "FAIL: cannot unpack $package"; exit 1; }
contents=$(cd "$work" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
[ "$contents" = "$shipped" ] ||
    fail "package holds: $contents"

exe=$work/GetSessionLevel.exe
cmp -s "$exe" "$built" || fail "the packaged tool is not the one built"
"$objdump" -f "$exe" | grep -q 'file format pei-i386' || fail "not an i386 image"
"$objdump" -p "$exe" | grep -Eq '^Magic[[:space:]]+010b' || fail "not PE32"
size=$(wc -c <"$exe")
[ "$size" -le $max_size ] || fail "GetSessionLevel.exe is $size bytes, more than $max_size"

[ $status -eq 0 ] && echo "$(basename "$package"): $contents- the built i386 tool, $size bytes"
exit $status
