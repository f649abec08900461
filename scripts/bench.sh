#!/usr/bin/env bash
# Builds the benchmarks as the driver image's code runs (optimised -O2, SSE2 and no later
# vector extensions, which a firmware driver cannot use) and runs every comparison with a
# peer library (cases named Peer/...) pinned to one core, three runs each, then prints one
# row per case: our time and the peer's (medians, microseconds) and the ratio ours / peer of
# each run (below 1: ours is faster). Arguments: an optional regular expression that picks cases, e.g. Fill.
# SETUP_BENCH_CPU picks the core (default: the last one).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUP_BUILD_UEFI_IMAGE=OFF \
  -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
cmake --build build/bench --target benchmarks
cpu=${SETUP_BENCH_CPU:-$(($(nproc) - 1))}
filter="^Peer/.*${1:-}"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
find build/bench -name '*_bench' -type f -executable | sort | while read -r bench; do
  # A program without a matching case prints nothing and writes an empty report.
  name=$(basename "$bench")
  taskset -c "$cpu" "$bench" --benchmark_filter="$filter" --benchmark_repetitions=3 \
    --benchmark_out_format=json --benchmark_out="$out/$name.json" >"$out/$name.log" 2>&1 \
    || { cat "$out/$name.log" >&2; exit 1; }
done
python3 - "$out"/*.json <<'PY'
import json, sys
rows = {}
for path in sys.argv[1:]:
    try:
        report = json.load(open(path))
    except ValueError:
        continue
    for b in report.get("benchmarks", []):
        if b.get("run_type") != "iteration" or "ratio" not in b:
            continue
        rows.setdefault(b["run_name"][len("Peer/"):], []).append(b)
if not rows:
    sys.exit("bench: no case matched")
width = max(len(n) for n in rows)
print(f"{'case':<{width}}  {'ours us':>9}  {'peer us':>9}  ratio per run (ours / peer)")
for name, runs in rows.items():
    ours = sorted(r["ours_us"] for r in runs)[len(runs) // 2]
    peer = sorted(r["peer_us"] for r in runs)[len(runs) // 2]
    ratios = "  ".join(f"{r['ratio']:.2f}" for r in runs)
    print(f"{name:<{width}}  {ours:9.3f}  {peer:9.3f}  {ratios}")
PY
