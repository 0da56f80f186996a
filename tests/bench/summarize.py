#!/usr/bin/env python3
"""Prints the figures of one native benchmark run (the JSON files that
scripts/bench writes), one block per device."""
import json
import sys


def load(path):
    with open(path) as f:
        data = json.load(f)
    runs = {}
    for b in data["benchmarks"]:
        name = b["run_name"]
        # With repetitions, keep the median aggregate; without, the one run.
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        if b.get("run_type") == "aggregate" or name not in runs:
            runs[name] = b
    return runs


def find(runs, prefix):
    for name, b in runs.items():
        if name.startswith(prefix):
            return b
    raise KeyError(prefix)


def ns(b):
    scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
    return b["real_time"] * scale


for path in sys.argv[1:]:
    runs = load(path)
    device = path.rsplit("/", 1)[-1].split(".")[0]
    frame = find(runs, "BM_RatioFrameToBareDrain")
    idle = find(runs, "BM_RatioNothingWaitingToBareQuery")
    allocs = max(b.get("allocs/call", 0) for b in runs.values())
    print(f"{device}:")
    print(f"  ead, one 16-byte frame waiting: {frame['frame_ns']:.0f} ns; bare 49-call drain {frame['bare_ns']:.0f} ns;"
          f" median paired ratio {frame['median_ratio']:.2f}x;"
          f" {100 * frame['line_share']:.4f} % of the frame's 16.7 ms on the line")
    print(f"  ead, nothing waiting: {idle['ead_ns']:.1f} ns; bare status query {idle['bare_ns']:.1f} ns;"
          f" median paired ratio {idle['median_ratio']:.2f}x")
    print(f"  decoder alone {ns(find(runs, 'BM_DecodeFrameAlone')):.1f} ns;"
          f" floating-point guard alone {ns(find(runs, 'BM_FloatGuardAlone')):.1f} ns")
    print(f"  heap allocations per export call: {allocs:g} (largest over every benchmark)")
