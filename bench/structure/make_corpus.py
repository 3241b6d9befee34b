#!/usr/bin/env python3
"""Renders the structure benchmark's pages with headless Chromium.

Each page is an HTML document written here from a seeded generator: a title,
paragraphs, bullet and numbered lists (some nested, some with wrapped items),
a ruled or a borderless table, in one or two columns, light or dark, at 1x or
2x scale. The page is screenshotted and its ground truth (the same title,
paragraphs, list items and cells the HTML holds) written beside it as JSON.
Not run by the build: run it by hand, then commit corpus/.
Needs: chromium (Debian package), fonts-dejavu-core.

usage: bench/structure/make_corpus.py [--pages N] [--seed S] [--chromium PATH]"""
import argparse
import html
import json
import pathlib
import random
import subprocess
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
WORDS = ("plan team review budget launch design office travel meeting report client "
         "server update schedule quarter project office garden market library "
         "kitchen window morning evening summer winter river station ticket letter "
         "notes agenda invoice order delivery payment account contract partner").split()
NAMES = "Mia Omar Lena Jonas Aiko Ravi Sofia Tariq Elena Hugo Nadia Piotr".split()


def sentence(rng, words):
    text = " ".join(rng.choice(WORDS) for _ in range(words))
    return text[0].upper() + text[1:] + "."


def make_page(rng):
    page = {"title": " ".join(w.capitalize() for w in rng.sample(WORDS, rng.randint(2, 4))),
            "paragraphs": [], "lists": [], "tables": []}
    body = []
    for _ in range(rng.randint(1, 2)):
        text = " ".join(sentence(rng, rng.randint(6, 12)) for _ in range(rng.randint(1, 3)))
        page["paragraphs"].append(text)
        body.append(f"<p>{html.escape(text)}</p>")
    ordered = rng.random() < 0.5
    items, markup = [], []
    for n in range(rng.randint(3, 5)):
        item = sentence(rng, rng.randint(2, 12 if n == 1 else 5))[:-1]
        items.append(item)
        nested = ""
        if ordered and n == 1 and rng.random() < 0.6:
            subs = [sentence(rng, 2)[:-1] for _ in range(2)]
            items += subs
            nested = '<ol type="a">' + "".join(f"<li>{html.escape(s)}</li>" for s in subs) + "</ol>"
        markup.append(f"<li>{html.escape(item)}{nested}</li>")
    page["lists"].append({"ordered": ordered, "items": items})
    tag = "ol" if ordered else "ul"
    body.append(f"<p>{html.escape(sentence(rng, 4))}</p>")
    page["paragraphs"].append(body[-1][3:-4])
    body.append(f"<{tag}>{''.join(markup)}</{tag}>")
    ruled = rng.random() < 0.5
    columns = rng.randint(2, 4)
    rows = [[rng.choice(["Name", "Item", "Owner", "Date", "Amount", "Place"]) + f" {c + 1}"
             for c in range(columns)]]
    for _ in range(rng.randint(2, 5)):
        rows.append([rng.choice(NAMES) if c == 0 else str(rng.randint(1, 9999))
                     if c % 2 else rng.choice(WORDS) for c in range(columns)])
    page["tables"].append(rows)
    cells = "".join("<tr>" + "".join(f"<td>{html.escape(c)}</td>" for c in row) + "</tr>"
                    for row in rows)
    body.append(f'<table class="{"ruled" if ruled else "plain"}">{cells}</table>')
    return page, body


def document(page, body, dark, two_columns):
    colors = ("#1e1f22", "#e6e6e6") if dark else ("#ffffff", "#1a1a1a")
    columns = "column-count: 2; column-gap: 48px;" if two_columns else ""
    return f"""<!doctype html><html><head><meta charset="utf-8"><style>
body {{ background: {colors[0]}; color: {colors[1]}; font-family: 'DejaVu Sans', sans-serif;
       font-size: 16px; margin: 36px; width: 820px; line-height: 1.4; }}
h1 {{ font-size: 30px; margin: 0 0 18px; }}
main {{ {columns} }}
table {{ border-collapse: collapse; margin: 18px 0; break-inside: avoid; }}
td {{ padding: 6px 22px 6px 8px; }}
table.ruled td {{ border: 2px solid {colors[1]}; }}
li {{ margin: 4px 0; }}
</style></head><body><h1>{html.escape(page["title"])}</h1><main>{"".join(body)}</main></body></html>"""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pages", type=int, default=24)
    parser.add_argument("--seed", type=int, default=11)
    parser.add_argument("--chromium", default="chromium")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    out = HERE / "corpus"
    out.mkdir(exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        for n in range(args.pages):
            page, body = make_page(rng)
            dark, two_columns, scale = n % 4 == 3, n % 5 == 4, 2 if n % 3 == 2 else 1
            source = pathlib.Path(tmp, f"page{n}.html")
            source.write_text(document(page, body, dark, two_columns))
            image = out / f"page{n:02d}.png"
            subprocess.run([args.chromium, "--headless", "--no-sandbox", "--disable-gpu",
                            "--hide-scrollbars", "--no-first-run",
                            "--disable-background-networking", "--disable-component-update",
                            "--disable-sync", f"--user-data-dir={tmp}/profile",
                            f"--force-device-scale-factor={scale}", "--window-size=900,1100",
                            f"--screenshot={image}", source.as_uri()],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            page["dark"], page["scale"] = dark, scale
            (out / f"page{n:02d}.json").write_text(json.dumps(page, indent=1) + "\n")


if __name__ == "__main__":
    main()
