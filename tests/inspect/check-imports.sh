#!/bin/sh
# Fails when a binary imports a DLL that a clean Windows machine may lack.
# usage: check-imports.sh <objdump> <binary>...
objdump=$1
shift
status=0
for binary in "$@"; do
    imports=$("$objdump" -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p')
    for dll in $imports; do
        case $(echo "$dll" | tr '[:upper:]' '[:lower:]') in
        kernel32.dll | user32.dll | advapi32.dll | msvcrt.dll | api-ms-win-crt-*.dll) ;;
        *)
            echo "FAIL: $binary imports $dll"
            status=1
            ;;
        esac
    done
    echo "$(basename "$binary"): ${imports:-(no imports)}" | tr '\n' ' '
    echo
done
exit $status
