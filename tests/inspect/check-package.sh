#!/bin/sh
# Inspects the release package: the tool, its description and the script example, no
# stand-in library; the tool a PE32 i386 program of at most 250 KiB with the image header of
# check-image.sh, that imports only system DLLs and describes itself in its version resource.
# usage: check-package.sh <cmake> <objdump> <strings> <release zip>
cmake=$1
objdump=$2
strings=$3
package=$4
max_size=256000
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
    echo "FAIL: $*"
    status=1
}

(cd "$work" && "$cmake" -E tar xf "$package") || { echo "FAIL: cannot unpack $package"; exit 1; }
contents=$(cd "$work" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
[ "$contents" = "GetSessionLevel.exe GetSessionLevel.txt examples/SessionLevel.cmd " ] ||
    fail "package holds: $contents"

exe=$work/GetSessionLevel.exe
header=$("$objdump" -f "$exe")
details=$("$objdump" -p "$exe")
echo "$header" | grep -q 'file format pei-i386' || fail "not an i386 image"
echo "$details" | grep -Eq '^Magic[[:space:]]+010b' || fail "not PE32"
size=$(wc -c <"$exe")
[ "$size" -le $max_size ] || fail "GetSessionLevel.exe is $size bytes, more than $max_size"
sh "$here/check-image.sh" "$objdump" "$exe" || status=1
sh "$here/check-imports.sh" "$objdump" "$exe" || status=1

texts=$("$strings" -el "$exe")
for text in "Get current session level utility" \
    "Utility prints and returns current user session level" \
    FileVersion ProductVersion; do
    echo "$texts" | grep -qF "$text" || fail "version resource lacks \"$text\""
done

[ $status -eq 0 ] && echo "$(basename "$package"): $contents- i386 console program of $size bytes, system imports, version resource"
exit $status
