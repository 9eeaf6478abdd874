#!/usr/bin/env bash
# Follows the resident set of the program over Current Bills commands, as a person's process
# has it (docs/performance.md, Refresh): starts it under Xvfb on a file of BILLS bills built by
# nvbench, presses Ctrl+R REFRESHES times, waits each time until the program is idle again, and
# reads VmRSS from /proc. Prints the resident set after start-up and after each refresh, then
# the growth per refresh from start-up and the least-squares slope after the first 3.
# Usage: tools/measure-refresh.sh [BILLS] [REFRESHES] [BUILD]   (default: 10000, 50, build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bills=${1:-10000}
refreshes=${2:-50}
build=$(realpath "${3:-$root/build}")

if [ -z "${DISPLAY:-}" ]; then
    . "$root/tools/ensure-deps.sh"
    nv_ensure_packages xvfb xauth xdotool
    exec xvfb-run -a "$0" "$bills" "$refreshes" "$build"
fi

# nvbench leaves the file and a system.db that names it; the program started in that folder
# opens the file, as it opens the file used last.
folder=$("$build/nvbench" --refresh "$bills" --count 5 --keep 2>/dev/null |
    sed -n 's/^nvbench: the data file and its system.db stay in //p')
[ -d "$folder" ] || { echo "nvbench built no file" >&2; exit 1; }
home=$(mktemp -d)
trap 'rm -rf "$home" "$folder"' EXIT

cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }
resident() { awk '/^VmRSS/{print $2}' "/proc/$1/status"; }
# Idle: no processor time used over 0.3 s.
wait_idle() {
    local before after
    after=$(cpu "$1")
    while :; do
        before=$after
        sleep 0.3
        after=$(cpu "$1")
        [ "$before" = "$after" ] && return
    done
}

(cd "$folder" && HOME="$home" exec "$build/norvo-rava-rodozod") >"$home/output.txt" 2>&1 &
pid=$!
window=$(timeout 120 xdotool search --sync --all --onlyvisible --pid "$pid" \
    --name 'Norvo Rava Rodozod' | head -1)
wait_idle "$pid"
{
    echo "0 $(resident "$pid")"
    for i in $(seq "$refreshes"); do
        xdotool windowfocus --sync "$window"
        xdotool key ctrl+r
        sleep 0.1
        wait_idle "$pid"
        echo "$i $(resident "$pid")"
    done
} | tee "$home/series.txt"
kill "$pid"
wait "$pid" || true
awk -v warm=3 '
    $1 == 0 { start = $2 }
    { last = $2; count = $1 }
    $1 > warm { n++; sx += $1; sy += $2; sxx += $1 * $1; sxy += $1 * $2 }
    END {
        printf "%d refreshes of %s bills: %d KiB after start-up, %d KiB after the last\n",
            count, bills, start, last
        printf "per refresh from start-up: %.0f B; slope after the first %d: %.0f B\n",
            (last - start) * 1024 / count, warm, (n * sxy - sx * sy) / (n * sxx - sx * sx) * 1024
    }' bills="$bills" "$home/series.txt"
