#!/bin/sh
# Inspects the release package of one architecture: only the tool and its description, no
# stand-in library; the tool a console program of the right machine that imports only system
# DLLs and describes itself in its version resource.
# usage: check-package.sh <cmake> <objdump> <strings> <i386|x86-64> <release zip>
cmake=$1
objdump=$2
strings=$3
machine=$4
package=$5
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
    echo "FAIL: $*"
    status=1
}

(cd "$work" && "$cmake" -E tar xf "$package") || { echo "FAIL: cannot unpack $package"; exit 1; }
contents=$(cd "$work" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$contents" = "GetSessionLevel.exe GetSessionLevel.txt " ] || fail "package holds: $contents"

exe=$work/GetSessionLevel.exe
header=$("$objdump" -f "$exe")
details=$("$objdump" -p "$exe")
case $machine in
i386)
    echo "$header" | grep -q 'file format pei-i386' || fail "not an i386 image"
    echo "$details" | grep -Eq '^Magic[[:space:]]+010b' || fail "not PE32"
    ;;
x86-64)
    echo "$header" | grep -q 'file format pei-x86-64' || fail "not an x86-64 image"
    echo "$details" | grep -Eq '^Magic[[:space:]]+020b' || fail "not PE32+"
    ;;
esac
echo "$details" | grep -Eq '^Subsystem[[:space:]]+00000003' || fail "not a console program"
sh "$here/check-imports.sh" "$objdump" "$exe" || status=1

texts=$("$strings" -el "$exe")
for text in "Get current session level utility" \
    "Utility prints and returns current user session level" \
    FileVersion ProductVersion; do
    echo "$texts" | grep -qF "$text" || fail "version resource lacks \"$text\""
done

[ $status -eq 0 ] && echo "$(basename "$package"): $contents- $machine console program, system imports, version resource"
exit $status
