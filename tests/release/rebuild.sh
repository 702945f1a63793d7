#!/bin/sh
# The release rebuilt as someone checking it would: the same sources in another folder, built
# later, under another time zone, umask and locale, give the same files, byte for byte, as this
# build tree's; each of its files passes its SHA256SUMS line. And the installer packages'
# identities: the release and the test's upgrade package, two versions, share neither product
# nor package code, and the exe carries its file version in the package.
#   rebuild.sh <source tree> <build tree> <work folder> <upgrade msi> <file version>
set -u
source=$1 build=$2 work=$3 upgrade=$4 file_version=$5
status=0
fail() {
    echo "FAIL: $*"
    status=1
}

# The tree as it is, committed or not, at another path (the commit's time comes from its git).
rm -rf "$work"
mkdir -p "$work"
copy=$work/sources-copied-elsewhere
git clone -q --shared "$source" "$copy" || { echo "FAIL: cannot clone $source"; exit 1; }
(cd "$source" && git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf -) |
    (cd "$copy" && tar -xf -) || { echo "FAIL: cannot copy the working tree"; exit 1; }
sleep 2 # later, by more than any stored time's resolution
(
    umask 077
    cd "$copy" && TZ=Pacific/Kiritimati LC_ALL=tr_TR.UTF-8 LANG=tr_TR.UTF-8 \
        bash scripts/release "$work/release" >"$work/release.log" 2>&1
) || { tail -n 20 "$work/release.log"; echo "FAIL: scripts/release failed"; exit 1; }

msi=$(cd "$work/release" && ls GetSessionLevel-*-win32.msi)
zip=$(cd "$work/release" && ls GetSessionLevel-*-win32.zip)
for pair in "GetSessionLevel.exe bin/GetSessionLevel.exe" "$zip packages/$zip" "$msi packages/$msi"; do
    set -- $pair
    cmp -s "$work/release/$1" "$build/$2" ||
        fail "$1 differs from $2: $(cmp -l "$work/release/$1" "$build/$2" 2>&1 | wc -l) bytes (is the build tree configured at this commit?)"
done
(cd "$work/release" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not check"

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

[ $status -eq 0 ] && echo "rebuilt at another path, later, TZ, umask and locale changed: the same $(
    cd "$work/release" && ls | grep -v SHA256SUMS | tr '\n' ' ')"
exit $status
