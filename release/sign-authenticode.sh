#!/usr/bin/env bash
# Signs Windows files (executables, installer packages) in place with Authenticode, when a
# certificate is given in the environment; does nothing otherwise:
#   ZR_SIGN_PFX            the certificate with its private key, a PKCS#12 file
#   ZR_SIGN_PASSWORD       its password
#   ZR_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamping service
#   ZR_SIGN_NO_TIMESTAMP   1 to sign without a time stamp on purpose (tests): such a signature
#                          stops validating when the certificate expires, so without a
#                          time-stamping service signing fails unless this says so
# With --attach, instead of all these, the signatures in FOLDER, taken from a signed release,
# <file name>.sig each with its certificates in <file name>.pem, are attached as they are to the
# files of those names (release/check rebuilds a signed release so).
# usage: sign-authenticode.sh [--attach FOLDER] <file>...
set -euo pipefail
shopt -s inherit_errexit
if [ "${1:-}" = --attach ]; then
    folder=$2
    shift 2
    for file in "$@"; do
        signature=$folder/$(basename "$file").sig
        [ -f "$signature" ] || continue
        # osslsigncode verifies what it attaches: against the signature's own certificates, as
        # whether to trust the signer is not the rebuild's to say.
        osslsigncode attach-signature -sigin "$signature" -CAfile "${signature%.sig}.pem" -in "$file" \
            -out "$file.signed" >/dev/null
        mv -f "$file.signed" "$file"
        echo "sign: attached the release's signature to $(basename "$file")"
    done
    exit 0
fi
[ -n "${ZR_SIGN_PFX:-}" ] || exit 0
[ -f "$ZR_SIGN_PFX" ] || { echo "sign: no certificate at ZR_SIGN_PFX=$ZR_SIGN_PFX" >&2; exit 1; }
if [ -z "${ZR_SIGN_TIMESTAMP_URL:-}" ] && [ "${ZR_SIGN_NO_TIMESTAMP:-}" != 1 ]; then
    echo "sign: no ZR_SIGN_TIMESTAMP_URL: a signature without a time stamp stops validating when" \
        "the certificate expires (set ZR_SIGN_NO_TIMESTAMP=1 to sign so on purpose)" >&2
    exit 1
fi
timestamp=()
[ -z "${ZR_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$ZR_SIGN_TIMESTAMP_URL")
for file in "$@"; do
    # The password goes through a pipe, never on a command line.
    osslsigncode sign -pkcs12 "$ZR_SIGN_PFX" -readpass <(printf '%s' "${ZR_SIGN_PASSWORD:-}") \
        -h sha256 -n "GetSessionLevel" "${timestamp[@]}" -in "$file" -out "$file.signed" >/dev/null
    mv -f "$file.signed" "$file"
    echo "sign: signed $(basename "$file")"
done
