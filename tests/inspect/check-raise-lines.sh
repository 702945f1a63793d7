#!/bin/sh
# Fails unless every raise records its line by the one rule: the service client and the binding
# record the lines they have always recorded (below), every other raise site the line on which
# its ThrowError call begins.
# usage: check-raise-lines.sh <source>...
fixed=" 488 516 523 1301 1401 1430 1434 2238 2243 2862 "
status=0
for source in "$@"; do
    # "<line> <recorded line>" for each call: the first whole-number argument after the code.
    calls=$(awk '
        /ThrowError\(/ && !/^[[:space:]]*(\[\[|void|\/\/)/ { start = FNR; text = "" }
        start { text = text $0 }
        start && /;/ {
            if (match(text, /, *[0-9]+ *,/)) {
                number = substr(text, RSTART, RLENGTH); gsub(/[^0-9]/, "", number)
                print start, number
            }
            start = 0
        }' "$source")
    echo "$calls" | while read -r line recorded; do
        [ -n "$line" ] || continue
        case $fixed in *" $recorded "*) continue ;; esac
        [ "$line" = "$recorded" ] || { echo "FAIL: $source:$line records line $recorded"; exit 1; }
    done || status=1
    echo "$(basename "$source"): $(echo "$calls" | grep -c .) raise sites"
done
exit $status
