#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each of them.
#
#   fuzz/run.sh            every target for FUZZ_SECONDS (default 60) seconds
#   fuzz/run.sh smoke      every target for 5 seconds, two side by side (CI: the build and
#                          a short run)
#   fuzz/run.sh build      build only
#   fuzz/run.sh 3ds ply    the named targets only (obj dxf 3ds inc ply numbers settings)
#
# Environment: FUZZ_SECONDS, FUZZ_BUILD (build folder, default build-fuzz), CC/CXX
# (default clang-14/clang++-14), FUZZ_JOBS (targets run side by side, default 1: one
# fuzzer at a time, at nice 19, leaves other work a core). Each fuzzer runs with a memory
# limit of 2048 MB and a time limit of 10 s per input, so a blow-up or a hang fails the run. Findings are written to $FUZZ_BUILD/artifacts.
#
# Each target starts from the samples, the tests' golden inputs and its corpus in
# fuzz/corpus/<target> (kept in git); what it finds grows $FUZZ_BUILD/corpus/<target>. A
# full run (not smoke) then minimises both into fuzz/corpus/<target> (-merge=1): the
# smallest set of inputs that reaches every feature the seeds do not, so the next run, on
# any machine, resumes where this one stopped. Exit status 1 when a target found something.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD:-$root/build-fuzz}"
# Absolute: the 3DS import changes the current folder, and the fuzzer reads its corpus
# and writes its findings by these paths while it runs.
mkdir -p "$build"
build="$(cd "$build" && pwd)"
seconds="${FUZZ_SECONDS:-60}"
jobs="${FUZZ_JOBS:-1}"
all=(obj dxf 3ds inc ply numbers settings)
targets=()
build_only=0
smoke=0
for arg in "$@"; do
  case "$arg" in
    smoke) seconds=5 smoke=1 ;;
    build) build_only=1 ;;
    obj|dxf|3ds|inc|ply|numbers|settings) targets+=("$arg") ;;
    *) echo "fuzz/run.sh: unknown argument '$arg'" >&2; exit 2 ;;
  esac
done
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")
# The smoke run has the machine to itself: one target a processor.
[ "$smoke" = 1 ] && [ -z "${FUZZ_JOBS:-}" ] && jobs=2

CC="${CC:-clang-14}" CXX="${CXX:-clang++-14}" \
  cmake -S "$root/fuzz" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
nice -n 10 cmake --build "$build" -j 2 --target $(printf 'fuzz_%s ' "${targets[@]}")
[ "$build_only" = 1 ] && exit 0

# Seeds: the bundled samples and the golden inputs of the tests, each a small file of its
# own kind (damaged ones too).
seeds="$build/seeds"
rm -rf "$seeds"
for ext in obj dxf 3ds inc ply; do
  mkdir -p "$seeds/$ext"
  find "$root/examples" "$root/tests/data/$ext" -type f -name "*.$ext" -exec cp {} "$seeds/$ext/" \; 2>/dev/null || true
done
# Numbers read from text start from the text formats' files.
mkdir -p "$seeds/numbers"
cp "$seeds"/obj/* "$seeds"/dxf/* "$seeds"/inc/* "$seeds/numbers/"
mkdir -p "$seeds/settings"
printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport]\nFileFormat=int16:2\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport\\OBJ]\nPath=text:/home/me/models/\n' \
  >"$seeds/settings/registry.ini"

# Minimises what fuzz_$1 found beyond the seeds into fuzz/corpus/$1: a merge into a copy
# of the seeds keeps them and adds only the inputs that reach something new.
keep_corpus() {
  local target="$1" merged="$build/merged/$1"
  rm -rf "$merged" && mkdir -p "$merged" && cp "$seeds/$target"/* "$merged/"
  nice -n 19 "$build/fuzz_$target" -merge=1 "$merged" "$root/fuzz/corpus/$target" \
    "$build/corpus/$target" 2>>"$build/$target.log"
  for seed in "$seeds/$target"/*; do rm -f "$merged/${seed##*/}"; done
  rm -rf "${root:?}/fuzz/corpus/$target" && mv "$merged" "$root/fuzz/corpus/$target"
  echo "fuzz/corpus/$target: $(find "$root/fuzz/corpus/$target" -type f | wc -l) inputs"
}

# One target: its run, its figures, and (not in smoke) its kept corpus. A finding leaves
# $build/failed-<target>, so that targets run side by side can report it.
run_target() {
  local target="$1" corpus="$build/corpus/$1"
  mkdir -p "$corpus" "$root/fuzz/corpus/$target"
  echo "== fuzz_$target: $seconds s"
  if ! nice -n 19 "$build/fuzz_$target" "$corpus" "$root/fuzz/corpus/$target" "$seeds/$target" \
      -dict="$root/fuzz/dict/$target.dict" -max_total_time="$seconds" \
      -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$target-" 2>"$build/$target.log"; then
    touch "$build/failed-$target"
    tail -n 60 "$build/$target.log"
  fi
  grep -E '^#[0-9]+\sDONE|stat::number_of_executed_units|stat::peak_rss_mb' "$build/$target.log" || true
  [ "$smoke" = 1 ] || keep_corpus "$target"
}

mkdir -p "$build/artifacts"
rm -f "$build"/failed-*
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  run_target "$target" &
done
wait
failed=()
for target in "${targets[@]}"; do [ -e "$build/failed-$target" ] && failed+=("$target"); done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz/run.sh: findings in: ${failed[*]} (inputs in $build/artifacts)" >&2
  exit 1
fi
echo "fuzz/run.sh: no findings"
