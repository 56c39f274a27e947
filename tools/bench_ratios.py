#!/usr/bin/env python3
"""Prints the medians of an orvella_bench JSON report and the ratios the
program's performance targets are stated in."""
import json
import sys

TARGETS = [
    # (measured, baseline, limit)
    ("BM_Refresh/10000", "BM_ScanBaseline/10000", 1.15),
    ("BM_Refresh/10000", "BM_Refresh/1000", 12.0),
    ("BM_Orphans/20000", "BM_WalkBaseline/20000", 1.5),
    ("BM_Dm3Load/4096", "BM_Dm3Baseline/4096", 1.5),
    ("BM_ViewRefresh/10000", "BM_Refresh/10000", 2.0),
    ("BM_Classify", "BM_ClassifyBaseline", 2.0),
    ("BM_LaunchOrder", "BM_ClassifyBaseline", 2.0),
    ("BM_ClassifyRemembered", "BM_Classify", 0.1),
    ("BM_CheckFirst", "BM_CheckBaseline", 2.0),
    ("BM_CheckSecond", "BM_CheckFirst", 0.1),
    ("BM_LogRead", "BM_LogBaseline", 1.5),
]


# Growths against a baseline's growth: (a / b) / (c / d).
GROWTHS = [
    (("BM_Refresh/10000", "BM_Refresh/1000"), ("BM_ScanBaseline/10000", "BM_ScanBaseline/1000"), 1.10),
]


SCALE = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def seconds(entry):
    t, unit = entry
    return t * SCALE[unit]


def main(path):
    with open(path) as f:
        report = json.load(f)
    medians = {}
    for b in report["benchmarks"]:
        if b.get("aggregate_name") == "median":
            medians[b["run_name"]] = (b["real_time"], b["time_unit"])
        elif "aggregate_name" not in b:
            medians.setdefault(b["run_name"], (b["real_time"], b["time_unit"]))
    print(f"{'benchmark':32} {'median':>14}")
    for name, (t, unit) in medians.items():
        print(f"{name:32} {t:12.3f} {unit}")
    print()
    failed = False
    for measured, baseline, limit in TARGETS:
        if measured in medians and baseline in medians:
            ratio = seconds(medians[measured]) / seconds(medians[baseline])
            ok = ratio <= limit
            failed |= not ok
            print(f"{measured} / {baseline} = {ratio:.2f} (target <= {limit}) {'ok' if ok else 'MISSED'}")
    for (a, b), (c, d), limit in GROWTHS:
        if all(n in medians for n in (a, b, c, d)):
            ratio = (seconds(medians[a]) / seconds(medians[b])) / (seconds(medians[c]) / seconds(medians[d]))
            ok = ratio <= limit
            failed |= not ok
            print(f"({a} / {b}) / ({c} / {d}) = {ratio:.2f} (target <= {limit}) {'ok' if ok else 'MISSED'}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
