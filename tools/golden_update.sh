#!/usr/bin/env bash
# Writes the expectations of the golden scenes from what the built vlmhost gives today:
# NAME.scene.json beside every input of tests/data/<format>/ and in tests/data/samples/ for
# each sample of examples/ (or only for the FILEs named), and NAME.trace where one exists
# (touch NAME.trace to start one). Check each changed
# expectation by hand against its input before committing it.
# Usage: tools/golden_update.sh BUILD_DIR [FILE...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
vlmhost="$(cd "${1:?usage: golden_update.sh BUILD_DIR [FILE...]}" && pwd)/bin/vlmhost"
shift
config="$(mktemp -d)"
trap 'rm -rf "$config"' EXIT
if [ $# -gt 0 ]; then inputs=("$@"); else
  mapfile -t inputs < <(cd "$root/tests/data" && for f in obj dxf 3ds inc ply; do
    [ -d "$f" ] && find "$f" -maxdepth 1 -type f -name "*.$f"; done | sort)
  inputs=("${inputs[@]/#/$root/tests/data/}")
  mapfile -t -O ${#inputs[@]} inputs < <(find "$root/examples" -maxdepth 1 -type f \
    \( -name '*.obj' -o -name '*.dxf' -o -name '*.3ds' -o -name '*.inc' -o -name '*.ply' \) | sort)
fi
for input in "${inputs[@]}"; do
  dir="$(cd "$(dirname "$input")" && pwd)" name="$(basename "$input")"
  expect="$dir"
  [ "$dir" = "$root/examples" ] && expect="$root/tests/data/samples" && mkdir -p "$expect"
  stem="${name%.*}" args=(--quiet --geometry)
  [ -f "$expect/$stem.trace" ] && args+=(--trace)
  [ -f "$expect/$stem.args" ] && read -r -a extra <"$expect/$stem.args" && args+=("${extra[@]}")
  rm -rf "${config:?}"/*
  (cd "$dir" && XDG_CONFIG_HOME="$config" "$vlmhost" "${args[@]}" "$name" \
      >"$config/out" 2>"$config/err" </dev/null) || true
  python3 "$root/tools/golden_pretty.py" <"$config/out" >"$expect/$stem.scene.json"
  [ -f "$expect/$stem.trace" ] && cp "$config/err" "$expect/$stem.trace"
  echo "wrote ${expect#"$root"/}/$stem.scene.json"
done
