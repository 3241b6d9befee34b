#!/usr/bin/env python3
"""Renders the benchmark images and their ground-truth texts into corpus/.

Not run by the build: run it by hand, then commit corpus/.
Needs imagemagick and fonts-dejavu-core."""
import pathlib
import subprocess

OUT = pathlib.Path(__file__).resolve().parent / "corpus"
SANS = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
PARA = [
    "Calendar sync finished without errors and all events are up to date.",
    "Three reminders were moved to tomorrow because of the holiday schedule.",
    "The weekly planning meeting now starts fifteen minutes earlier than before.",
    "Shared notes from the review are attached to the project page for everyone.",
]


def label(name, size, border):
    text = "\n".join(PARA)
    (OUT / f"{name}.txt").write_text(text + "\n")
    subprocess.run(["convert", "-background", "white", "-fill", "black", "-font", SANS,
                    "-pointsize", str(size), "label:" + text, "-bordercolor", "white",
                    "-border", str(border), "-colorspace", "Gray", "-depth", "8", "-strip",
                    str(OUT / f"{name}.png")], check=True)


def screenshot():
    """A full-HD screenshot: 14 px interface text in blocks of four lines."""
    args, lines, y, i = [], [], 60, 0
    while y < 1040:
        line = PARA[i % 4]
        args += ["-annotate", f"+40+{y}", line]
        lines.append(line)
        i += 1
        y += 44 if i % 4 == 0 else 20
    (OUT / "en_screenshot_1080p.txt").write_text("\n".join(lines) + "\n")
    subprocess.run(["convert", "-size", "1920x1080", "xc:#fafafa", "-fill", "#202020",
                    "-font", SANS, "-pointsize", "14", *args, "-depth", "8", "-strip",
                    str(OUT / "en_screenshot_1080p.png")], check=True)


OUT.mkdir(exist_ok=True)
screenshot()
label("en_document", 20, 30)
label("en_small", 10, 12)  # an x-height of about 5 px
