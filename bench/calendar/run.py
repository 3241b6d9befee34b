#!/usr/bin/env python3
"""zuna-calendar's protocol throughput and change latency.

1. 100000 "status" lines through one bridge process: lines per second and peak
   memory, beside its named peer `cat` (the same lines through a pipe, the
   floor any line-protocol process sits on).
   For `cat` the input ends with the last line; the bridge's input stays open
   until every answer has come, since it does not wait for unanswered commands.
2. Change latency: the time from writing one item into a calendar folder to the
   change line, over several writes (the merge window is 150 ms of quiet).

usage: bench/calendar/run.py [--bridge PATH] [--lines N] [--writes N]"""
import argparse
import os
import pathlib
import select
import statistics
import subprocess
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]
ITEM = ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:{uid}\r\n"
        "DTSTART:20240305T090000Z\r\nDURATION:PT1H\r\nSUMMARY:x\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")


def environment(home):
    env = {"HOME": home, "PATH": "/usr/bin:/bin", "TZ": "UTC"}
    os.makedirs(f"{home}/.local/share/calendars/cal", exist_ok=True)
    return env


def throughput(argv, lines, env, close_when_written=False):
    payload = b"".join(b'{"cmd":"status","id":%d}\n' % i for i in range(lines))
    start = time.monotonic()
    proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env)
    # Writing and reading together: neither pipe may fill up.
    got = 0
    os.set_blocking(proc.stdin.fileno(), False)
    view = memoryview(payload)
    while got < lines:
        want_write = [proc.stdin] if view else []
        readable, writable, _ = select.select([proc.stdout], want_write, [], 30)
        if not readable and not writable:
            break
        if writable:
            view = view[os.write(proc.stdin.fileno(), view[:65536]):]
            if not view and close_when_written:
                peak = peak_kb(proc.pid)
                proc.stdin.close()
        if readable:
            chunk = os.read(proc.stdout.fileno(), 1 << 20)
            if not chunk:
                break
            got += chunk.count(b"\n")
    elapsed = time.monotonic() - start
    # Read before the end of input: the bridge may exit before answering the rest.
    if not proc.stdin.closed:
        peak = peak_kb(proc.pid)
        proc.stdin.close()
    proc.wait()
    return got, elapsed, peak


def peak_kb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def latency(bridge, writes, env, home):
    proc = subprocess.Popen([bridge], stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env)
    proc.stdin.write(b'{"cmd":"status"}\n')
    proc.stdin.flush()
    proc.stdout.readline()
    times = []
    for i in range(writes):
        path = pathlib.Path(home, ".local/share/calendars/cal", f"item{i}.ics")
        start = time.monotonic()
        path.write_text(ITEM.format(uid=i))
        ready, _, _ = select.select([proc.stdout], [], [], 5)
        if ready and proc.stdout.readline():
            times.append(time.monotonic() - start)
        time.sleep(0.3)
    proc.stdin.close()
    proc.wait()
    return times


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bridge", default=str(ROOT / "build/calendar/zuna-calendar"))
    parser.add_argument("--lines", type=int, default=100000)
    parser.add_argument("--writes", type=int, default=10)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as home:
        env = environment(home)
        print(f"{'program':16} {'lines':>8} {'seconds':>8} {'lines/s':>10} {'peak MB':>8}")
        for name, argv, close in (("zuna-calendar", [args.bridge], False),
                                  ("cat (peer)", ["cat"], True)):
            got, elapsed, rss = throughput(argv, args.lines, env, close)
            print(f"{name:16} {got:8d} {elapsed:8.2f} {got / elapsed:10.0f} {rss / 1024:8.1f}")
        times = latency(args.bridge, args.writes, env, home)
        if times:
            print(f"change line after a write: median {statistics.median(times) * 1000:.0f} ms, "
                  f"max {max(times) * 1000:.0f} ms over {len(times)} writes")


if __name__ == "__main__":
    main()
