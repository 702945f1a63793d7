#!/bin/sh
# The release of a `git archive` of the tree's commit, built twice by reprotest, the field's tool
# for it, the second build varied every way reprotest can vary it here, and compared by
# diffoscope: the same six files. The first build's exe, zip and MSI are this build tree's
# (built from a clone), its record names the commit and no build path, and every shared library
# of the programs that make the bytes by its package; its bill is valid and names the linked
# packages. Not varied: user_group, which needs sudo and a second user for reprotest to build as.
#   reprotest.sh <source tree> <build tree> <work folder>
set -u
source=$1 build=$2 work=$3
tests=$(cd "$(dirname "$0")" && pwd)
release_dir=$(dirname "$tests")
. "$tests/helpers.sh"
. "$release_dir/common.sh"

rm -rf "$work"
mkdir -p "$work/archive"
commit=$(tree_commit "$source" "$work/index") || { echo "FAIL: cannot read the tree"; exit 1; }
git -C "$source" archive --format=tar "$commit" | tar -xf - -C "$work/archive" ||
    { echo "FAIL: cannot unpack a git archive"; exit 1; }

# The release goes into a folder of the tree itself. A second locale with case rules of its own.
reprotest --vary=-user_group --vary=locales.locale+=tr_TR.UTF-8 --store-dir "$work/store" \
    -c 'bash release/make release/out' "$work/archive" 'release/out/*' >"$work/reprotest.log" 2>&1 ||
    { tail -n 60 "$work/reprotest.log"; fail "reprotest: the varied build differs, or a build failed (above)"; }
grep -q "^Reproduction successful" "$work/reprotest.log" || fail "reprotest did not say the builds are the same"
released=$work/store/control/source-root/release/out
[ -f "$released/SHA256SUMS" ] || { echo "FAIL: no release in $released"; exit 1; }

same_as_build "$released" "$build"
record=$(ls "$released"/*.buildinfo)
grep -q "^Commit: $commit$" "$record" || fail "the build record names another commit"
grep -q "^Source-Date-Epoch-From: committer date of $commit$" "$record" || fail "the archive's time is not its commit's"
grep -q "$work\|reprotest" "$record" "$released"/*.cdx.json && fail "a build path in the record or the bill"
# Every shared library that the programs making the bytes load, by their own account: its
# package is in the record.
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
sh "$tests/check-sbom.sh" "$released"/*.cdx.json || status=1
[ "$(jq -r '.components[] | select(.type == "library") | .name' "$released"/*.cdx.json | sort)" = \
    "$(bash "$release_dir/provenance" linked "$build" | sed 's/:.*//' | sort)" ] ||
    fail "the bill's libraries are not the linked ones"

[ $status -ne 0 ] || echo "reprotest: the same $(cd "$released" && ls | tr '\n' ' ')under its variations; the exe, zip and MSI this build tree's"
exit $status
