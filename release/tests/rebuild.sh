#!/bin/sh
# The release rebuilt as someone checking it would, twice: from a clone at another path (spaces,
# regex characters) reached through a symlink, later, under another time zone, umask and locale,
# owned by another user when run as root; and from a `git archive` of the same commit, given
# the commit's time through SOURCE_DATE_EPOCH. Both release folders are the same, byte for byte,
# build record and bill of materials included (the bill valid CycloneDX, its libraries the
# linked ones), and their exe, zip and MSI are this build tree's. The MSI made again by a wixl
# two seconds slower is the same (a clock left running would show). A release is refused from a
# tree with changes or without a time, and a killed one leaves no release folder. The check
# passes the release, counting this machine's differences, and fails every edit of it, its
# record read whole. And the installer packages' identities: the release and the test's upgrade
# package share neither product nor package code, and the exe carries its file version.
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

clone="$work/sources c++ [cloned] elsewhere"
git clone -q --shared --no-checkout "$source" "$clone" && git -C "$clone" checkout -q "$commit" ||
    { echo "FAIL: cannot clone $source"; exit 1; }
[ "$(id -u)" -ne 0 ] || chown -R nobody "$clone"
ln -s "$clone" "$work/linked"
clone=$work/linked
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
    (cd "$tree" && env "$@" bash release/make "$work/$name" >"$work/$name.log" 2>&1) ||
        { tail -n 20 "$work/$name.log"; fail "release/make failed in $tree"; }
}
sleep 2 # later, by more than any stored time's resolution
(umask 077 && release "$clone" cloned TZ=Pacific/Kiritimati LC_ALL=tr_TR.UTF-8 LANG=tr_TR.UTF-8)
release "$archive" archived \
    SOURCE_DATE_EPOCH="$(git -C "$source" log -1 --no-show-signature --format=%ct "$commit")"
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
grep -q "$work\|sources c++" "$work"/cloned/*.buildinfo "$work"/cloned/*.cdx.json && fail "a build path in the record"
# Every shared library that the programs making the bytes load, by their own account: its
# package is in the record.
release_dir=$(dirname "$0")/..
. "$release_dir/common.sh"
cxx=$(setting "$build" ZR_CXX_COMPILER)
for program in "$cxx" "$("$cxx" -print-prog-name=cc1plus)" "$("$cxx" -print-prog-name=as)" \
    "$("$cxx" -print-prog-name=ld)" "$(setting "$build" ZR_RC_COMPILER)" cmake zip wixl msibuild; do
    ldd "$(command -v "$program")" | sed -n 's/.*=> \(\/[^ ]*\).*/\1/p'
done | sort -u | while read -r library; do
    real=$(realpath "$library")
    package=$(dpkg-query -S "$real" 2>/dev/null || dpkg-query -S "${real#/usr}" 2>/dev/null) ||
        { fail "$library is of no package"; continue; }
    name=${package%%: *} && name=${name%%,*} && name=${name%%:*}
    grep -q "^ $name:[a-z0-9]* (= " "$record" || fail "the build record does not name $name ($library)"
done | grep . && status=1
sh "$(dirname "$0")/check-sbom.sh" "$work"/cloned/*.cdx.json || status=1
[ "$(jq -r '.components[] | select(.type == "library") | .name' "$work"/cloned/*.cdx.json | sort)" = \
    "$(bash "$release_dir/provenance" linked "$build" | sed 's/:.*//' | sort)" ] ||
    fail "the bill's libraries are not the linked ones"

# The check, in the clone through its symlink: its own build folder, whatever the tree's holds;
# its verdict last; nothing left behind. Each case is a copy of the release edited by a command.
check() { # <name> <edit> <exit code> <words of the last line> [<words of another line>...]
    name=$1 edit=$2 code=$3 last=$4
    shift 4
    rm -rf "$work/$name" "$work/tmp" && cp -r "$work/cloned" "$work/$name" && mkdir "$work/tmp"
    (cd "$work/$name" && eval "$edit")
    (cd "$clone" && TMPDIR=$work/tmp bash release/check "$work/$name" >"$work/$name.check" 2>&1)
    got=$?
    [ $got = "$code" ] && tail -n 1 "$work/$name.check" | grep -qF "$last" ||
        fail "check-release of $name: exit $got: $(tail -n 5 "$work/$name.check")"
    for words in "$@"; do grep -qF -- "$words" "$work/$name.check" || fail "check-release of $name does not say: $words"; done
    [ -z "$(ls -A "$work/tmp")" ] || fail "check-release left $(ls "$work/tmp")"
}
echo corrupted >"$clone/build/release/bin/GetSessionLevel.exe"
check machine "sed -i 's/^ zip:\([a-z0-9]*\) (= [^)]*)/ zip:\1 (= 0-elsewhere)/;/^Installed-Build-Depends:/a\ made-up:amd64 (= 1.0),' *.buildinfo" \
    0 "PASS: every file of $work/machine is what commit $commit builds; this machine differs from the record in 2 places" \
    "recorded: zip:" "recorded: made-up:amd64 (= 1.0)"
