#!/usr/bin/env bash
# Times gray, negative and rotate 90 of a 6000x4000 24-bit picture in bench_ops beside vips on the same
# size (vips: libvips-tools; its figures include process start and the .v file in and out).
# Usage: bench/compare_ops_vips.sh [build dir with bench/bench_ops]
set -euo pipefail
build=${1:-build/rel}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

vips gaussnoise "$tmp/n.v" 6000 4000 --mean 128 --sigma 50
vips cast "$tmp/n.v" "$tmp/n8.v" uchar
vips bandjoin "$tmp/n8.v $tmp/n8.v $tmp/n8.v" "$tmp/j.v"
vips copy "$tmp/j.v" "$tmp/in.v" --interpretation srgb

best_ms() {  # best wall time of 5 runs, in ms
  local best=999999 t0 t1 ms
  for _ in 1 2 3 4 5; do
    t0=$(date +%s%N); "$@" >/dev/null; t1=$(date +%s%N)
    ms=$(( (t1 - t0) / 1000000 ))
    (( ms < best )) && best=$ms
  done
  echo "$best"
}
vgray=$(best_ms vips colourspace "$tmp/in.v" "$tmp/o1.v" b-w)
vneg=$(best_ms vips invert "$tmp/in.v" "$tmp/o2.v")
vrot=$(best_ms vips rot "$tmp/in.v" "$tmp/o3.v" d90)

ours=$("$build/bench/bench_ops" --benchmark_filter='BM_(Gray|Negative|Rotate90)$' --benchmark_format=csv 2>/dev/null |
       awk -F, '/BM_/ { gsub(/"/, "", $1); print $1, $3 }')
ms_of() { awk -v n="$1" '$1 == n { printf "%.1f", $2 }' <<<"$ours"; }
printf '%-10s %10s %10s %8s\n' op vantrel_ms vips_ms ratio
for row in "gray BM_Gray $vgray" "negative BM_Negative $vneg" "rotate90 BM_Rotate90 $vrot"; do
  set -- $row
  o=$(ms_of "$2")
  printf '%-10s %10s %10s %8.2f\n' "$1" "$o" "$3" "$(awk -v a="$o" -v b="$3" 'BEGIN { print a / b }')"
done
