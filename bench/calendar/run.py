#!/usr/bin/env python3
"""zuna-calendar's protocol throughput and change latency, and its event queries.

Protocol (the default, `run.py protocol`):

1. 100000 "status" lines through one bridge process: lines per second and peak
   memory, beside its named peer `cat` (the same lines through a pipe, the
   floor any line-protocol process sits on).
   For `cat` the input ends with the last line; the bridge's input stays open
   until every answer has come, since it does not wait for unanswered commands.
2. Change latency: the time from writing one item into a calendar folder to the
   change line, over several writes (the merge window is 150 ms of quiet).

Events (`run.py events --sizes 1000,10000,50000`): over stores written by
make_store.py, inside one running bridge: the first answer after start (a
month query, so the whole store is read), then the median and 95th percentile
of month queries across the five years, a one-year query, and peak memory.
With --files the sizes count item files (make_store.py --files: twenty
calendars, 15 % recurring) instead of occurrences.
The peer is khal (Debian package khal) listing the same months over the same
store from its own cache (its first run, which builds the cache, is timed apart).

Evolution Data Server (`run.py eds --sizes ...`): the same generated events in
one local calendar of a headless server on a private bus (tests/calendar/
eds/eds_session.sh), the bridge's month queries beside the server's own instance
generation for the same months, asked by a small client (bench/calendar/
eds_instances.cpp, built as build/bench/eds_instances), in the same session.

usage: bench/calendar/run.py [protocol|events|eds] [--bridge PATH] [--lines N] [--writes N]
                             [--sizes N,N] [--files] [--queries N] [--no-khal]
                             [--peer PATH]"""
import argparse
import json
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


MONTHS = [(year, month) for year in range(2022, 2027) for month in range(1, 13)]


def month_range(year, month):
    end = (year + 1, 1) if month == 12 else (year, month + 1)
    return f"{year:04d}-{month:02d}-01", f"{end[0]:04d}-{end[1]:02d}-01"


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100 * (len(ordered) - 1))))]


def query_line(n, start, end):
    return (f'{{"cmd":"events","id":{n},"start":"{start}T00:00:00Z",'
            f'"end":"{end}T00:00:00Z"}}\n').encode()


def bridge_queries(bridge, env, queries):
    begin = time.monotonic()
    # A large read buffer: answers of half a megabyte would otherwise cost the
    # client more reads than the bridge spends on them.
    proc = subprocess.Popen([bridge], stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env,
                            bufsize=1 << 20)
    first_start, first_end = month_range(2024, 3)
    proc.stdin.write(query_line(0, first_start, first_end))
    proc.stdin.flush()
    # Timed to the answer's arrival: reading its JSON is the client's time, not the bridge's.
    answer = proc.stdout.readline()
    first = time.monotonic() - begin
    count = len(json.loads(answer)["events"])
    times = []
    for n in range(queries):
        start, end = month_range(*MONTHS[n % len(MONTHS)])
        t = time.monotonic()
        proc.stdin.write(query_line(n + 1, start, end))
        proc.stdin.flush()
        proc.stdout.readline()
        times.append(time.monotonic() - t)
    t = time.monotonic()
    proc.stdin.write(query_line(queries + 1, "2024-01-01", "2025-01-01"))
    proc.stdin.flush()
    answer = proc.stdout.readline()
    year = time.monotonic() - t
    year_count = len(json.loads(answer)["events"])
    peak = peak_kb(proc.pid)
    proc.stdin.close()
    proc.wait()
    return first, count, times, year, year_count, peak


def khal_config(home, root):
    lines = ["[calendars]"]
    for n, folder in enumerate(sorted(p for p in pathlib.Path(root).rglob("*")
                                      if p.is_dir() and any(p.glob("*.ics")))):
        lines += [f"[[c{n}]]", f"path = {folder}"]
    lines += ["[locale]", "timeformat = %H:%M", "dateformat = %Y-%m-%d",
              "longdateformat = %Y-%m-%d", "datetimeformat = %Y-%m-%d %H:%M",
              "longdatetimeformat = %Y-%m-%d %H:%M", "local_timezone = UTC",
              "default_timezone = UTC", "[sqlite]", f"path = {home}/khal.db"]
    path = pathlib.Path(home, "khal.conf")
    path.write_text("\n".join(lines) + "\n")
    return str(path)


def khal_queries(config, queries):
    def run(start, end):
        t = time.monotonic()
        subprocess.run(["khal", "-c", config, "list", start, end], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=False)
        return time.monotonic() - t
    first = run(*month_range(2024, 3))
    times = [run(*month_range(*MONTHS[n % len(MONTHS)])) for n in range(queries)]
    year = run("2024-01-01", "2025-01-01")
    return first, times, year


