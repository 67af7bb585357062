#!/usr/bin/env bash
# Runs fuzz targets of the fuzz build, each for SECONDS on one core:
#   fuzz/run.sh SECONDS [TARGET...]
# The growing corpus stays in build/fuzz/corpus between runs; inputs that
# crash, leak or hang land in build/fuzz/findings. Move each into
# tests/fuzz_regressions/TARGET/ so that `make test` replays it.
set -euo pipefail
seconds=$1
shift
root=$(cd "$(dirname "$0")/.." && pwd)
targets=${*:-ase_loader texture event_script render import_reply}
testdata=$root/../shared/testdata/ase
mkdir -p "$root/build/fuzz/findings"
# An input of 4 KiB may allocate at most 64 times its size plus 16 MB.
max_len=4096
limit_mb=$(((64 * max_len + 16 * 1048576 + 1048575) / 1048576))
status=0
for t in $targets; do
    corpus=$root/build/fuzz/corpus/$t
    mkdir -p "$corpus"
    seeds=()
    options=()
    case $t in
    ase_loader | render)
        seeds=("$root/fuzz/corpus/ase_loader" "$root/data")
        [ -d "$testdata" ] && seeds+=("$testdata")
        options=(-dict="$root/fuzz/ase.dict")
        ;;
    texture)
        seeds=("$root/fuzz/corpus/texture")
        cp "$root/64Bits.bmp" "$corpus/"
        ;;
    *) seeds=("$root/fuzz/corpus/$t") ;;
    esac
    regressions=$root/tests/fuzz_regressions/$t
    [ -d "$regressions" ] && seeds+=("$regressions")
    echo "== $t: $seconds s"
    set +e
    "$root/build/fuzz/fuzz/fuzz_$t" "$corpus" "${seeds[@]}" "${options[@]}" \
        -max_total_time="$seconds" -max_len=$max_len -malloc_limit_mb=$limit_mb -rss_limit_mb=2048 \
        -timeout=10 -print_final_stats=1 -artifact_prefix="$root/build/fuzz/findings/$t-" \
        2>&1 | grep -E '^(#[0-9]+[[:space:]]+(INITED|DONE)|stat::|==[0-9]+==|SUMMARY|Done|artifact_prefix|Test unit written|.*ERROR)'
    fuzzer=${PIPESTATUS[0]}
    set -e
    if [ "$fuzzer" -ne 0 ]; then
        echo "== $t: the fuzzer stopped with status $fuzzer; see build/fuzz/findings"
        status=1
    fi
done
exit $status
