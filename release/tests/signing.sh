#!/bin/sh
# Authenticode signing as a release is signed: a throwaway self-signed certificate, the build's
# own signing script on copies of the tool and of the installer package, refused without a time
# stamp unless asked; and the signed tool run.
#   signing.sh sign <sign script> <work folder> <exe> [<msi>]
#   signing.sh run <wine env> <work folder> <stand-in dll>
set -u
step=$1
status=0
fail() {
    echo "FAIL: $*"
    status=1
}

case $step in
sign)
    sign=$2 work=$3 exe=$4 msi=${5:-}
    rm -rf "$work"
    mkdir -p "$work"
    cd "$work" || exit 1
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=GetSessionLevel test" \
        -addext extendedKeyUsage=codeSigning -keyout release.key -out release.pem 2>/dev/null ||
        { echo "FAIL: openssl req"; exit 1; }
    openssl pkcs12 -export -inkey release.key -in release.pem -out release.pfx \
        -passout pass:not-in-the-repository || { echo "FAIL: openssl pkcs12"; exit 1; }
    files=GetSessionLevel.exe
    cp "$exe" GetSessionLevel.exe
    if [ -n "$msi" ]; then
        cp "$msi" GetSessionLevel.msi
        files="$files GetSessionLevel.msi"
    fi
    # Without a time-stamping service only on purpose: nothing is signed otherwise.
    # shellcheck disable=SC2086
    ZR_SIGN_PFX=$work/release.pfx ZR_SIGN_PASSWORD=not-in-the-repository "$sign" $files \
        2>/dev/null && fail "signed without a time stamp, unasked"
    cmp -s "$exe" GetSessionLevel.exe || fail "the refused signing changed the tool"
    # shellcheck disable=SC2086
    ZR_SIGN_PFX=$work/release.pfx ZR_SIGN_PASSWORD=not-in-the-repository ZR_SIGN_NO_TIMESTAMP=1 \
        "$sign" $files || fail "the signing script failed"
    cmp -s "$exe" GetSessionLevel.exe && fail "the signed tool is the unsigned one"
    # That the signatures verify, and that the files without them are the unsigned ones, the
    # rebuild test holds: release/check attaches a release's signatures to its rebuild.
    ;;
run)
    # shellcheck source=/dev/null # the build's Wine settings, written when it is configured
    . "$2"
    work=$3
    if [ -f "$ZR_WINE_UNAVAILABLE" ]; then
        echo "skipped: $(cat "$ZR_WINE_UNAVAILABLE")"
        exit "$ZR_SKIP"
    fi
    cp "$4" "$work/ZrSrvApi.dll"
    output=$(cd "$work" && "$ZR_WINE" GetSessionLevel.exe </dev/null | tr -d '\r')
    [ "$output" = "The current session level: 2" ] || fail "the signed tool printed: $output"
    ;;
esac
[ $status -eq 0 ] && echo "$step: as expected"
exit $status
