#!/usr/bin/env bash
# examples.sh ORVANE DIR: renders every DIR/*.ovs small, in a folder of its own. Each run must
# end with status 0 and an empty standard error, and every picture it announces must exist
# with the size of an uncompressed 64 x 48 TGA.
set -u
orvane=$1 dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
count=0 failed=0
for example in "$dir"/*.ovs; do
  [ -e "$example" ] || break
  count=$((count + 1))
  name=$(basename "$example" .ovs)
  mkdir "$work/$name"
  (cd "$work/$name" && "$orvane" run --size 64x48 "$example" > out 2> err)
  status=$?
  if [ "$status" -ne 0 ] || [ -s "$work/$name/err" ]; then
    echo "$name: exit status $status"
    cat "$work/$name/err"
    failed=1
    continue
  fi
  pictures=$(sed -n 's/^Rendering ([^)]*) \(.*\) \.\.\.$/\1/p' "$work/$name/out")
  [ -n "$pictures" ] || { echo "$name: rendered nothing"; failed=1; }
  for picture in $pictures; do
    size=$(stat -c %s "$work/$name/$picture" 2> /dev/null || echo missing)
    if [ "$size" != $((18 + 64 * 48 * 3)) ]; then
      echo "$name: $picture: $size bytes"
      failed=1
    fi
  done
done
[ "$count" -gt 0 ] || { echo "no examples in $dir"; exit 1; }
exit $failed
