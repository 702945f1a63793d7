#!/bin/sh
# Authenticode signing as a release is signed: a throwaway self-signed certificate, the build's
# own signing script on copies of the tool and of the installer package, checked against that
# certificate and, without its signature, the unsigned tool again, byte for byte; and then run.
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
    for name in release other; do
        openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=GetSessionLevel test $name" \
            -addext extendedKeyUsage=codeSigning -keyout $name.key -out $name.pem 2>/dev/null ||
            { echo "FAIL: openssl req"; exit 1; }
    done
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
    for file in $files; do
        osslsigncode verify -CAfile release.pem -in "$file" >verify.log 2>&1 ||
            fail "$file does not verify against its certificate: $(tail -n 3 verify.log)"
        osslsigncode verify -CAfile other.pem -in "$file" >/dev/null 2>&1 &&
            fail "$file verifies against a certificate that did not sign it"
    done
    cmp -s "$exe" GetSessionLevel.exe && fail "the signed tool is the unsigned one"
    # Without its signature the exe is the unsigned one, byte for byte (release/check attaches
    # the signatures to its rebuild instead: the rebuild test checks a signed release).
    osslsigncode remove-signature -in GetSessionLevel.exe -out unsigned.exe >/dev/null 2>&1 ||
        fail "osslsigncode cannot remove the signature"
    cmp -s "$exe" unsigned.exe || fail "the signed tool without its signature is not the unsigned one"
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
