#!/bin/sh
# Fails unless a stand-in service library exports exactly the names of the service table,
# undecorated (no @N suffix, which i686 __stdcall names would otherwise carry).
# usage: check-exports.sh <objdump> <table .inc> <dll>
objdump=$1
table=$2
dll=$3
expected=$(sed -n 's/^ZR_SRVAPI_EXPORT([A-Za-z]*, *\([A-Za-z0-9_]*\),.*/\1/p' "$table" | sort)
actual=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' | sort)
count=$(echo "$actual" | grep -c .)
if [ "$expected" != "$actual" ]; then
    echo "FAIL: exports of $dll differ from the table:"
    printf '%s\n' "$expected" >/tmp/zr-expected.$$
    printf '%s\n' "$actual" | diff /tmp/zr-expected.$$ - | sed 's/^/  /'
    rm -f /tmp/zr-expected.$$
    exit 1
fi
echo "$(basename "$dll"): $count exports, as in the table"
