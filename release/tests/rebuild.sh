#!/bin/sh
# The release rebuilt as someone checking it would, twice: from a clone at another path, later,
# under another time zone, umask and locale, owned by another user when run as root; and from a
# `git archive` of the same commit. Both release folders are the same, byte for byte, build
# record and bill of materials included (the bill valid CycloneDX), and their exe, zip and MSI
# are this build tree's. The MSI made again by a wixl two seconds slower is the same (a clock
# left running would show). A tree with no commit time anywhere is refused. And the installer
# packages' identities: the release and the test's upgrade package share neither product nor
# package code, and the exe carries its file version.
#   rebuild.sh <source tree> <build tree> <work folder> <upgrade msi> <file version>
set -u
source=$1 build=$2 work=$3 upgrade=$4 file_version=$5
status=0
fail() {
    echo "FAIL: $*"
    status=1
}
git() { command git -c safe.directory='*' "$@"; }

rm -rf "$work"
mkdir -p "$work/bin"
# The tree as it is, committed or not: HEAD itself when nothing differs, else a commit of the
# working tree with HEAD's times, so that its time is the one this build tree was given.
index=$work/index
GIT_INDEX_FILE=$index git -C "$source" read-tree HEAD &&
    GIT_INDEX_FILE=$index git -C "$source" add -A &&
    tree=$(GIT_INDEX_FILE=$index git -C "$source" write-tree) || { echo "FAIL: cannot read the tree"; exit 1; }
