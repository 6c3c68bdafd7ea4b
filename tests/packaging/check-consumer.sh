#!/usr/bin/env bash
# Builds examples/consumer against an installed package and runs it.
#   check-consumer.sh PREFIX
set -uo pipefail
prefix=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/velmora-consumer.XXXXXX)
trap 'rm -rf "$work"' EXIT
if ! cmake -S "$root/examples/consumer" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >"$work/log" 2>&1 \
        || ! cmake --build "$work/build" -j2 >>"$work/log" 2>&1; then
    echo "consumer: does not build against $prefix:" >&2
    tail -30 "$work/log" >&2
    exit 1
fi
mkdir -m 0700 "$work/runtime"
if ! VELMORA_PREFIX="$work/prefix" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
        "$work/build/consumer" "$work/out.mid" >"$work/run" 2>&1; then
    echo "consumer: failed:" >&2
    cat "$work/run" >&2
    exit 1
fi
sed 's/^/    /' "$work/run"
fail=0
grep -q '^2\*x^2+1 at x=3: 19.0$' "$work/run" || { echo "consumer: wrong formula result" >&2; fail=1; }
grep -q '^setting Result: 19$' "$work/run" || { echo "consumer: setting not read back" >&2; fail=1; }
[[ "$(head -c 4 "$work/out.mid")" == MThd ]] || { echo "consumer: out.mid is not a MIDI file" >&2; fail=1; }
((fail == 0)) && echo "consumer: built and ran against $prefix"
exit $fail
