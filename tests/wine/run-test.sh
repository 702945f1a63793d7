#!/bin/sh
# The test wrapper's promise, held with a stand-in for the Wine loader that fails a program's
# first run and passes its second: a program that ran (it marked its start) and failed is never
# run again and its failure is the test's; one that failed unmarked never started and is started
# once more.
#   run-test.sh <run.in> <work folder>
set -u
template=$1 work=$2
status=0
fail() {
    echo "FAIL: $*"
    status=1
}
rm -rf "$work" && mkdir -p "$work" || exit 1
sed "s|@ZR_WINE_DIR@|$work|g" "$template" >"$work/run"
cat >"$work/env" <<EOT
ZR_WINE='$work/loader'
ZR_WINE_UNAVAILABLE='$work/unavailable'
ZR_SKIP=77
EOT
# The loader: "<program> marked|unmarked", counting the program's runs in <program>.runs.
cat >"$work/loader" <<'EOT'
#!/bin/sh
runs=$(($(cat "$1.runs" 2>/dev/null || echo 0) + 1))
echo $runs >"$1.runs"
[ "$2" = unmarked ] || : >"$(printf '%s' "${ZR_STARTED_MARKER#Z:}" | tr '\\' /)"
[ $runs -gt 1 ]
EOT
chmod +x "$work/run" "$work/loader"

for case in "marked 1 1 ran and ended with exit status 1" "unmarked 0 2 did not start (exit status 1, attempt 1 of 2)"; do
    # shellcheck disable=SC2086 # the case's words
    set -- $case
    mark=$1 code=$2 runs=$3
    shift 3
    sh "$work/run" --test-program "$work/$mark" "$mark" 2>"$work/$mark.err"
    got=$?
    if ! { [ $got -eq "$code" ] && [ "$(cat "$work/$mark.runs")" = "$runs" ] && grep -qF "$*" "$work/$mark.err"; }; then
        fail "a program $mark that fails once: exit $got after $(cat "$work/$mark.runs") runs: $(cat "$work/$mark.err")"
    fi
done
[ $status -eq 0 ] && echo "a failed run is the test's; a start that failed is made once more"
exit $status
