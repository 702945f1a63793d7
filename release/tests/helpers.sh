# Sourced by the release tests (POSIX sh): a failure is said and counted in $status.

status=0
fail() {
    echo "FAIL: $*"
    status=1
}

git() { command git -c safe.directory='*' "$@"; }

# tree_commit <source> <scratch index file>: the commit of the tree as it is, committed or not:
# HEAD itself when nothing differs, else a commit of the working tree with HEAD's times, so
# that its time is the one the build tree was given.
tree_commit() {
    GIT_INDEX_FILE=$2 git -C "$1" read-tree HEAD &&
        GIT_INDEX_FILE=$2 git -C "$1" add -A &&
        _tree=$(GIT_INDEX_FILE=$2 git -C "$1" write-tree) || return 1
    if [ "$_tree" = "$(git -C "$1" rev-parse 'HEAD^{tree}')" ]; then
        git -C "$1" rev-parse HEAD
        return
    fi
    _dates=$(git -C "$1" log -1 --no-show-signature --format='%ad|%cd' --date=raw HEAD)
    GIT_AUTHOR_DATE=${_dates%|*} GIT_COMMITTER_DATE=${_dates#*|} GIT_AUTHOR_NAME=rebuild \
        GIT_AUTHOR_EMAIL=rebuild@invalid GIT_COMMITTER_NAME=rebuild GIT_COMMITTER_EMAIL=rebuild@invalid \
        git -C "$1" commit-tree "$_tree" -p HEAD -m "the tree as it was rebuilt"
}

# same_as_build <release folder> <build tree>: the release's exe, zip and MSI are the build
# tree's, and its SHA256SUMS checks.
same_as_build() {
    _zip=$(cd "$1" && ls GetSessionLevel-*-win32.zip) _msi=$(cd "$1" && ls GetSessionLevel-*-win32.msi)
    for _pair in "GetSessionLevel.exe release/GetSessionLevel.exe" "$_zip packages/$_zip" "$_msi packages/$_msi"; do
        set -- "$1" "$2" $_pair
        cmp -s "$1/$3" "$2/$4" ||
            fail "$3 differs from $4: $(cmp -l "$1/$3" "$2/$4" 2>&1 | wc -l) bytes (is the build tree configured at this commit?)"
    done
    (cd "$1" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not check in $1"
}

# check_release <tree> <folder> <environment> <exit code> <words of the last line> [<words of
# another line>...]: release/check run in <tree> on <folder> with <environment>, its output in
# $work/<folder's name>.check: the exit code, the last line and lines holding the other words.
check_release() {
    _log=$work/$(basename "$2").check _code=$4 _last=$5
    (cd "$1" && eval "$3 bash release/check \"\$2\"") >"$_log" 2>&1
    _got=$?
    shift 5
    [ $_got = "$_code" ] && tail -n 1 "$_log" | grep -qF -- "$_last" || fail "check of $_log: exit $_got: $(tail -n 5 "$_log")"
    for _words in "$@"; do grep -qF -- "$_words" "$_log" || fail "$_log does not say: $_words"; done
}
