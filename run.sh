#!/usr/bin/env bash
# Installs what is missing, builds, and starts Norvo Rava Rodozod.
set -euo pipefail
# The program keeps system.db in its working directory, so it runs where it was started from.
start_dir=$(pwd)
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"
. tools/ensure-deps.sh
nv_ensure_packages

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNV_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$(nv_jobs)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Built build/norvo-rava-rodozod, but there is no display to show it on (DISPLAY is not set)." >&2
    echo "Run it from a desktop session, or under Xvfb: xvfb-run ./run.sh" >&2
    exit 1
fi
cd "$start_dir"
exec "$root/build/norvo-rava-rodozod" "$@"
