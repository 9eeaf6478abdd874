#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UBSan, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
. tools/ensure-deps.sh
nv_ensure_packages

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DNV_SANITIZE=ON -DNV_BUILD_TESTS=ON >/dev/null
cmake --build build-test -j"$(nv_jobs)"

export QT_QPA_PLATFORM=offscreen
cd build-test
ctest --output-on-failure -j"$(nv_jobs)" "$@"
