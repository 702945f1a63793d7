#!/bin/sh
# The release MSI the way a fleet gets it: installed silently by msiexec into a 64-bit Windows
# (the build's prefix; msiexec is the 64-bit one, as Group Policy and management agents run it),
# the installed tool run once, a package of a higher version installed over it, and removed.
# One step per call, in this order:
#   msi.sh <step> <wine env> <msi> <version> <upgrade msi> <upgrade version> <built exe>
#          <stand-in folder> <launcher exe> "<shipped files>"
#   step: install | run | upgrade | uninstall, or suite: installed into a folder of the suite's,
#         run, upgraded and removed there, all in one
# shellcheck disable=SC1003 # Windows folders end in a backslash
set -u
step=$1
# shellcheck source=/dev/null # the build's Wine settings, written when it is configured
. "$2"
msi=$3 version=$4 upgrade=$5 upgrade_version=$6 built=$7 standin=$8 launcher=$9 shipped=${10}

folder="$WINEPREFIX/drive_c/Program Files (x86)/GetSessionLevel"
installed='C:\Program Files (x86)\GetSessionLevel\GetSessionLevel.exe'
status=0
fail() {
    echo "FAIL: $*"
    status=1
}
windows_path() { echo "Z:$1" | tr / '\134'; }
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

# The files in a folder, sorted, on one line.
files_in() { (cd "$1" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' '); }

# The installed files: the shipped ones in the folder (the first argument, $folder when none),
# beside what the second argument names, and nothing else; the only copy of the tool in the
# prefix.
check_files() {
    where=${1:-$folder}
    contents=$(files_in "$where")
    # shellcheck disable=SC2086 # the shipped files, a word each
    [ "$contents" = "$(printf '%s\n' $shipped ${2:-} | LC_ALL=C sort | tr '\n' ' ')" ] ||
        fail "installed in $where: ${contents:-nothing}"
    cmp -s "$where/GetSessionLevel.exe" "$built" || fail "the installed tool is not the one built"
    copies=$(find "$WINEPREFIX/drive_c" -iname GetSessionLevel.exe | wc -l)
    [ "$copies" -eq 1 ] || fail "$copies copies of GetSessionLevel.exe in the prefix"
}

# The installed-programs entry's InstallLocation.
install_location() {
    "$ZR_WINE64" reg query 'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall' /s \
        </dev/null 2>/dev/null | tr -d '\r' | awk '
        /^HKEY_/ { if (name == "GetSessionLevel") print where; name = ""; where = "" }
        $1 == "DisplayName" { name = $3 }
        $1 == "InstallLocation" { where = $3 }
        END { if (name == "GetSessionLevel") print where }'
}

# "level line/exit code" of the installed tool at $1, started from another folder.
run_installed() {
    (cd "$WINEPREFIX/drive_c/users" && "$ZR_WINE" "$launcher" "$1" </dev/null | tr -d '\r')
}

case $step in
install)
    msiexec /x "$upgrade" /qn # what an earlier, interrupted run may have left
    msiexec /x "$msi" /qn
    msiexec /i "$msi" /qn || fail "msiexec /i $(basename "$msi") failed"
    check_files
    [ "$(products)" = "GetSessionLevel $version" ] || fail "registered: $(products)"
    ;;
run)
    if [ -f "$ZR_WINE_UNAVAILABLE" ]; then
        echo "skipped: $(cat "$ZR_WINE_UNAVAILABLE")"
        exit "$ZR_SKIP"
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
suite)
    # Beside the suite's own library, in a folder that no search path names.
    suite="$WINEPREFIX/drive_c/Suite" elsewhere="$WINEPREFIX/drive_c/Elsewhere"
    msiexec /x "$upgrade" /qn
    msiexec /x "$msi" /qn
    rm -rf "$suite" "$elsewhere" # what a failed run may have left
    mkdir -p "$suite"
    cp "$standin/ZrSrvApi.dll" "$suite/"
    msiexec /i "$msi" /qn 'INSTALLFOLDER=C:\Suite\' || fail "msiexec /i INSTALLFOLDER=C:\Suite\ failed"
    check_files "$suite" ZrSrvApi.dll
    [ "$(products)" = "GetSessionLevel $version" ] || fail "registered: $(products)"
    [ "$(install_location)" = 'C:\Suite\' ] || fail "InstallLocation: $(install_location)"
    # Found beside itself, from any current folder and with nothing of ours on the path.
    if [ ! -f "$ZR_WINE_UNAVAILABLE" ]; then
        output=$(run_installed 'C:\Suite\GetSessionLevel.exe')
        [ "$output" = "$(printf 'The current session level: 2\nexit code: 2 (0x00000002)')" ] ||
            fail "the tool installed beside the suite printed: $output"
    fi
    # An upgrade that does not name the folder, or names another, stays where the tool is.
    msiexec /i "$upgrade" /qn 'INSTALLFOLDER=C:\Elsewhere\' || fail "msiexec /i $(basename "$upgrade") failed"
    check_files "$suite" ZrSrvApi.dll
    [ "$(products)" = "GetSessionLevel $upgrade_version" ] || fail "registered: $(products)"
    [ ! -e "$elsewhere" ] || fail "the upgrade made C:\Elsewhere"
    msiexec /x "$upgrade" /qn || fail "msiexec /x $(basename "$upgrade") failed"
    # Only the suite's own folder and library are left, and nothing of ours anywhere.
    [ "$(files_in "$suite")" = "ZrSrvApi.dll " ] || fail "left in the suite's folder: $(files_in "$suite")"
    cmp -s "$standin/ZrSrvApi.dll" "$suite/ZrSrvApi.dll" || fail "the suite's library changed"
    ours=$(find "$WINEPREFIX/drive_c" -iname 'GetSessionLevel*' | head -n 3)
    [ -z "$ours" ] || fail "left behind: $ours"
    [ -z "$(products)" ] || fail "still registered: $(products)"
    "$ZR_WINE64" reg query 'HKLM\Software\Wow6432Node\Tessarin' </dev/null >/dev/null 2>&1 &&
        fail "the remembered folder stayed in the registry"
    rm -rf "$suite" "$elsewhere"
    if [ -f "$ZR_WINE_UNAVAILABLE" ] && [ $status -eq 0 ]; then
        echo "skipped the run: $(cat "$ZR_WINE_UNAVAILABLE")"
        exit "$ZR_SKIP"
    fi
    ;;
*)
    echo "unknown step $step" >&2
    exit 2
    ;;
esac
[ $status -eq 0 ] && echo "$step: as expected"
exit $status
