#!/bin/sh
# `make bench`: installs what the benchmark adds to the project's build packages (as root;
# otherwise prints the command; the Makefile's deps installs the rest first),
# configures a Release build with the peer runners in build-bench, builds it and runs
# bench/run.py. Arguments are passed on to run.py (--runs, --scale, --formats, --tunables).
# Environment: BENCH_BUILD (build folder, default build-bench), JOBS (default nproc).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD:-$root/build-bench}
jobs=${JOBS:-$(nproc)}

packages="python3-minimal time libassimp-dev libtinyobjloader-dev lib3ds-dev libfast-float-dev"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
    missing="$missing $p"
done
if [ -n "$missing" ]; then
  if [ "$(id -u)" = 0 ]; then
    echo "Installing:$missing"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing
  else
    echo "Missing Debian packages. Run:"
    echo "  sudo apt-get install -y$missing"
    exit 1
  fi
fi

# Warnings are the normal builds' business: an -O3 false positive must not stop a benchmark.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVLM_BUILD_BENCH=ON -DVLM_WERROR=OFF \
  -DVLM_BUILD_TESTS=OFF
cmake --build "$build" -j "$jobs"
exec python3 "$root/bench/run.py" --build "$build" "$@"
