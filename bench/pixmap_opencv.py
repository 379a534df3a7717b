#!/usr/bin/env python3
"""The bucket fill of bench_pixmap beside OpenCV's flood fill.

Runs bench_pixmap's fill benchmarks with TWDRAW_PIXMAP_BENCH_DIR pointing at a
temporary folder (or reads a folder a run already filled), fills the same
input pictures with cv2.floodFill (fixed range, 4-connectivity, a difference
of (tolerance + 1) / 2 per channel: the rule of our fill for opaque pixels),
checks that both results are equal on opaque pictures and prints both times.

  bench/pixmap_opencv.py [path to bench_pixmap | folder of its pictures]

Without python3-opencv it says so and exits 0. Exits 1 when a result differs.
"""

import json
import os
import subprocess
import sys
import tempfile
import time

REPEATS = 5


def load_opencv():
    try:
        import cv2  # noqa: F401
        import numpy  # noqa: F401
    except ImportError:
        return None, None
    return cv2, numpy


def default_bench():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    for folder in ("build/release", "build/h-pixcore-rel"):
        path = os.path.join(root, folder, "bench", "bench_pixmap")
        if os.access(path, os.X_OK):
            return path
    return None


def run_bench(bench, folder):
    """Runs the fill benchmarks, writing their pictures into the folder;
    answers milliseconds per fill by picture side."""
    env = dict(os.environ, TWDRAW_PIXMAP_BENCH_DIR=folder, QT_QPA_PLATFORM="offscreen")
    out = subprocess.run([bench, "--benchmark_filter=BM_Flood", "--benchmark_format=json"],
                         env=env, check=True, capture_output=True, text=True).stdout
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
    times = {}
    for entry in json.loads(out)["benchmarks"]:
        side = int(entry["name"].split("/")[1])
        times[side] = entry["real_time"] * scale[entry.get("time_unit", "ns")]
    return times


def sides_in(folder):
    sides = []
    for name in os.listdir(folder):
        if name.startswith("flood-") and name.endswith(".json"):
            sides.append(int(name[len("flood-"):-len(".json")]))
    return sorted(sides)


def compare(cv2, np, folder, side, our_ms):
    base = os.path.join(folder, "flood-%d" % side)
    with open(base + ".json") as f:
        params = json.load(f)
    source = cv2.imread(base + "-input.png", cv2.IMREAD_UNCHANGED)
    ours = cv2.imread(base + "-result.png", cv2.IMREAD_UNCHANGED)
    if source is None or ours is None:
        print("flood %d: pictures missing in %s" % (side, folder))
        return False
    opaque = source.ndim == 2 or source.shape[2] == 3 or bool((source[:, :, 3] == 255).all())
    picture = np.ascontiguousarray(source[:, :, :3])
    x, y = params["seed"]
    d = (params["tolerance"] + 1) // 2
    red, green, blue = params["replacement"]
    flags = 4 | cv2.FLOODFILL_FIXED_RANGE
    best = None
    for _ in range(REPEATS):
        work = picture.copy()
        mask = np.zeros((picture.shape[0] + 2, picture.shape[1] + 2), np.uint8)
        start = time.perf_counter()
        cv2.floodFill(work, mask, (x, y), (blue, green, red), (d, d, d), (d, d, d), flags)
        elapsed = (time.perf_counter() - start) * 1000
        best = elapsed if best is None else min(best, elapsed)
    theirs_ms = best
    ours_text = "%.2f ms" % our_ms if our_ms is not None else "(time not measured here)"
    if not opaque:
        print("flood %d: ours %s, OpenCV %.2f ms (picture not opaque: not compared)" % (side, ours_text, theirs_ms))
        return True
    same = np.array_equal(work, ours[:, :, :3])
    differing = int((work != ours[:, :, :3]).any(axis=2).sum())
    print("flood %d: ours %s, OpenCV %.2f ms, results %s" %
          (side, ours_text, theirs_ms, "equal" if same else "differ in %d pixels" % differing))
    return same


def main():
    cv2, np = load_opencv()
    if cv2 is None:
        # A python3 of its own (pyenv, a virtual environment) does not see
        # the system's packages: try the system's interpreter once.
        system = "/usr/bin/python3"
        if (os.path.realpath(sys.executable) != os.path.realpath(system) and os.access(system, os.X_OK)
                and "TWDRAW_PIXMAP_OPENCV_RETRY" not in os.environ):
            os.environ["TWDRAW_PIXMAP_OPENCV_RETRY"] = "1"
            os.execv(system, [system] + sys.argv)
        print("skipped: python3-opencv is not installed")
        return 0
    target = sys.argv[1] if len(sys.argv) > 1 else default_bench()
    if target is None:
        print("bench_pixmap not found: build the benchmarks or name it", file=sys.stderr)
        return 2
    if os.path.isdir(target):
        folder = target
        sides = sides_in(folder)
        ok = all(compare(cv2, np, folder, side, None) for side in sides)
        return 0 if ok and sides else 1
    with tempfile.TemporaryDirectory(prefix="twdraw-pixmap-") as folder:
        times = run_bench(target, folder)
        results = [compare(cv2, np, folder, side, times.get(side)) for side in sides_in(folder)]
        return 0 if results and all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
