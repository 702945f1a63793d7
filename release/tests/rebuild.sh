#!/bin/sh
# A release made and checked as its users would, from a clone at another path (spaces, regex
# characters) reached through a symlink, owned by another user when run as root, typed from
# inside the tree with relative paths, into a folder of the tree itself, and signed with a
# throwaway certificate: its record and bill name no key, and say the release is signed. The
# check passes it, naming the signer's certificate and trust, counting this machine's
# differences (a wrapper run from /tmp among them), and fails an edited copy, each difference
# explained. A folder that holds more than a release is never replaced; a tree with changes or
# sources without a time are refused; a killed release leaves no release folder; the MSI made by
# a wixl two seconds slower is the same; the installer packages' identities are their own.
# (reprotest.sh rebuilds under varied conditions; records.sh reads the record's edits.)
#   rebuild.sh <source tree> <build tree> <work folder> <upgrade msi> <file version>
set -u
source=$1 build=$2 work=$3 upgrade=$4 file_version=$5
tests=$(cd "$(dirname "$0")" && pwd)
. "$tests/helpers.sh"

rm -rf "$work"
mkdir -p "$work/bin"
commit=$(tree_commit "$source" "$work/index") || { echo "FAIL: cannot read the tree"; exit 1; }
clone="$work/sources c++ [cloned] elsewhere"
git clone -q --shared --no-checkout "$source" "$clone" && git -C "$clone" checkout -q "$commit" ||
    { echo "FAIL: cannot clone $source"; exit 1; }
[ "$(id -u)" -ne 0 ] || chown -R nobody "$clone"
ln -s "$clone" "$work/linked"
clone=$work/linked

# The build tree's own MSI step again, with a wixl two seconds slower: a package time taken
# from a running clock would be two seconds late.
cat >"$work/bin/wixl" <<EOF_WIXL
#!/bin/sh
sleep 2
exec $(command -v wixl) "\$@"
EOF_WIXL
chmod +x "$work/bin/wixl"
msi=$(cd "$build/packages" && ls GetSessionLevel-*-win32.msi)
step=$(ninja -C "$build" -t commands -s "packages/$msi" | sed -e "s|-DWIXL=[^ ]*|-DWIXL=$work/bin/wixl|" \
    -e "s|-DOUTPUT=[^ ]*|-DOUTPUT=$work/slow.msi|" -e "s|-DSTAGE=[^ ]*|-DSTAGE=$work/slow-files|")
env -u ZR_SIGN_PFX sh -c "$step" >"$work/slow.log" 2>&1 || { cat "$work/slow.log"; fail "the MSI step failed"; }
cmp -s "$work/slow.msi" "$build/packages/$msi" || fail "a slower wixl made another MSI (a running clock)"

# A folder of other files is never replaced, even with a SHA256SUMS among them.
mkdir "$work/downloads"
echo "a photo" >"$work/downloads/holiday.jpg"
(cd "$work/downloads" && sha256sum holiday.jpg >SHA256SUMS)
(cd "$clone" && bash release/make "$work/downloads" >"$work/downloads.log" 2>&1) && fail "a folder of other files was replaced"
grep -q "^  holiday.jpg$" "$work/downloads.log" || fail "the refusal does not name what the folder holds: $(cat "$work/downloads.log")"
[ "$(cat "$work/downloads/holiday.jpg")" = "a photo" ] && [ "$(ls "$work/downloads" | wc -l)" = 2 ] ||
    fail "the refused folder was changed"

# Signed, typed from release/ with paths relative to it, into a folder of the tree: the
# release's own output is no change of the tree.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=GetSessionLevel rebuild test" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/sign.key" -out "$work/sign.pem" 2>/dev/null &&
    openssl pkcs12 -export -inkey "$work/sign.key" -in "$work/sign.pem" -out "$work/sign.pfx" -passout pass:throwaway ||
    { echo "FAIL: no throwaway certificate"; exit 1; }
# The caller's compiler and linker flags never reach it: the check below rebuilds it without.
(cd "$clone/release" && ZR_SIGN_PFX=$work/sign.pfx ZR_SIGN_PASSWORD=throwaway ZR_SIGN_NO_TIMESTAMP=1 \
    LDFLAGS=-Wl,--no-insert-timestamp CXXFLAGS=-O0 bash make --build ../build/signed out >"$work/signed.log" 2>&1) ||
    { tail -n 20 "$work/signed.log"; echo "FAIL: release/make failed"; exit 1; }
