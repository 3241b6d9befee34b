#!/usr/bin/env python3
"""Soak test: one bridge fed LINES mixed valid and invalid lines (default a
million, at most a thousand requests in flight) while calendar files change
underneath; reports the bridge's peak memory after 10k lines and at the end,
and whether every valid request was answered. Memory must stay flat.

usage: bench/calendar/soak.py [--bridge PATH] [--lines N]"""
import argparse
import os
import pathlib
import random
import select
import subprocess
import tempfile
import threading

from run import peak_kb

ROOT = pathlib.Path(__file__).resolve().parents[2]
ITEM = ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:{uid}\r\nSUMMARY:Soak {uid}\r\n"
        "DTSTART;TZID=Europe/Berlin:20240305T090000\r\nDURATION:PT1H\r\n"
        "RRULE:FREQ=WEEKLY;COUNT=20\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
LINES = [
    (True, '{"cmd":"status","id":%d}'),
    (True, '{"cmd":"calendars","id":%d}'),
    # An hour with no event: the answers stay small, so that what is measured
    # is the bridge's own memory rather than answers queued for a slow reader.
    (True, '{"cmd":"events","id":%d,"start":"2024-03-04T00:00:00Z","end":"2024-03-04T01:00:00Z"}'),
    (True, '{"cmd":"events","id":%d,"start":"2024-03-05T20:00:00Z","end":"2024-03-05T21:00:00Z"}'),
    (True, '{"cmd":"events","id":%d,"start":"2024-03-01","end":"x"}'),
    (True, '{"cmd":"nope","id":%d}'),
    (False, 'garbage %d \xff\xfe'),
    (False, '{"id":%d}'),
    (False, '[%d,{"cmd":"status"}]'),
]


def churn(root, stop):
    rng = random.Random(3)
    while not stop.is_set():
        n = rng.randrange(200)
        path = root / f"item{n}.ics"
        if rng.random() < 0.2:
            path.unlink(missing_ok=True)
        else:
            path.write_text(ITEM.format(uid=n))
        stop.wait(0.01)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bridge", default=str(ROOT / "build/calendar/zuna-calendar"))
    parser.add_argument("--lines", type=int, default=1_000_000)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as home:
        calendar = pathlib.Path(home, ".local/share/calendars/soak")
        calendar.mkdir(parents=True)
        pathlib.Path(home, ".config/zuna").mkdir(parents=True)
        pathlib.Path(home, ".config/zuna/calendar-access").write_text("granted\n")
        proc = subprocess.Popen([args.bridge], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                env={"HOME": home, "PATH": "/usr/bin:/bin", "TZ": "UTC"})
        stop = threading.Event()
        changer = threading.Thread(target=churn, args=(calendar, stop))
        changer.start()
        rng = random.Random(5)
        expected = answered = 0
        pending = bytearray()
        received = b""
        os.set_blocking(proc.stdin.fileno(), False)
        at_10k = None
        sent = 0
        while sent < args.lines or answered < expected:
            # At most a thousand requests in flight, as an application waits for
            # its answers: memory then shows leaks, not a backlog of queued work.
            if sent < args.lines and len(pending) < 1 << 16 and expected - answered < 1000:
                valid, template = rng.choice(LINES)
                pending += (template % sent).encode("utf-8", "surrogateescape") + b"\n"
                expected += valid
                sent += 1
                if sent == 10_000:
                    at_10k = peak_kb(proc.pid)
                continue
            readable, writable, _ = select.select([proc.stdout], [proc.stdin] if pending else [], [], 30)
            if not readable and not writable:
                break
            if writable:
                del pending[:os.write(proc.stdin.fileno(), pending[:1 << 16])]
            if readable:
                chunk = os.read(proc.stdout.fileno(), 1 << 20)
                if not chunk:
                    break
                received += chunk
                *lines, received = received.split(b"\n")
                answered += sum(1 for line in lines if b'"id"' in line)
        final = peak_kb(proc.pid)
        stop.set()
        changer.join()
        proc.stdin.close()
        code = proc.wait()
        print(f"lines sent {sent}, requests {expected}, answered {answered}, exit {code}")
        print(f"peak memory after 10k lines {at_10k / 1024:.1f} MB, at the end {final / 1024:.1f} MB")


if __name__ == "__main__":
    main()