commit=$(git -C "$source" rev-parse HEAD)
if [ "$tree" != "$(git -C "$source" rev-parse 'HEAD^{tree}')" ]; then
    dates=$(git -C "$source" log -1 --no-show-signature --format='%ad|%cd' --date=raw HEAD)
    commit=$(GIT_AUTHOR_DATE=${dates%|*} GIT_COMMITTER_DATE=${dates#*|} GIT_AUTHOR_NAME=rebuild \
        GIT_AUTHOR_EMAIL=rebuild@invalid GIT_COMMITTER_NAME=rebuild GIT_COMMITTER_EMAIL=rebuild@invalid \
        git -C "$source" commit-tree "$tree" -p HEAD -m "the tree as it was rebuilt") ||
        { echo "FAIL: cannot commit the tree"; exit 1; }
fi

clone=$work/sources-cloned-elsewhere
git clone -q --shared --no-checkout "$source" "$clone" && git -C "$clone" checkout -q "$commit" ||
    { echo "FAIL: cannot clone $source"; exit 1; }
[ "$(id -u)" -ne 0 ] || chown -R nobody "$clone"
archive=$work/sources-from-an-archive
mkdir -p "$archive"
git -C "$source" archive --format=tar "$commit" | tar -xf - -C "$archive" ||
    { echo "FAIL: cannot unpack a git archive"; exit 1; }

# The build tree's own MSI step again, with a wixl two seconds slower: a package time taken
# from a running clock would be two seconds late.
cat >"$work/bin/wixl" <<EOF
#!/bin/sh
sleep 2
exec $(command -v wixl) "\$@"
EOF
chmod +x "$work/bin/wixl"
msi=$(cd "$build/packages" && ls GetSessionLevel-*-win32.msi)
step=$(ninja -C "$build" -t commands -s "packages/$msi" | sed -e "s|-DWIXL=[^ ]*|-DWIXL=$work/bin/wixl|" \
    -e "s|-DOUTPUT=[^ ]*|-DOUTPUT=$work/slow.msi|" -e "s|-DSTAGE=[^ ]*|-DSTAGE=$work/slow-files|")
env -u ZR_SIGN_PFX sh -c "$step" >"$work/slow.log" 2>&1 || { cat "$work/slow.log"; fail "the MSI step failed"; }
cmp -s "$work/slow.msi" "$build/packages/$msi" || fail "a slower wixl made another MSI (a running clock)"

release() { # <tree> <name> [env...]: the release of <tree> into $work/<name>
    tree=$1 name=$2
    shift 2
    (cd "$tree" && env "$@" bash scripts/release "$work/$name" >"$work/$name.log" 2>&1) ||
        { tail -n 20 "$work/$name.log"; fail "scripts/release failed in $tree"; }
}
sleep 2 # later, by more than any stored time's resolution
(umask 077 && release "$clone" cloned TZ=Pacific/Kiritimati LC_ALL=tr_TR.UTF-8 LANG=tr_TR.UTF-8)
release "$archive" archived
# Unpacked inside this repository's work tree, whose commit it must not take for its own.
grep -q "read from the git archive" "$work/archived.log" || fail "the archive's time was not its own"

diff -r "$work/cloned" "$work/archived" >"$work/differ.log" 2>&1 ||
    fail "the releases of the clone and of the archive differ: $(head -c 300 "$work/differ.log")"
zip=$(cd "$work/cloned" && ls GetSessionLevel-*-win32.zip)
for pair in "GetSessionLevel.exe bin/GetSessionLevel.exe" "$zip packages/$zip" "$msi packages/$msi"; do
    set -- $pair
    cmp -s "$work/cloned/$1" "$build/$2" ||
        fail "$1 differs from $2: $(cmp -l "$work/cloned/$1" "$build/$2" 2>&1 | wc -l) bytes (is the build tree configured at this commit?)"
done
(cd "$work/cloned" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not check"
record=$(ls "$work"/cloned/*.buildinfo)
grep -q "^Commit: $commit$" "$record" || fail "the build record names another commit"
grep -q "$work\|$clone" "$work"/cloned/*.buildinfo "$work"/cloned/*.cdx.json && fail "a build path in the record"
# Every shared library that the programs making the bytes load, by their own account: its
# package is in the record.
cache() { sed -n "s/^$1:[^=]*=//p" "$clone/build/release/CMakeCache.txt"; }
cxx=$(cache ZR_CXX_COMPILER)
for program in "$cxx" "$("$cxx" -print-prog-name=cc1plus)" "$("$cxx" -print-prog-name=as)" \
    "$("$cxx" -print-prog-name=ld)" "$(cache ZR_RC_COMPILER)" cmake zip wixl msibuild; do
    ldd "$(command -v "$program")" | sed -n 's/.*=> \(\/[^ ]*\).*/\1/p'
done | sort -u | while read -r library; do
    real=$(realpath "$library")
    package=$(dpkg-query -S "$real" 2>/dev/null || dpkg-query -S "${real#/usr}" 2>/dev/null) ||
        { fail "$library is of no package"; continue; }
    name=${package%%: *} && name=${name%%,*} && name=${name%%:*}
    grep -q "^ $name:[a-z0-9]* (= " "$record" || fail "the build record does not name $name ($library)"
done | grep . && status=1
# A record that names another version of a package: named as this machine's difference.
sed 's/^ \(zip:[^ ]*\) (= [^)]*)/ \1 (= 0-elsewhere)/' "$record" >"$work/elsewhere.buildinfo"
bash "$source/scripts/provenance" compare "$work/elsewhere.buildinfo" "$record" |
    grep -q "recorded: zip:.* (= 0-elsewhere)" || fail "a package that differs from the record is not named"
sh "$(dirname "$0")/check-sbom.sh" "$work"/cloned/*.cdx.json || status=1

# The check: a rebuild from scratch whatever the build folder holds, every file compared, its
# verdict last, nothing left behind.
check() { # <release folder>: the check's last line
    mkdir -p "$work/tmp"
    (cd "$clone" && TMPDIR=$work/tmp bash scripts/check-release "$1" >"$work/check.log" 2>&1)
    echo "$? $(tail -n 1 "$work/check.log")"
    [ -z "$(ls -A "$work/tmp")" ] || fail "check-release left $(ls "$work/tmp")"
}
echo corrupted >"$clone/build/release/bin/GetSessionLevel.exe"
case $(check "$work/cloned") in "0 check-release: PASS"*) ;; *) fail "check-release: $(cat "$work/check.log")" ;; esac
cp -r "$work/cloned" "$work/edited"
sed -i 's/"ZPL-2.1"/"MIT"/' "$work"/edited/*.cdx.json
sed -i 's/^Source-Date-Epoch-From: .*/&,/' "$work"/edited/*.buildinfo
case $(check "$work/edited") in "1 check-release: FAIL"*) ;; *) fail "an edited release passed: $(cat "$work/check.log")" ;; esac
grep -q "^differs: .*cdx.json" "$work/check.log" && grep -q "release differs in Source-Date-Epoch-From" "$work/check.log" ||
    fail "the edits are not named: $(cat "$work/check.log")"

# Sources with no commit time anywhere: refused, never dated by accident.
plain=$work/sources-without-history
mkdir -p "$plain"
(cd "$archive" && tar -cf - --exclude=./build .) | (cd "$plain" && tar -xf -)
echo '$Format:%ct %H$' >"$plain/cmake/SourceDate.txt"
(cd "$plain" && env -u SOURCE_DATE_EPOCH bash scripts/release "$work/plain" >"$work/plain.log" 2>&1) &&
    fail "a release was made from sources without a time"
grep -q "No time for what this build writes" "$work/plain.log" || fail "refused without saying why"

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

[ $status -eq 0 ] && echo "a clone (another path, later, TZ, umask, locale, owner, slower wixl) and an archive: the same $(
    cd "$work/cloned" && ls | tr '\n' ' ')"
exit $status