def events_benchmark(args):
    make_store = pathlib.Path(__file__).resolve().parent / "make_store.py"
    print(f"{'events':>7} {'program':14} {'first s':>8} {'month med ms':>13} {'month p95 ms':>13} "
          f"{'year ms':>8} {'peak MB':>8} {'found':>6}")
    for size in [int(s) for s in args.sizes.split(",")]:
        with tempfile.TemporaryDirectory() as home:
            root = f"{home}/.local/share/calendars"
            subprocess.run(["python3", str(make_store), root, str(size)]
                           + (["--files"] if args.files else []), check=True)
            os.makedirs(f"{home}/.config/zuna")
            pathlib.Path(home, ".config/zuna/calendar-access").write_text("granted\n")
            env = {"HOME": home, "PATH": "/usr/bin:/bin", "TZ": "UTC"}
            first, count, times, year, year_count, peak = bridge_queries(args.bridge, env,
                                                                         args.queries)
            ours = statistics.median(times)
            print(f"{size:7d} {'zuna-calendar':14} {first:8.2f} {ours * 1000:13.2f} "
                  f"{percentile(times, 95) * 1000:13.2f} {year * 1000:8.1f} {peak / 1024:8.1f} "
                  f"{count:6d}")
            if args.no_khal:
                continue
            config = khal_config(home, root)
            k_first, k_times, k_year = khal_queries(config, max(3, args.queries // 10))
            theirs = statistics.median(k_times)
            print(f"{size:7d} {'khal (peer)':14} {k_first:8.2f} {theirs * 1000:13.2f} "
                  f"{percentile(k_times, 95) * 1000:13.2f} {k_year * 1000:8.1f} {'-':>8} "
                  f"{'-':>6}   month query {theirs / ours:.0f}x slower than zuna-calendar")


EDS_SOURCE = """[Data Source]
DisplayName=Benchmark
Enabled=true
Parent=local-stub

[Calendar]
BackendName=local
Selected=true
"""


def eds_fixtures(root, fixtures):
    """The items of a vdir store as one local Evolution Data Server calendar."""
    zones, components = {}, []
    for path in sorted(pathlib.Path(root).rglob("*.ics")):
        depth, current = 0, []
        for line in path.read_bytes().decode().split("\r\n"):
            if line.startswith("BEGIN:"):
                depth += 1
            if depth >= 2:  # inside a component of the VCALENDAR
                current.append(line)
            if line.startswith("END:"):
                depth -= 1
                if depth == 1 and current:
                    part = "\r\n".join(current) + "\r\n"
                    if current[0] == "BEGIN:VTIMEZONE":
                        zones[part.split("TZID:", 1)[1].split("\r\n", 1)[0]] = part
                    else:
                        components.append(part)
                    current = []
    text = "".join(components)
    calendar = pathlib.Path(fixtures, "calendar/bench")
    calendar.mkdir(parents=True)
    pathlib.Path(fixtures, "sources").mkdir()
    pathlib.Path(fixtures, "sources/bench.source").write_text(EDS_SOURCE)
    calendar.joinpath("calendar.ics").write_text(
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//zuna bench//EN\r\n"
        + "".join(zones.values()) + text + "END:VCALENDAR\r\n")


def eds_benchmark(args):
    make_store = pathlib.Path(__file__).resolve().parent / "make_store.py"
    session = ROOT / "tests/calendar/eds/eds_session.sh"
    print(f"{'events':>7} {'program':24} {'first s':>8} {'month med ms':>13} {'month p95 ms':>13} "
          f"{'year ms':>8} {'peak MB':>8} {'found':>6}")
    for size in [int(s) for s in args.sizes.split(",")]:
        with tempfile.TemporaryDirectory() as work:
            subprocess.run(["python3", str(make_store), f"{work}/vdir", str(size)], check=True)
            eds_fixtures(f"{work}/vdir", f"{work}/fixtures")
            subprocess.run([str(session), f"{work}/fixtures", "python3", __file__, "eds-inner",
                            "--sizes", str(size), "--bridge", args.bridge, "--peer", args.peer,
                            "--queries", str(args.queries)],
                           check=True, stderr=subprocess.DEVNULL)


def eds_inner(args):
    """Inside the session: the bridge, then the peer client, on the same calendar."""
    size = int(args.sizes)
    config = pathlib.Path(os.environ["XDG_CONFIG_HOME"], "zuna")
    config.mkdir(parents=True, exist_ok=True)
    config.joinpath("calendar-access").write_text("granted\n")
    env = dict(os.environ, TZ="UTC")
    first, count, times, year, year_count, peak = bridge_queries(args.bridge, env, args.queries)
    ours = statistics.median(times)
    print(f"{size:7d} {'zuna-calendar (EDS)':24} {first:8.2f} {ours * 1000:13.2f} "
          f"{percentile(times, 95) * 1000:13.2f} {year * 1000:8.1f} {peak / 1024:8.1f} {count:6d}",
          flush=True)
    run = subprocess.run([args.peer, "bench", str(args.queries)], env=env, capture_output=True,
                         text=True, check=True)
    peer = json.loads(run.stdout)
    theirs = statistics.median(peer["times"])
    print(f"{size:7d} {'EDS instances (peer)':24} {peer['first']:8.2f} {theirs * 1000:13.2f} "
          f"{percentile(peer['times'], 95) * 1000:13.2f} {peer['year'] * 1000:8.1f} {'-':>8} "
          f"{peer['count']:6d}   month query {theirs / ours:.0f}x slower than zuna-calendar",
          flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode", nargs="?", default="protocol",
                        choices=["protocol", "events", "eds", "eds-inner"])
    parser.add_argument("--peer", default=str(ROOT / "build/bench/eds_instances"))
    parser.add_argument("--bridge", default=str(ROOT / "build/calendar/zuna-calendar"))
    parser.add_argument("--lines", type=int, default=100000)
    parser.add_argument("--writes", type=int, default=10)
    parser.add_argument("--sizes", default="1000,10000,50000")
    parser.add_argument("--files", action="store_true")
    parser.add_argument("--queries", type=int, default=60)
    parser.add_argument("--no-khal", action="store_true")
    args = parser.parse_args()
    if args.mode == "events":
        events_benchmark(args)
        return
    if args.mode in ("eds", "eds-inner"):
        (eds_benchmark if args.mode == "eds" else eds_inner)(args)
        return
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
