#!/usr/bin/env python3
"""zuna-ocr against its peer, `tesseract IMAGE - -l eng`, on the same images in one run.

For each image of corpus/ (or the images given as arguments): median wall time and
peak memory of each program over several runs, their ratios, and the character
error rate of each against the image's .txt ground truth (case and spacing ignored).
The peer runs with OMP_THREAD_LIMIT=1, its fastest setting here; the last column is
the peer with its default OpenMP threading, to show what zuna-ocr must not pay.

usage: bench/ocr/run.py [--runs N] [--zuna PATH] [IMAGE...]"""
import argparse
import json
import os
import pathlib
import statistics
import subprocess
import sys
import time

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
sys.path.insert(0, str(HERE.parent))
from edit_distance import edit_distance  # noqa: E402


def run(argv, env=None):
    """Runs argv; returns (seconds, peak KB, stdout)."""
    start = time.monotonic()
    proc = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    out = proc.stdout.read()
    _, _, usage = os.wait4(proc.pid, 0)
    return time.monotonic() - start, usage.ru_maxrss, out.decode("utf-8", "replace")


def measure(argv, runs, env=None):
    results = [run(argv, env) for _ in range(runs)]
    return (statistics.median(r[0] for r in results), max(r[1] for r in results),
            results[0][2])


def squeeze(text):
    return "".join(text.lower().split())


def cer(found, truth):
    a, b = squeeze(found), squeeze(truth)
    return edit_distance(a, b) / max(1, len(b))


def zuna_text(line):
    result = json.loads(line)
    return "\n".join(b.get("text", "") for b in result.get("blocks", []))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--zuna", default=str(ROOT / "build/ocr/zuna-ocr"))
    parser.add_argument("images", nargs="*")
    args = parser.parse_args()
    images = [pathlib.Path(p) for p in args.images] or sorted(HERE.glob("corpus/*.png"))
    single = dict(os.environ, OMP_THREAD_LIMIT="1")
    threaded = {k: v for k, v in os.environ.items() if k != "OMP_THREAD_LIMIT"}
    print(f"{'image':24} {'zuna s':>7} {'peer s':>7} {'ratio':>6} {'zuna MB':>8} "
          f"{'peer MB':>8} {'ratio':>6} {'zuna CER':>9} {'peer CER':>9} {'peer-omp s':>10}")
    for image in images:
        zt, zm, zo = measure([args.zuna, str(image)], args.runs, threaded)
        pt, pm, po = measure(["tesseract", str(image), "-", "-l", "eng"], args.runs, single)
        ot, _, _ = measure(["tesseract", str(image), "-", "-l", "eng"], 1, threaded)
        truth_file = image.with_suffix(".txt")
        truth = truth_file.read_text() if truth_file.exists() else None
        zc = f"{cer(zuna_text(zo), truth):9.3f}" if truth else f"{'-':>9}"
        pc = f"{cer(po, truth):9.3f}" if truth else f"{'-':>9}"
        print(f"{image.name:24} {zt:7.2f} {pt:7.2f} {zt / pt:6.2f} {zm / 1024:8.1f} "
              f"{pm / 1024:8.1f} {zm / pm:6.2f} {zc} {pc} {ot:10.2f}")


if __name__ == "__main__":
    main()
