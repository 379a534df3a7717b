#!/usr/bin/env python3
"""The pixel work of bench_pixmap beside OpenCV's.

Runs bench_pixmap's benchmarks with TWDRAW_PIXMAP_BENCH_DIR pointing at a
temporary folder (or reads a folder a run already filled), fills the same
input pictures with cv2.floodFill (fixed range, 4-connectivity, a difference
of (tolerance + 1) / 2 per channel: the rule of our fill for opaque pixels),
checks that both results are equal on opaque pictures and prints both times.
It also checks the selection masks against cv2.erode (their interior is the
selection eroded by a 3 x 3 cross, the outside counting as unselected) and
the zoomed pictures against cv2.resize to nearest neighbours, and the
blurred paintings against six one-dimensional cv2.boxFilter sums, printing
our blur's time beside cv2.GaussianBlur's. The flipped and turned pictures
are checked against cv2.flip and cv2.rotate, and a one-colour replacement
against cv2.inRange with the pixels it selects set (setTo).

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

# The benchmarks whose pictures the checks read, and whose times they print.
BENCHMARKS = ["BM_Flood", "BM_ConvertToMask", "BM_ZoomedPicture", "BM_Blur"]
# Editing.
BENCHMARKS += ["BM_Flip", "BM_Rotate", "BM_ReplaceColor"]


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
    """Runs the benchmarks of BENCHMARKS, writing their pictures into the
    folder; answers milliseconds per run by benchmark name ("BM_Flood/1024",
    the "/real_time" suffix left off)."""
    env = dict(os.environ, TWDRAW_PIXMAP_BENCH_DIR=folder, QT_QPA_PLATFORM="offscreen")
    pattern = "^(%s)/" % "|".join(BENCHMARKS)
    out = subprocess.run([bench, "--benchmark_filter=" + pattern, "--benchmark_format=json"],
                         env=env, check=True, capture_output=True, text=True).stdout
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
    times = {}
    for entry in json.loads(out)["benchmarks"]:
        name = entry["name"]
        if name.endswith("/real_time"):
            name = name[:-len("/real_time")]
        times[name] = entry["real_time"] * scale[entry.get("time_unit", "ns")]
    return times


def best_time(run):
    """The shortest of REPEATS runs of the function, in milliseconds, and
    the result of the last."""
    best, result = None, None
    for _ in range(REPEATS):
        start = time.perf_counter()
        result = run()
        elapsed = (time.perf_counter() - start) * 1000
        best = elapsed if best is None else min(best, elapsed)
    return best, result


def ours_text(times, name):
    return "%.2f ms" % times[name] if name in times else "(time not measured here)"


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


# ---- Shapes, masks and ants ----

def check_masks(cv2, np, folder, times):
    """Each converted selection: transparent outside it, opaque white where
    the selection eroded by a 3 x 3 cross (nothing selected beyond the
    picture) keeps it, opaque black on the rest of it."""
    ok = True
    for name in sorted(os.listdir(folder)):
        if not (name.startswith("mask-") and name.endswith("-input.png")):
            continue
        side = int(name[len("mask-"):-len("-input.png")])
        selection = cv2.imread(os.path.join(folder, name), cv2.IMREAD_UNCHANGED)
        ours = cv2.imread(os.path.join(folder, "mask-%d-result.png" % side), cv2.IMREAD_UNCHANGED)
        if selection is None or ours is None or selection.ndim != 3 or selection.shape[2] != 4:
            print("mask %d: pictures missing or without alpha in %s" % (side, folder))
            ok = False
            continue
        selected = (selection[:, :, 3] != 0).astype(np.uint8)
        cross = cv2.getStructuringElement(cv2.MORPH_CROSS, (3, 3))
        theirs_ms, interior = best_time(lambda: cv2.erode(selected, cross, borderType=cv2.BORDER_CONSTANT,
                                                          borderValue=0))
        expected = np.zeros(selection.shape, np.uint8)
        expected[selected == 1] = (0, 0, 0, 255)
        expected[interior == 1] = (255, 255, 255, 255)
        differing = int((expected != ours).any(axis=2).sum())
        print("mask %d: ours %s, OpenCV erode %.2f ms, results %s" %
              (side, ours_text(times, "BM_ConvertToMask/%d" % side), theirs_ms,
               "equal" if differing == 0 else "differ in %d pixels" % differing))
        ok = ok and differing == 0
    return ok


def check_zoomed(cv2, np, folder, times):
    """Each zoomed picture (no grid) against its part of the input enlarged
    by cv2.resize to nearest neighbours. Both pictures were written through
    the same conversion from premultiplied pixels, so they compare exactly."""
    source = cv2.imread(os.path.join(folder, "zoom-input.png"), cv2.IMREAD_UNCHANGED)
    ok = True
    for name in sorted(os.listdir(folder)):
        if not (name.startswith("zoom-") and name.endswith(".json")):
            continue
        with open(os.path.join(folder, name)) as f:
            params = json.load(f)
        x, y, w, h = params["rect"]
        zoom = params["zoom"]
        ours = cv2.imread(os.path.join(folder, "zoom-%d-result.png" % zoom), cv2.IMREAD_UNCHANGED)
        if source is None or ours is None:
            print("zoom %d: pictures missing in %s" % (zoom, folder))
            ok = False
            continue
        part = np.ascontiguousarray(source[y:y + h, x:x + w])
        theirs_ms, theirs = best_time(lambda: cv2.resize(part, (w * zoom, h * zoom),
                                                         interpolation=cv2.INTER_NEAREST))
        same = theirs.shape == ours.shape and np.array_equal(theirs, ours)
        differing = "shapes differ" if theirs.shape != ours.shape else \
            "differ in %d pixels" % int((theirs != ours).any(axis=2).sum())
        print("zoom %d (%d x %d): ours %s, OpenCV resize %.2f ms, results %s" %
              (zoom, w, h, ours_text(times, "BM_ZoomedPicture/%d/0" % zoom), theirs_ms,
               "equal" if same else differing))
        ok = ok and same
    return ok


# ---- Blur and smudge ----

def check_blur(cv2, np, folder, times):
    """Each blurred painting against six one-dimensional cv2.boxFilter sums
    (per radius horizontal then vertical, size 2r + 1, replicated border,
    unnormalised, in float64), each floor-divided by 2r + 1 as ours is:
    equal on opaque pictures. Prints our time beside cv2.GaussianBlur's at
    the same sigma (10 x strength), and how much ours varies over the
    strengths of one picture size whose three boxes all have a radius, which
    the running sums keep flat (a box of radius 0 changes nothing and is not
    run, so fainter strengths take less)."""
    ok = True
    ours_by_side = {}
    runs = []
    for name in os.listdir(folder):
        parts = name[:-len(".json")].split("-")
        if name.startswith("blur-") and name.endswith(".json") and len(parts) == 3:
            runs.append((int(parts[1]), int(parts[2]), name))
    for _, _, name in sorted(runs):
        key = name[:-len(".json")]
        _, side, percent = key.split("-")
        with open(os.path.join(folder, name)) as f:
            params = json.load(f)
        radii = params["radii"]
        strength = int(percent) / 100
        source = cv2.imread(os.path.join(folder, "blur-%s-input.png" % side), cv2.IMREAD_UNCHANGED)
        ours = cv2.imread(os.path.join(folder, key + "-result.png"), cv2.IMREAD_UNCHANGED)
        if source is None or ours is None or source.ndim != 3 or ours.ndim != 3:
            print("blur %s at %.2f: pictures missing in %s" % (side, strength, folder))
            ok = False
            continue
        our_ms = times.get("BM_Blur/%s/%s" % (side, percent))
        boxes = sum(1 for r in radii if r > 0)
        ours_by_side.setdefault(int(side), []).append((strength, our_ms, boxes))
        picture = np.ascontiguousarray(source[:, :, :3])
        gauss_ms, _ = best_time(lambda: cv2.GaussianBlur(picture, (0, 0), 10 * strength,
                                                         borderType=cv2.BORDER_REPLICATE))
        heading = "blur %s at %.2f (radii %s): ours %s, OpenCV GaussianBlur %.2f ms on %d threads" % (
            side, strength, ", ".join(str(r) for r in radii), ours_text(times, "BM_Blur/%s/%s" % (side, percent)),
            gauss_ms, cv2.getNumThreads())
        if source.shape[2] == 4 and not bool((source[:, :, 3] == 255).all()):
            print(heading + " (picture not opaque: not compared)")
            continue
        # Channel by channel: OpenCV sums one channel of doubles far faster
        # than three. Sums of whole numbers below 2^53 are exact, and so is
        # the floor of their quotient.
        start = time.perf_counter()
        expected = np.empty_like(picture)
        for channel in range(3):
            work = picture[:, :, channel].astype(np.float64)
            for r in radii:
                size = 2 * r + 1
                for ksize in ((size, 1), (1, size)):
                    work = cv2.boxFilter(work, cv2.CV_64F, ksize, normalize=False, borderType=cv2.BORDER_REPLICATE)
                    np.divide(work, size, out=work)
                    np.floor(work, out=work)
            expected[:, :, channel] = work
        boxes_ms = (time.perf_counter() - start) * 1000
        opaque = ours.shape[2] == 3 or bool((ours[:, :, 3] == 255).all())
        same = opaque and expected.shape == ours[:, :, :3].shape and np.array_equal(expected, ours[:, :, :3])
        if same:
            verdict = "equal"
        elif not opaque:
            verdict = "ours not opaque"
        else:
            verdict = "differ in %d pixels" % int((expected != ours[:, :, :3]).any(axis=2).sum())
        print(heading + ", six boxFilters %.2f ms, results %s" % (boxes_ms, verdict))
        ok = ok and same
    for side, entries in sorted(ours_by_side.items()):
        # Strengths faint enough to leave a box at radius 0 run fewer boxes:
        # only those that run all three are compared.
        measured = sorted((strength, ms) for strength, ms, boxes in entries if ms is not None and boxes == 3)
        if len(measured) < 2:
            continue
        fastest = min(ms for _, ms in measured)
        slowest = max(ms for _, ms in measured)
        print("blur %d: our time with three boxes from strength %.2f to %.2f spans %.2f-%.2f ms, %s" %
              (side, measured[0][0], measured[-1][0], fastest, slowest,
               "flat" if slowest <= 1.5 * fastest else "NOT flat (%.2f x)" % (slowest / fastest)))
    return ok


# ---- Editing ----

def read_opaque(cv2, folder, name):
    """A picture's blue, green and red, or None when it is missing or not
    opaque (premultiplied pixels only round-trip through PNG exactly when
    opaque)."""
    picture = cv2.imread(os.path.join(folder, name + ".png"), cv2.IMREAD_UNCHANGED)
    if picture is None or picture.ndim != 3:
        return None
    if picture.shape[2] == 4 and not bool((picture[:, :, 3] == 255).all()):
        return None
    return picture[:, :, :3].copy()


def check_flips_and_turns(cv2, np, folder, times):
    """The mirrored and turned pictures against cv2.flip and cv2.rotate."""
    if not os.path.exists(os.path.join(folder, "edit-input.png")):
        return True  # the editing benchmarks did not run
    source = read_opaque(cv2, folder, "edit-input")
    if source is None:
        print("flips and turns: input picture unreadable or not opaque in %s" % folder)
        return False
    side = source.shape[1]
    cases = [("flip-horizontal-result", "flip horizontal", "BM_Flip/0/%d" % side, lambda p: cv2.flip(p, 1)),
             ("flip-vertical-result", "flip vertical", "BM_Flip/1/%d" % side, lambda p: cv2.flip(p, 0)),
             ("rotate-90-result", "rotate 90", "BM_Rotate/90/%d" % side,
              lambda p: cv2.rotate(p, cv2.ROTATE_90_CLOCKWISE)),
             ("rotate-180-result", "rotate 180", "BM_Rotate/180/%d" % side, lambda p: cv2.rotate(p, cv2.ROTATE_180)),
             ("rotate-270-result", "rotate 270", "BM_Rotate/270/%d" % side,
              lambda p: cv2.rotate(p, cv2.ROTATE_90_COUNTERCLOCKWISE))]
    ok = True
    for name, title, bench, run in cases:
        ours = read_opaque(cv2, folder, name)
        if ours is None:
            print("%s: result missing or not opaque in %s" % (title, folder))
            ok = False
            continue
        theirs_ms, theirs = best_time(lambda: run(source))
        same = theirs.shape == ours.shape and np.array_equal(theirs, ours)
        verdict = "equal" if same else ("shapes differ" if theirs.shape != ours.shape else
                                         "differ in %d pixels" % int((theirs != ours).any(axis=2).sum()))
        print("%s %d: ours %s, OpenCV %.2f ms, results %s" % (title, side, ours_text(times, bench), theirs_ms,
                                                             verdict))
        ok = ok and same
    return ok


def check_replace(cv2, np, folder, times):
    """One colour replaced within a tolerance against cv2.inRange and setTo:
    a pixel is replaced when each of its components lies within
    (tolerance + 1) / 2 of the colour's."""
    if not os.path.exists(os.path.join(folder, "replace.json")):
        return True  # the replacement benchmark did not run
    source = read_opaque(cv2, folder, "edit-input")
    ours = read_opaque(cv2, folder, "replace-result")
    try:
        with open(os.path.join(folder, "replace.json")) as f:
            params = json.load(f)
    except OSError:
        params = None
    if source is None or ours is None or params is None:
        print("replace: pictures or parameters missing in %s" % folder)
        return False
    d = (params["tolerance"] + 1) // 2
    red, green, blue = params["color"]
    lower = np.array([max(blue - d, 0), max(green - d, 0), max(red - d, 0)], np.uint8)
    upper = np.array([min(blue + d, 255), min(green + d, 255), min(red + d, 255)], np.uint8)
    new_red, new_green, new_blue = params["replacement"]

    def replace():
        work = source.copy()
        work[cv2.inRange(work, lower, upper) != 0] = (new_blue, new_green, new_red)
        return work

    theirs_ms, theirs = best_time(replace)
    same = np.array_equal(theirs, ours)
    replaced = int((cv2.inRange(source, lower, upper) != 0).sum())
    print("replace one colour %d (%d pixels replaced): ours %s, OpenCV inRange + set %.2f ms, results %s" %
          (source.shape[1], replaced, ours_text(times, "BM_ReplaceColor/%d" % source.shape[1]), theirs_ms,
           "equal" if same else "differ in %d pixels" % int((theirs != ours).any(axis=2).sum())))
    return same


# Every check of a folder: (cv2, numpy, folder, times by benchmark name) ->
# whether its results agree.
CHECKS = [check_masks, check_zoomed, check_blur]
CHECKS += [check_flips_and_turns, check_replace]


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
        results = [compare(cv2, np, folder, side, None) for side in sides]
        results += [check(cv2, np, folder, {}) for check in CHECKS]
        return 0 if sides and all(results) else 1
    with tempfile.TemporaryDirectory(prefix="twdraw-pixmap-") as folder:
        times = run_bench(target, folder)
        results = [compare(cv2, np, folder, side, times.get("BM_Flood/%d" % side)) for side in sides_in(folder)]
        results += [check(cv2, np, folder, times) for check in CHECKS]
        return 0 if results and all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
