#!/usr/bin/env bash
# render_farm.sh ORVANE: the GNU parallel recipe of docs/render-farm.md on this machine. Three
# jobs render the frame ranges of a small animation; every frame must be byte for byte the
# frame that one `orvane run` of the whole animation renders. Running the jobs again with
# --skip-existing must render nothing and leave the pictures alone, and after a frame is
# removed, exactly that frame. Exits 77 (skipped) where GNU parallel is not installed.
set -u
orvane=$1
if ! command -v parallel > /dev/null; then
  echo "GNU parallel is not installed: skipped"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failed=0
fail() { echo "$*"; failed=1; }

# Eight frames of a ball rolling over a mirror floor.
cat > anim.ovs <<'OVS'
material red { diffus <0.9> diffus_color <220,40,30> highlight <0.7> highlight_size <20> }
material floor { diffus <0.6> diffus_color <90,100,120> mirror <0.4> }
plane floor { position <0,0,0> normal <0,1,0> material floor }
sphere ball { position <0,1,0> radius <1> material red }
light lamp { position <-4,8,-6> }
camera view { position <0,3,-8> look_at <0,1,0> }
raytrace { camera view background_color <40,50,80> }
float frame,x
for(frame=0;frame<8;frame=frame+1){
  x=frame*0.5-1.75
  ball.position <x,1,0>
  TRACE! <frame>
}
OVS
frames="00000 00001 00002 00003 00004 00005 00006 00007"
size=$((18 + 3 * 48 * 32))

mkdir single frames
"$orvane" run --size 48x32 --output single/anim anim.ovs > single.out 2>&1 || fail "single run failed"

# The recipe: ranges of three frames, the last one open, three jobs at a time. --tag puts
# each job's range before its lines.
farm() {
  printf '%s\n' 0-2 3-5 6- |
    parallel -q -j 3 --tag --joblog jobs.log \
      "$orvane" run --size 48x32 --skip-existing --output frames/anim --frames {} anim.ovs
}
# The frames that the lines of $1 render, each as "RANGE FRAME".
rendered() {
  sed -n 's|^\([0-9-]*\)\tRendering (48x32 trace: 3) frames/anim\([0-9]*\)\.tga \.\.\.$|\1 \2|p' "$1"
}
farm > farm.out 2>&1 || { fail "parallel jobs failed:"; cat farm.out jobs.log; }
expected=$'0-2 00000\n0-2 00001\n0-2 00002\n3-5 00003\n3-5 00004\n3-5 00005\n6- 00006\n6- 00007'
[ "$(rendered farm.out | sort)" = "$expected" ] || { fail "the jobs rendered:"; cat farm.out; }
for f in $frames; do
  [ "$(stat -c %s "single/anim$f.tga" 2> /dev/null)" = "$size" ] || fail "single/anim$f.tga: bad size"
  cmp "single/anim$f.tga" "frames/anim$f.tga" || fail "frame $f differs"
done
[ "$(ls frames | wc -l)" -eq 8 ] || { fail "unexpected pictures:"; ls frames; }
cmp -s frames/anim00000.tga frames/anim00001.tga && fail "the frames do not change"

# A second run finds every picture and writes none.
stat -c '%n %s %Y' frames/* > before
sleep 1
farm > again.out 2>&1 || { fail "second parallel run failed:"; cat again.out; }
grep 'Rendering' again.out && fail "the second run rendered frames"
stat -c '%n %s %Y' frames/* > after
cmp -s before after || { fail "the second run changed pictures:"; diff before after; }

# A restart after a lost frame renders that frame only.
rm frames/anim00004.tga
farm > restart.out 2>&1 || { fail "restart failed:"; cat restart.out; }
[ "$(grep -c Rendering restart.out)" = 1 ] && [ "$(rendered restart.out)" = "3-5 00004" ] ||
  { fail "the restart rendered:"; cat restart.out; }
cmp single/anim00004.tga frames/anim00004.tga || fail "the restarted frame differs"
exit $failed
