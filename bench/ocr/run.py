#!/usr/bin/env python3
"""zuna-ocr against its peer, plain Tesseract, on the same images in one run.

For each image of corpus/ (or the images given as arguments): median wall time and
peak memory of each program over several runs, their ratios, and the character
error rate of each against the image's ground truth (case and spacing ignored): its
.txt file, or the text of its .truth.json (the development corpus's form), whose
"lang" also names the page's language (English otherwise).

The peers run with OMP_THREAD_LIMIT=1, their fastest setting here:
- `-l eng`, the peer on every page; `eng-omp s` is it with its default OpenMP
  threading, to show what zuna-ocr must not pay;
- on East Asian pages, each single model of the language (chi_sim and chi_tra for
  Chinese) and each with English (`-l chi_sim+eng`); the best single model and the
  best pair by CER are shown, with zuna-ocr's time over the best single model's.

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


MODELS = {"zh": ["chi_sim", "chi_tra"], "ja": ["jpn"], "ko": ["kor"]}


def truth_of(image):
    """The page's text and language, or (None, "en") without ground truth."""
    text_file = image.with_suffix(".txt")
    if text_file.exists():
        return text_file.read_text(), "en"
    json_file = image.with_name(image.stem + ".truth.json")
    if not json_file.exists():
        return None, "en"
    page = json.loads(json_file.read_text())
    parts = []
    for element in page.get("elements", []):
        parts.append(element.get("text") or "")
        parts.extend(item.get("text", "") for item in element.get("items", []))
        parts.extend(cell for row in element.get("rows", []) for cell in row)
    return "\n".join(parts), page.get("lang", "en")


def zuna_text(line):
    result = json.loads(line)
    parts = []
    for block in result.get("blocks", []):
        parts.append(block.get("text", ""))
        parts.extend(block.get("items", []))
        parts.extend(cell for row in block.get("rows", []) for cell in row)
    return "\n".join(parts)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--zuna", default=str(ROOT / "build/ocr/zuna-ocr"))
    parser.add_argument("images", nargs="*")
    args = parser.parse_args()
    images = [pathlib.Path(p) for p in args.images] or sorted(HERE.glob("corpus/*.png"))
    single = dict(os.environ, OMP_THREAD_LIMIT="1")
    threaded = {k: v for k, v in os.environ.items() if k != "OMP_THREAD_LIMIT"}
    print(f"{'image':28} {'lang':4} {'zuna s':>7} {'MB':>6} {'CER':>6} | {'eng s':>6} {'MB':>6} "
          f"{'CER':>6} {'t/eng':>6} {'m/eng':>6} {'eng-omp s':>9} | {'best single':>11} {'s':>6} "
          f"{'CER':>6} {'t/best':>6} | {'best pair':>15} {'CER':>6}")
    for image in images:
        truth, lang = truth_of(image)
        score = (lambda text: cer(text, truth)) if truth else (lambda text: float("nan"))
        zt, zm, zo = measure([args.zuna, str(image)], args.runs, threaded)
        pt, pm, po = measure(["tesseract", str(image), "-", "-l", "eng"], args.runs, single)
        ot, _, _ = measure(["tesseract", str(image), "-", "-l", "eng"], 1, threaded)
        zc = score(zuna_text(zo))
        line = (f"{image.name[:28]:28} {lang:4} {zt:7.2f} {zm / 1024:6.0f} {zc:6.3f} | {pt:6.2f} "
                f"{pm / 1024:6.0f} {score(po):6.3f} {zt / pt:6.2f} {zm / pm:6.2f} {ot:9.2f}")
        singles, pairs = [], []
        for model in MODELS.get(lang, []):
            t, _, out = measure(["tesseract", str(image), "-", "-l", model], args.runs, single)
            singles.append((score(out), t, model))
            _, _, out = measure(["tesseract", str(image), "-", "-l", model + "+eng"], 1, single)
            pairs.append((score(out), model + "+eng"))
        if singles:
            bc, bt, bm = min(singles)
            pc, pmodel = min(pairs)
            line += f" | {bm:>11} {bt:6.2f} {bc:6.3f} {zt / bt:6.2f} | {pmodel:>15} {pc:6.3f}"
        print(line, flush=True)


if __name__ == "__main__":
    main()
