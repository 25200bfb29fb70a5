#!/usr/bin/env bash
# vlmhost --view on every sample, on an X server of its own: the view window opens, Escape
# closes it and vlmhost ends with status 0. Skipped (77) without Xvfb or xdotool.
set -u
vlmhost=$1 examples=$2
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || exit 77
# -noreset: a server that resets as its last client leaves refuses the next one for a moment.
coproc XVFB { exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null; }
read -r number <&"${XVFB[0]}" || exit 77
export DISPLAY=:$number
config=$(mktemp -d) && trap 'kill $XVFB_PID; rm -rf "$config"' EXIT
# Fontconfig keeps its font caches until the process ends: not a leak of ours.
echo "leak:libfontconfig.so" >"$config/lsan.supp" && export LSAN_OPTIONS=suppressions=$config/lsan.supp
failed=0
for sample in "$examples"/*.{obj,dxf,3ds,inc,ply}; do
  XDG_CONFIG_HOME=$config timeout 30 "$vlmhost" --quiet --view "$sample" >/dev/null &
  window=$(timeout 20 xdotool search --sync --onlyvisible --name '^VLMImport view$' | head -n 1)
  [ -n "$window" ] && xdotool windowfocus --sync "$window" key Escape
  wait $!
  status=$?
  [ "$status" = 0 ] || { echo "$sample: the view window gave status $status"; failed=1; }
done
exit $failed
