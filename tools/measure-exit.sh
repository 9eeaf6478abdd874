#!/usr/bin/env bash
# Times how long the program takes to end once its window is closed (docs/performance.md):
# starts it under Xvfb in a scratch home, presses Ctrl+Q (File > Exit) and waits until the
# process has ended. The end is read from /proc, where the process turns into a zombie, not from
# its parent's wait, which a late reaper would lengthen.
# Usage: tools/measure-exit.sh [PROGRAM] [RUNS]   (default: build-rel/norvo-rava-rodozod, 5)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "${1:-$root/build-rel/norvo-rava-rodozod}")
runs=${2:-5}

if [ -z "${DISPLAY:-}" ]; then
    . "$root/tools/ensure-deps.sh"
    nv_ensure_packages xvfb xauth xdotool
    exec xvfb-run -a "$0" "$program" "$runs"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for run in $(seq "$runs"); do
    home="$work/home$run"
    mkdir -p "$home"
    (cd "$home" && HOME="$home" exec "$program") >"$work/output$run.txt" 2>&1 &
    pid=$!
    window=$(timeout 60 xdotool search --sync --all --onlyvisible --pid "$pid" \
        --name 'Norvo Rava Rodozod' | head -1) || true
    if [ -z "$window" ]; then
        echo "No window appeared within 60 s; the program said:" >&2
        cat "$work/output$run.txt" >&2
        exit 1
    fi
    sleep 1
    xdotool windowfocus --sync "$window"
    start=$(date +%s%N)
    xdotool key ctrl+q
    while [ -e "/proc/$pid" ] && ! grep -q '^State:.*Z' "/proc/$pid/status" 2>/dev/null; do
        sleep 0.002
    done
    end=$(date +%s%N)
    wait "$pid" || true
    echo "run $run: $(((end - start) / 1000000)) ms"
done
