#!/bin/sh
# Fails unless an executable's image header says what the tool must be: a console program for
# Windows 7 and later (subsystem and OS version 6.1), aware of terminal servers, with ASLR and
# DEP, and, for a 64-bit image, high-entropy ASLR, for a 32-bit one no SE handlers (NO_SEH).
# usage: check-image.sh <objdump> <exe>
objdump=$1
exe=$2
status=0
fail() {
    echo "FAIL: $(basename "$exe"): $*"
    status=1
}
details=$("$objdump" -p "$exe")
field() { echo "$details" | awk -v name="$1" '$1 == name { print $2; exit }'; }

[ "$(field Subsystem)" = 00000003 ] || fail "subsystem $(field Subsystem), not a console program"
for part in OSystem:OS Subsystem:subsystem; do
    version="$(field "Major${part%:*}Version").$(field "Minor${part%:*}Version")"
    [ "$version" = 6.1 ] || fail "${part#*:} version $version, not 6.1"
done
flags=$((0x$(field DllCharacteristics)))
required=$((0x8000 | 0x0100 | 0x0040)) # terminal server aware, NX compatible, dynamic base
case $(field Magic) in
020b) required=$((required | 0x0020)) ;; # high-entropy VA
010b) required=$((required | 0x0400)) ;; # no SE handlers
esac
[ $((flags & required)) -eq $required ] ||
    fail "DllCharacteristics $(field DllCharacteristics) lack $(printf '%04x' $((required & ~flags)))"
[ $status -eq 0 ] && echo "$(basename "$exe"): console, Windows 6.1, DllCharacteristics $(field DllCharacteristics)"
exit $status
