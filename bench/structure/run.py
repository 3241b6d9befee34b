#!/usr/bin/env python3
"""Scores zuna-ocr's document structure on corpus/ against the ground truth.

For every page: zuna-ocr and its peer `tesseract IMAGE - -l eng tsv` (with
OMP_THREAD_LIMIT=1; its paragraphs are the peer's structure) run on the same
image. Reported: character error rate of all text (order-free: the words of
each side sorted, list markers dropped) for both, title accuracy (exactly one
heading, matching), list-item recall and precision, table-cell accuracy,
paragraph reading order, and the wall-time ratio to the peer.

usage: bench/structure/run.py [--zuna PATH] [PAGE.png ...]"""
import argparse
import json
import os
import pathlib
import re
import statistics
import subprocess
import sys
import time

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
sys.path.insert(0, str(HERE.parent))
from edit_distance import edit_distance  # noqa: E402
MARKER = re.compile(r"^([•·▪◦‣*\-–—~e©]|\(?[0-9]{1,3}[.)]|\(?[a-zA-Z][.)]|\(?[ivxIVX]{1,4}[.)])$")


def similarity(a, b):
    a, b = " ".join(a.lower().split()), " ".join(b.lower().split())
    if not a and not b:
        return 1.0
    return 1 - edit_distance(a, b) / max(len(a), len(b))


def words(text):
    return [w for w in text.split() if not MARKER.match(w)]


def cer(found, truth):
    a, b = " ".join(sorted(words(found))), " ".join(sorted(words(truth)))
    return 1 - similarity(a, b)


def strip_marker(item):
    parts = item.split(None, 1)
    return parts[1] if len(parts) == 2 and MARKER.match(parts[0]) else item


def timed(argv, env=None):
    start = time.monotonic()
    out = subprocess.run(argv, capture_output=True, text=True, env=env).stdout
    return time.monotonic() - start, out


def truth_text(page):
    parts = [page["title"]] + page["paragraphs"]
    for lst in page["lists"]:
        parts += lst["items"]
    for table in page["tables"]:
        parts += [cell for row in table for cell in row]
    return " ".join(parts)


def block_text(blocks):
    parts = []
    for b in blocks:
        parts.append(b.get("text", ""))
        parts += [strip_marker(i) for i in b.get("items", [])]
        parts += [c for row in b.get("rows", []) for c in row]
    return " ".join(parts)


def match_count(expected, found, threshold=0.85):
    left = list(found)
    matched = 0
    for e in expected:
        best = max(range(len(left)), key=lambda k: similarity(e, left[k]), default=None)
        if best is not None and similarity(e, left[best]) >= threshold:
            matched += 1
            left.pop(best)
    return matched


def table_score(truth, tables):
    cells = sum(len(row) for row in truth)
    best = 0
    for t in tables:
        rows = t.get("rows", [])
        hits = sum(1 for r, row in enumerate(truth) for c, cell in enumerate(row)
                   if r < len(rows) and c < len(rows[r]) and similarity(cell, rows[r][c]) >= 0.85)
        best = max(best, hits)
    return best, cells


def order_score(truth, blocks):
    paragraphs = [b["text"] for b in blocks if b["kind"] == "paragraph"]
    positions = []
    for t in truth:
        scores = [similarity(t, p) for p in paragraphs]
        if scores and max(scores) >= 0.8:
            positions.append(scores.index(max(scores)))
    pairs = [(a, b) for i, a in enumerate(positions) for b in positions[i + 1:]]
    return sum(1 for a, b in pairs if a < b), len(pairs)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zuna", default=str(ROOT / "build/ocr/zuna-ocr"))
    parser.add_argument("pages", nargs="*")
    args = parser.parse_args()
    pages = [pathlib.Path(p) for p in args.pages] or sorted(HERE.glob("corpus/*.png"))
    single = dict(os.environ, OMP_THREAD_LIMIT="1")
    totals = {k: [0, 0] for k in ("title", "recall", "precision", "cells", "order")}
    zuna_cer, peer_cer, ratios = [], [], []
    for image in pages:
        truth = json.loads(image.with_suffix(".json").read_text())
        zt, zo = timed([args.zuna, str(image)])
        pt, po = timed(["tesseract", str(image), "-", "-l", "eng", "tsv"], single)
        ratios.append(zt / pt)
        blocks = json.loads(zo).get("blocks", [])
        peer_text = " ".join(line.split("\t")[11] for line in po.splitlines()[1:]
                             if len(line.split("\t")) > 11)
        zuna_cer.append(cer(block_text(blocks), truth_text(truth)))
        peer_cer.append(cer(peer_text, truth_text(truth)))
        headings = [b["text"] for b in blocks if b["kind"] == "heading"]
        totals["title"][0] += len(headings) == 1 and similarity(headings[0], truth["title"]) >= 0.9
        totals["title"][1] += 1
        expected = [i for lst in truth["lists"] for i in lst["items"]]
        found = [strip_marker(i) for b in blocks if b["kind"] == "list" for i in b["items"]]
        matched = match_count(expected, found)
        totals["recall"][0] += matched
        totals["recall"][1] += len(expected)
        totals["precision"][0] += matched
        totals["precision"][1] += len(found)
        for table in truth["tables"]:
            hits, cells = table_score(table, [b for b in blocks if b["kind"] == "table"])
            totals["cells"][0] += hits
            totals["cells"][1] += cells
        good, pairs = order_score(truth["paragraphs"], blocks)
        totals["order"][0] += good
        totals["order"][1] += pairs
    share = {k: v[0] / v[1] if v[1] else 1.0 for k, v in totals.items()}
    print(f"pages {len(pages)}")
    print(f"title accuracy        {share['title']:.3f}   (target >= 0.9)")
    print(f"list item recall      {share['recall']:.3f}   (target >= 0.9)")
    print(f"list item precision   {share['precision']:.3f}   (target >= 0.9)")
    print(f"table cell accuracy   {share['cells']:.3f}   (target >= 0.85)")
    print(f"paragraph order       {share['order']:.3f}")
    print(f"CER zuna / peer       {statistics.mean(zuna_cer):.4f} / {statistics.mean(peer_cer):.4f}")
    print(f"wall time / peer      median {statistics.median(ratios):.2f}x   (target <= 1.3x)")


if __name__ == "__main__":
    main()