signed=$clone/release/out
[ -f "$signed/SHA256SUMS" ] || { echo "FAIL: the release is not in release/out of the tree: $(tail -n 3 "$work/signed.log")"; exit 1; }
record=$(ls "$signed"/*.buildinfo)
grep -q "^Uncommitted-Changes:" "$record" && fail "the release's own folder counted as a change of the tree"
grep -qF "sign." "$record" "$signed"/*.cdx.json && fail "the record or the bill names the signing key"
[ "$(sed -n '/^Signed-Files:/,/^[^ ]/p' "$record" | sed -n 's/^ //p' | tr '\n' ' ')" = \
    "GetSessionLevel.exe $msi " ] || fail "the record does not say which files are signed"
grep -q "$work\|sources c++" "$record" "$signed"/*.cdx.json && fail "a build path in the record or the bill"
sh "$tests/check-sbom.sh" "$signed"/*.cdx.json || status=1
cp -r "$signed" "$work/signed"

# The check, in the clone through its symlink: its own build folder, whatever the tree's holds;
# its verdict last; nothing left behind. Each case is the release in <folder> (relative to the
# tree), edited by a command, checked with <environment>.
check() { # <folder> <edit> <environment> <exit code> <words of the last line> [<words of another line>...]
    folder=$1 edit=$2 environment=$3
    shift 3
    rm -rf "$work/tmp" && mkdir "$work/tmp"
    (cd "$clone" && rm -rf "$folder" && cp -r "$work/signed" "$folder" && cd "$folder" && eval "$edit")
    check_release "$clone" "$folder" "TMPDIR=$work/tmp $environment" "$@"
    [ -z "$(ls -A "$work/tmp")" ] || fail "check-release left $(ls "$work/tmp")"
}
fingerprint=$(openssl x509 -in "$work/sign.pem" -noout -fingerprint -sha256 | sed 's/.*=//')
signer="signed by /CN=GetSessionLevel rebuild test (certificate SHA-256 $fingerprint), which chains to"
# This machine differs from the record: a package's version, a package it lacks, and the files
# of no package, which the record lacks: among them a wrapper run from /tmp and the data it reads.
wrapper=$(mktemp -d)
echo "read by the wrapper" >"$wrapper/data"
printf '#!/bin/sh\ncat %s >/dev/null\nexec %s "$@"\n' "$wrapper/data" "$(command -v zip)" >"$wrapper/zip"
chmod +x "$wrapper/zip"
unpackaged=$(sed -n '/^Unpackaged-Build-Files:/,/^[^ ]/p' "$record" | grep -c '^ ')
mkdir -p "$clone/build/release/bin" && echo corrupted >"$clone/build/release/bin/GetSessionLevel.exe"
check release/out "sed -i -e 's/^ zip:\([a-z0-9]*\) (= [^)]*)/ zip:\1 (= 0-elsewhere)/;/^Installed-Build-Depends:/a\ made-up:amd64 (= 1.0),' \
        -e '/^Unpackaged-Build-Files:/,\$d' *.buildinfo" "PATH=$wrapper:\$PATH SSL_CERT_FILE=$work/sign.pem" \
    0 "PASS: every file of $(cd "$clone" && pwd -P)/release/out is what commit $commit builds; GetSessionLevel.exe $signer a root this machine trusts" \
    "this machine differs from the record in $((unpackaged + 4)) places" "recorded: zip:" \
    "recorded: made-up:amd64 (= 1.0)" "here:     $(sha256sum "$wrapper/zip" | cut -d' ' -f1) $wrapper/zip" \
    "here:     $(sha256sum "$wrapper/data" | cut -d' ' -f1) $wrapper/data"
[ "$(cat "$clone/build/release/bin/GetSessionLevel.exe")" = corrupted ] || fail "the check used the tree's build folder"
rm -rf "$wrapper" "$clone/release/out"
first=$(cut -c1 "$work/signed/SHA256SUMS" | sed -n 1p)
check "$work/edited" "sed -i 's/^Source-Date-Epoch-From: .*/Source-Date-Epoch-From: SOURCE_DATE_EPOCH/' *.buildinfo &&
        sed -i '1s/^./$([ "$first" = 0 ] && echo 1 || echo 0)/' SHA256SUMS && sed -i 's/\"ZPL-2.1\"/\"MIT\"/' *.cdx.json &&
        printf '\\001' | dd of=GetSessionLevel.exe bs=1 seek=4096 conv=notrunc 2>/dev/null && touch .hidden && mkdir extra" "" \
    1 "FAIL: $work/edited is not what" "the release differs in Source-Date-Epoch-From" \
    "differs: SHA256SUMS" "differs: GetSessionLevel-" "differs: GetSessionLevel.exe" "  @@ -" \
    "not a file of a release: .hidden" "not a file of a release: extra (directory)" "$signer no root this machine trusts"

# The record of a release made with changes lists them.
sed -i 's|^\(ZR_SOURCE_CHANGES:INTERNAL=\).*|\1 M tool/GetSessionLevel.cpp|' "$clone/build/signed/CMakeCache.txt"
bash "$clone/release/provenance" record "$clone/build/signed" "$work/signed" >"$work/changed.buildinfo" ||
    fail "no record of a release with changes"
sed -n '/^Uncommitted-Changes:/,/^[^ ]/p' "$work/changed.buildinfo" | grep -qx " tool/GetSessionLevel.cpp (M)" ||
    fail "the record does not list the changes: $(head -n 12 "$work/changed.buildinfo")"
# Killed while it builds: no release folder; the next run, in the build folder it left, succeeds.
(cd "$clone" && exec setsid bash release/make "$work/killed" >/dev/null 2>&1) &
sleep 4 && kill -9 -$! 2>/dev/null
wait
[ ! -e "$work/killed" ] || fail "a killed release left $work/killed"
# A tree with changes: no release from it unless asked for, and no check in it.
echo "// a change" >>"$clone/tool/GetSessionLevel.cpp"
(cd "$clone" && bash release/make "$work/changed" >"$work/changed.log" 2>&1) && fail "a release of a changed tree"
grep -q "^  *M tool/GetSessionLevel.cpp" "$work/changed.log" || fail "the change is not named: $(cat "$work/changed.log")"
grep -q "not taken from the environment: LDFLAGS=" "$work/signed.log" || fail "the environment's flags were not set aside"
echo "// new" >"$clone/tool/NewUntracked.cpp"
(cd "$clone" && git checkout -q -- tool/GetSessionLevel.cpp && bash release/make "$work/changed" >"$work/changed.log" 2>&1) &&
    fail "a release of a tree with a new file"
grep -q "^  *?? tool/NewUntracked.cpp" "$work/changed.log" || fail "the new file is not named: $(cat "$work/changed.log")"
echo "// a change" >>"$clone/tool/GetSessionLevel.cpp"
(cd "$clone" && bash release/check "$work/signed" 2>&1 | tail -n 1 | grep -q "FAIL: this tree has changes") ||
    fail "a check in a changed tree"
# Asked for, it goes on past the tree (to a build folder that it refuses).
mkdir "$work/not-a-build" && touch "$work/not-a-build/keep"
(cd "$clone" && bash release/make --allow-changes --build "$work/not-a-build" "$work/changed" >"$work/changed.log" 2>&1)
grep -q "holds files and no build" "$work/changed.log" || fail "--allow-changes stopped at the tree: $(cat "$work/changed.log")"
git -C "$clone" checkout -q -- tool/GetSessionLevel.cpp && rm "$clone/tool/NewUntracked.cpp"

# Sources with no commit time anywhere: refused, never dated by accident.
plain=$work/sources-without-history
mkdir -p "$plain"
git -C "$source" archive --format=tar "$commit" | tar -xf - -C "$plain"
echo '$Format:%ct %H$' >"$plain/release/SourceDate.txt"
(cd "$plain" && env -u SOURCE_DATE_EPOCH bash release/make "$work/plain" >"$work/plain.log" 2>&1) &&
    fail "a release was made from sources without a time"
grep -q "neither a git clone of its own nor a git archive" "$work/plain.log" || fail "refused without saying why"

codes() {
    echo "$(msiinfo export "$1" Property | awk '$1 == "ProductCode" { print $2 }')" \
        "$(msiinfo suminfo "$1" | sed -n 's/^Revision number (UUID): //p')"
}
set -- $(codes "$build/packages/$msi")
release_product=$1 release_package=$2
set -- $(codes "$upgrade")
[ -n "$release_product" ] && [ "$release_product" != "$1" ] ||
    fail "product codes of the release and the upgrade: $release_product, $1"
[ -n "$release_package" ] && [ "$release_package" != "$2" ] ||
    fail "package codes of the release and the upgrade: $release_package, $2"
version=$(msiinfo export "$build/packages/$msi" File | awk '$1 == "GetSessionLevel.exe" { print $5 }')
[ "$version" = "$file_version" ] || fail "the exe's File.Version in the package: ${version:-none}"
msiinfo export "$build/packages/$msi" MsiFileHash | grep -q '^GetSessionLevel.exe' &&
    fail "the versioned exe has a file hash in the package"

[ $status -ne 0 ] || echo "a signed release made in a clone elsewhere, checked, its edits failed; refusals, a kill and a slower wixl"
exit $status
