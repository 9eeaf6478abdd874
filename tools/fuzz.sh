#!/usr/bin/env bash
# Coverage-guided fuzzing of opening and loading a data file with libFuzzer (docs/fuzzing.md).
#
#   tools/fuzz.sh [SECONDS] [LIBFUZZER OPTIONS...]      (SECONDS defaults to 600)
#   NV_FUZZ_TARGET=statements tools/fuzz.sh ...         (bank statements instead, in
#                                                        fuzz-work-statements/)
#
# Builds build-fuzz with clang and NV_FUZZ=ON, then fuzzes on one core, starting from the seed
# corpus (tests/fuzz/corpus). Everything it makes stays in fuzz-work/, which is not committed:
# the inputs it found in fuzz-work/corpus (kept for the next run), crashes, leaks and timeouts
# in fuzz-work/findings, and the log in fuzz-work/fuzz-0.log. Replay one finding with
#   build-fuzz/tests/fuzz/nvdatafilefuzz fuzz-work/findings/crash-...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. tools/ensure-deps.sh
nv_ensure_packages
nv_ensure_fuzz_packages

seconds=${1:-600}
shift || true

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNV_FUZZ=ON \
    -DNV_BUILD_TESTS=OFF >/dev/null
# The fuzzer, its seeds, its dictionary, the largest input worth making and its own work folder.
extra_seeds=
case "${NV_FUZZ_TARGET:-datafile}" in
datafile) set -- nvdatafilefuzz corpus nvbf.dict 16384 fuzz-work "$@" ;;
statements) set -- nvstatementfuzz statements ofx.dict 8192 fuzz-work-statements "$@"
    # The statements the reader tests keep are seeds too.
    extra_seeds=$root/tests/data/statements ;;
*) echo "NV_FUZZ_TARGET is datafile or statements" >&2; exit 64 ;;
esac
fuzzer=$1 seeds=$2 dict=$3 max_len=$4 work=$5
shift 5
cmake --build build-fuzz -j"$(nv_jobs)" --target "$fuzzer"

mkdir -p "$work/corpus" "$work/findings"
cd "$work"
# The seed files are small SQLite files of 512-byte pages (4 to 6 KiB); room to grow, but not
# so much that every input turns into a big file. SQLite is not instrumented, so the dictionary
# of its file format and of our schema is most of what guides the fuzzer there.
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Leaks of libofx's own (tests/fuzz/libofx.supp); the data file fuzzer does not load it.
export LSAN_OPTIONS=suppressions=$root/tests/fuzz/libofx.supp
status=0
"$root/build-fuzz/tests/fuzz/$fuzzer" corpus "$root/tests/fuzz/$seeds" $extra_seeds \
    -jobs=1 -workers=1 -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -rss_limit_mb=2048 -dict="$root/tests/fuzz/$dict" -artifact_prefix=findings/ \
    -print_final_stats=1 "$@" || status=$?
tail -n 25 fuzz-0.log
ls findings
exit "$status"
