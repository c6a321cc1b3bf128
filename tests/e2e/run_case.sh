#!/usr/bin/env bash
# run_case.sh ORVANE DIR NAME: runs one end-to-end case and compares its results exactly.
set -u
orvane=$1 dir=$2 name=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$dir"/. "$work"/
cd "$work" || exit 1

if [ -f "$name.args" ]; then
  read -r -a args < "$name.args"
else
  args=(run "$name.ovs")
fi
"$orvane" "${args[@]}" > actual.stdout 2> actual.stderr < /dev/null
status=$?

expected_status=0
[ -f "$name.status" ] && expected_status=$(cat "$name.status")
failed=0
for stream in stdout stderr; do
  expected="$name.$stream"
  [ -f "$expected" ] || expected=/dev/null
  if ! cmp -s "$expected" "actual.$stream"; then
    echo "--- $stream differs (expected | actual, bytes shown with od -c):"
    diff <(od -c "$expected") <(od -c "actual.$stream") | head -40
    failed=1
  fi
done
if [ "$status" != "$expected_status" ]; then
  echo "--- exit status $status, expected $expected_status"
  failed=1
fi
exit $failed
