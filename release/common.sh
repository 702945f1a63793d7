# Sourced by the release's scripts and tests (POSIX sh), which set release_dir to this folder.

# setting <build folder> <NAME>: a value of the build's configuration.
setting() { sed -n "s/^$2:[^=]*=//p" "$1/CMakeCache.txt"; }

# missing_tools [<kind>...]: the Debian packages of the commands (and files) in tools.txt that
# are not installed, of the lines without a third word or with one of <kind>; one a line, sorted.
missing_tools() {
    grep -v '^#' "$release_dir/tools.txt" | while read -r command package kind; do
        [ -n "$command" ] || continue
        if [ -n "$kind" ]; then case " $* " in *" $kind "*) ;; *) continue ;; esac; fi
        case $command in
        /*) [ -e "$command" ] || echo "$package" ;;
        *) command -v "$command" >/dev/null || echo "$package" ;;
        esac
    done | sort -u
}

# source_tree <root> [<excluded>...]: "<field> <value>" lines of SourceTree.cmake's answer
# (commit, time, read, problem, and a "change <git status> <path>" line for each change), the
# excluded paths none. Why cmake failed goes to standard error.
source_tree() {
    _root=$1
    shift
    _answer=$(mktemp)
    _excluded=$(printf '%s;' "$@")
    if cmake -DROOT="$_root" -DANSWER="$_answer" -DEXCLUDE="${_excluded%;}" -P "$release_dir/SourceTree.cmake" >&2; then
        cat "$_answer"
        rm -f "$_answer"
    else
        rm -f "$_answer"
        return 1
    fi
}
