#!/usr/bin/env bash
# Runs one editor test program on its own Xvfb display (xcb platform, Mesa's software GL).
# Exit code 77 (skipped) when Xvfb is not installed.
set -euo pipefail
if ! command -v xvfb-run > /dev/null || ! command -v Xvfb > /dev/null; then
  echo "skipped: xvfb-run is not installed (Debian: xvfb xauth libgl1-mesa-dri)"
  exit 77
fi
runtime=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$runtime" "$work"' EXIT
export XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1
# Each test starts in an empty folder of its own, as a user starting the program there.
cd "$work"
xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
