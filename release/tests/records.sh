#!/bin/sh
# How release/check reads a build record, on a recorded one and edits of it, before any rebuild:
# a record it cannot read whole, one that lacks a field or says what no rebuild holds, is a
# failure that quotes it, and the verdict is the last line, also for a wrong call. Runs the
# check in a clone of the tree as it is, whose commit and time the record is given.
#   records.sh <source tree> <work folder>
set -u
source=$1 work=$2
tests=$(cd "$(dirname "$0")" && pwd)
. "$tests/helpers.sh"
records=$tests/records

rm -rf "$work"
mkdir -p "$work"
commit=$(tree_commit "$source" "$work/index") || { echo "FAIL: cannot read the tree"; exit 1; }
clone=$work/clone
git clone -q --shared --no-checkout "$source" "$clone" && git -C "$clone" checkout -q "$commit" ||
    { echo "FAIL: cannot clone $source"; exit 1; }
time=$(git -C "$clone" log -1 --no-show-signature --format=%ct HEAD)

# check <name> <edit> <exit code> <words of the last line> [<words of another line>...]
check() {
    name=$1 edit=$2
    shift 2
    mkdir "$work/$name"
    sed -e "s/@COMMIT@/$commit/g" -e "s/@TIME@/$time/g" "$records/GetSessionLevel-1.0.0.buildinfo" \
        >"$work/$name/GetSessionLevel-1.0.0.buildinfo"
    (cd "$work/$name" && eval "$edit")
    check_release "$clone" "$work/$name" "" "$@"
}
record=GetSessionLevel-1.0.0.buildinfo
check unread "echo 'Reviewed By: yes' >>$record" 1 "FAIL: the build record cannot be read whole" \
    "$record: line 16 is not understood: \"Reviewed By: yes\""
check twice "sed -i '2p' $record" 1 "FAIL: the build record cannot be read whole" \
    'field Source twice, line 3: "Source: GetSessionLevel"'
check unprintable "sed -i 's/^Source: .*/&\x1b[1m/' $record" 1 "FAIL: the build record cannot be read whole" \
    'line 2 holds a byte that is no printable text: "Source: GetSessionLevel^[[1m"'
check no-line-end "printf 'Extra: x' >>$record" 1 "FAIL: the build record cannot be read whole" "the last line has no line end"
check empty ": >$record" 1 "FAIL: the build record cannot be read whole" "it is empty"
check no-commit "sed -i '/^Commit:/d' $record" 1 "FAIL: the build record has no Commit"
check two-records "cp $record GetSessionLevel-1.0.1.buildinfo" 1 "FAIL: 2 build records in"
check changed "sed -i '/^Build-Origin:/i Uncommitted-Changes:\n tool/GetSessionLevel.cpp (M)' $record" \
    1 "FAIL: the release was made from a tree with changes" "tool/GetSessionLevel.cpp (M)"
check another-commit "sed -i 's/^Commit: .*/Commit: 0123456789abcdef0123456789abcdef01234567/' $record" \
    1 "FAIL: the release is of commit 0123456789abcdef0123456789abcdef01234567, this tree of $commit"
check another-time "sed -i 's/^Source-Date-Epoch: .*/&1/' $record" 1 "is said to be the committer date of $commit"
check unknown-time "sed -i 's/^Source-Date-Epoch-From: .*/Source-Date-Epoch-From: the moon/' $record" \
    1 "which no release says"
# A record that cannot be read at all: the command's own complaint, then the verdict.
check unreadable "rm $record && mkdir $record" 1 "FAIL: the check stopped: a command failed" "Is a directory"

# A wrong call: the verdict still comes last.
(cd "$clone" && bash release/check >"$work/usage.check" 2>&1)
got=$?
[ $got = 2 ] && tail -n 1 "$work/usage.check" | grep -q "^check-release: FAIL" ||
    fail "a check without a folder: exit $got: $(tail -n 2 "$work/usage.check")"

[ $status -ne 0 ] || echo "every record the check cannot take is refused, quoted, with its verdict last"
exit $status
