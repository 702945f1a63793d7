#!/bin/sh
# The release MSI the way a fleet gets it: installed silently by msiexec into a 64-bit Windows
# (the build's prefix; msiexec is the 64-bit one, as Group Policy and management agents run it),
# the installed tool run once, a package of a higher version installed over it, and removed.
# One step per call, in this order:
#   msi.sh <step> <wine env> <msi> <version> <upgrade msi> <upgrade version> <built exe>
#          <stand-in folder> <launcher exe> <strings>
#   step: install | run | upgrade | uninstall
set -u
step=$1
. "$2"
msi=$3 version=$4 upgrade=$5 upgrade_version=$6 built=$7 standin=$8 launcher=$9
shift 9
strings=$1

folder="$WINEPREFIX/drive_c/Program Files (x86)/GetSessionLevel"
installed='C:\Program Files (x86)\GetSessionLevel\GetSessionLevel.exe'
status=0
fail() {
    echo "FAIL: $*"
    status=1
}
windows_path() { echo "Z:$1" | tr / '\\'; }
msiexec() { "$ZR_WINE64" msiexec "$@" </dev/null >>"$ZR_WINE_LOG" 2>&1; }

# "name version" of every installed product named GetSessionLevel, from the 32-bit view's list
# of installed programs, where 32-bit packages register on 64-bit Windows.
products() {
    "$ZR_WINE64" reg query 'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall' /s \
        </dev/null 2>/dev/null | tr -d '\r' | awk '
        /^HKEY_/ { if (name == "GetSessionLevel") print name, version; name = ""; version = "" }
        $1 == "DisplayName" { name = $3 }
        $1 == "DisplayVersion" { version = $3 }
        END { if (name == "GetSessionLevel") print name, version }'
}

# The installed files: the tool, its text and the script example, and nothing else.
check_files() {
    contents=$(cd "$folder" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
    [ "$contents" = "GetSessionLevel.exe GetSessionLevel.txt examples/SessionLevel.cmd " ] ||
        fail "installed: ${contents:-nothing}"
    cmp -s "$folder/GetSessionLevel.exe" "$built" || fail "the installed tool is not the one built"
    copies=$(find "$WINEPREFIX/drive_c" -iname GetSessionLevel.exe | wc -l)
    [ "$copies" -eq 1 ] || fail "$copies copies of GetSessionLevel.exe in the prefix"
}

case $step in
install)
    msiexec /x "$upgrade" /qn # what an earlier, interrupted run may have left
    msiexec /x "$msi" /qn
    msiexec /i "$msi" /qn || fail "msiexec /i $(basename "$msi") failed"
    check_files
    [ "$(products)" = "GetSessionLevel $version" ] || fail "registered: $(products)"
    texts=$("$strings" -el "$folder/GetSessionLevel.exe")
    for text in "Get current session level utility" "$version.0"; do
        echo "$texts" | grep -qxF "$text" || fail "installed version resource lacks \"$text\""
    done
    ;;
run)
    if [ -f "$ZR_WINE_UNAVAILABLE" ]; then
        echo "skipped: $(cat "$ZR_WINE_UNAVAILABLE")"
        exit $ZR_SKIP
    fi
    # The service library where the library search finds it: on the path, not in the folder.
    output=$(WINEPATH=$(windows_path "$standin") "$ZR_WINE" "$launcher" "$installed" </dev/null |
        tr -d '\r')
    expected=$(printf 'The current session level: 2\nexit code: 2 (0x00000002)')
    [ "$output" = "$expected" ] || fail "the installed tool printed: $output"
    ;;
upgrade)
    msiexec /i "$upgrade" /qn || fail "msiexec /i $(basename "$upgrade") failed"
    check_files
    [ "$(products)" = "GetSessionLevel $upgrade_version" ] || fail "registered: $(products)"
    # An older package does not go over a newer one.
    msiexec /i "$msi" /qn && fail "$(basename "$msi") went over the newer version"
    [ "$(products)" = "GetSessionLevel $upgrade_version" ] || fail "registered: $(products)"
    ;;
uninstall)
    msiexec /x "$upgrade" /qn || fail "msiexec /x $(basename "$upgrade") failed"
    [ ! -e "$folder" ] || fail "left behind: $(find "$folder")"
    [ -z "$(products)" ] || fail "still registered: $(products)"
    ;;
*)
    echo "unknown step $step" >&2
    exit 2
    ;;
esac
[ $status -eq 0 ] && echo "$step: as expected"
exit $status
