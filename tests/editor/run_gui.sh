#!/usr/bin/env bash
# Runs one editor test program on its own Xvfb display with software GL; 77 (skipped) without Xvfb.
set -euo pipefail
if ! command -v xvfb-run > /dev/null || ! command -v Xvfb > /dev/null; then
  echo "skipped: xvfb-run is not installed (Debian: xvfb xauth libgl1-mesa-dri)"
  exit 77
fi
runtime=$(mktemp -d) work=$(mktemp -d)  # mktemp's folders are private (0700)
trap 'rm -rf "$runtime" "$work"' EXIT
export XDG_RUNTIME_DIR=$runtime XDG_CONFIG_HOME=$work/.config QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1
# Sanitizer builds: the GL driver keeps blocks until exit from frames the leak checker cannot
# name, so leaks are checked by the core's tests only.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(dirname "$(realpath "$0")")/lsan.supp"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
# Each test starts in an empty folder of its own.
cd "$work"
xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
