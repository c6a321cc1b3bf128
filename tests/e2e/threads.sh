#!/usr/bin/env bash
# threads.sh ORVANE EXAMPLES: renders the showcase and one frame of the animation example with
# TGA, JPEG and depth map on 1, 2, 3 and 7 threads; every file must be the same byte for byte
# as the one-thread render.
set -u
orvane=$1 dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for scene in showcase animation; do
  frames=()
  [ "$scene" = animation ] && frames=(--frames 3)
  for threads in 1 2 3 7; do
    out="$work/$scene-$threads"
    mkdir "$out"
    if ! (cd "$out" && "$orvane" run --size 160x120 "${frames[@]}" --jpeg --depth-map depth \
      --depth-near 1 --depth-focus 8 --depth-far 40 --threads "$threads" \
      "$dir/$scene.ovs" > stdout 2> stderr); then
      echo "$scene on $threads threads: failed"
      cat "$out/stderr"
      failed=1
      continue
    fi
    [ -s "$out/stderr" ] && { echo "$scene on $threads threads:"; cat "$out/stderr"; failed=1; }
    rm "$out/stdout" "$out/stderr"
    [ "$threads" = 1 ] && continue
    if ! diff -r "$work/$scene-1" "$out" > /dev/null; then
      echo "$scene: the files of $threads threads differ from those of 1 thread"
      failed=1
    fi
  done
  [ -n "$(ls "$work/$scene-1")" ] || { echo "$scene: nothing rendered"; failed=1; }
done
exit $failed