[ "$(cat "$clone/build/release/bin/GetSessionLevel.exe")" = corrupted ] || fail "the check used the tree's build folder"
check time "sed -i 's/^Source-Date-Epoch-From: .*/Source-Date-Epoch-From: SOURCE_DATE_EPOCH/' *.buildinfo" \
    1 "FAIL: $work/time is not what" "the release differs in Source-Date-Epoch-From"
check edited "sed -i '1s/^./0/' SHA256SUMS && sed -i 's/\"ZPL-2.1\"/\"MIT\"/' *.cdx.json && touch .hidden && mkdir extra" \
    1 "FAIL: $work/edited is not what" "differs: SHA256SUMS" "differs: GetSessionLevel-" \
    "not a file of a release: .hidden" "not a file of a release: extra (directory)"
# Records that cannot be read, or say what no rebuild holds: refused before any rebuild.
check unread "echo 'Reviewed By: yes' >>\$(ls *.buildinfo)" 1 "FAIL: the build record cannot be read whole" \
    'is not understood: "Reviewed By: yes"'
check no-commit "sed -i '/^Commit:/d' *.buildinfo" 1 "FAIL: the build record has no Commit"
check another-time "sed -i 's/^Source-Date-Epoch: .*/&1/' *.buildinfo" 1 "is said to be the committer date of $commit"

# Signed with a throwaway certificate: the check attaches the release's signatures to its
# rebuild, and names the signer.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=GetSessionLevel rebuild test" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/sign.key" -out "$work/sign.pem" 2>/dev/null &&
    openssl pkcs12 -export -inkey "$work/sign.key" -in "$work/sign.pem" -out "$work/sign.pfx" -passout pass:throwaway ||
    fail "no throwaway certificate"
release "$clone" signed ZR_SIGN_PFX="$work/sign.pfx" ZR_SIGN_PASSWORD=throwaway ZR_SIGN_NO_TIMESTAMP=1
check signed-copy 'rm -f -- * && cp "$work"/signed/* .' 0 \
    "GetSessionLevel.exe signed by /CN=GetSessionLevel rebuild test; GetSessionLevel-"
# Killed while it builds: no release folder; the next run, in the build folder it left, succeeds.
(cd "$clone" && exec setsid bash release/make "$work/killed" >/dev/null 2>&1) &
sleep 4 && kill -9 -$! 2>/dev/null
wait
[ ! -e "$work/killed" ] || fail "a killed release left $work/killed"
# A tree with changes: no release from it unless asked for, and no check passes that one.
echo "// a change" >>"$clone/tool/GetSessionLevel.cpp"
(cd "$clone" && bash release/make "$work/changed" >"$work/changed.log" 2>&1) && fail "a release of a changed tree"
grep -q "^  *M tool/GetSessionLevel.cpp" "$work/changed.log" || fail "the change is not named: $(cat "$work/changed.log")"
(cd "$clone" && bash release/check "$work/cloned" 2>&1 | tail -n 1 | grep -q "FAIL: this tree has changes") ||
    fail "a check in a changed tree"
(cd "$clone" && bash release/make --allow-changes "$work/changed" >"$work/changed.log" 2>&1) ||
    fail "no release with --allow-changes: $(tail -n 5 "$work/changed.log")"
git -C "$clone" checkout -q -- tool/GetSessionLevel.cpp
check made-changed 'rm -f -- * && cp "$work"/changed/* .' 1 "FAIL: the release was made from a tree with changes" \
    "tool/GetSessionLevel.cpp (M)"

# Sources with no commit time anywhere: refused, never dated by accident.
plain=$work/sources-without-history
mkdir -p "$plain"
(cd "$archive" && tar -cf - --exclude=./build .) | (cd "$plain" && tar -xf -)
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

[ $status -eq 0 ] && echo "a clone (another path, later, TZ, umask, locale, owner, slower wixl) and an archive: the same $(
    cd "$work/cloned" && ls | tr '\n' ' ')"
exit $status
