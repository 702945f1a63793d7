# Sourced by the release's scripts and tests (POSIX sh), which set release_dir to this folder.

# setting <build folder> <NAME>: a value of the build's configuration.
setting() { sed -n "s/^$2:[^=]*=//p" "$1/CMakeCache.txt"; }

# source_tree <root>: "<field> <value>" lines of SourceTree.cmake's answer (commit, time, read,
# problem, and a "change <git status> <path>" line for each change).
source_tree() { cmake -DROOT="$1" -P "$release_dir/SourceTree.cmake" 2>&1; }
