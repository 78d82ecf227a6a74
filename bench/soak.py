#!/usr/bin/env python3
"""Endurance and speed of the real program following a live log, driven like the end-to-end
tests (tests/e2e) but long or timed, so not part of ./test.sh:

    bench/soak.py follow --build BUILD   the program keeps up with a log growing fast
    bench/soak.py soak --build BUILD     30 minutes of a live log (see the soak function)

(also ctest --test-dir BUILD -L bench). Environment of the soak:
    QLA_SOAK_SECONDS  how long conlog-sim appends (default 1800)
    QLA_SOAK_RATE     lines a second (default 2000)
    QLA_SOAK_TIMEOUT  the CTest timeout of the run, set by tests/e2e/CMakeLists.txt; a duration
                      that cannot finish within it fails at once instead of being cut off
"""

import argparse
import ctypes
import os
import re
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "tests", "e2e")]

import logcount  # noqa: E402
from harness import Failure, check, log, poll  # noqa: E402
from run import run  # noqa: E402

REFRESH = 1  # "Refresh Rate" of the runs: a processing run every tick


def cpu_seconds(pid):
    """User plus system time the process has used, in seconds."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def bytes_read(pid):
    with open(f"/proc/{pid}/io") as f:
        return int(next(row for row in f if row.startswith("rchar:")).split()[1])


def follow(ctx):
    """The log grows by 2,000 lines a second for 8 s while the program runs: halfway it has
    read at least half of what was added, and a few refresh periods after the last line
    everything is counted."""
    path = os.path.join(ctx.sandbox.logs, "conlog.log")
    subprocess.run([f"{ctx.build}/tools/conlog-sim", "--lines", "20000", "--seed", "21", "--days", "3", path], check=True,
                   stdout=subprocess.DEVNULL)
    app = ctx.start("run1")
    app.open_log(path)
    app.wait_settled([path])
    size_before = os.path.getsize(path)
    appender = subprocess.Popen([f"{ctx.build}/tools/conlog-sim", "--append", "--rate", "2000", "--duration", "8",
                                 "--seed", "21", path], stdout=subprocess.DEVNULL)
    read_before = bytes_read(app.pid)
    time.sleep(4)  # a timed run: what the program read in these seconds is the figure
    read_halfway = bytes_read(app.pid) - read_before
    added_halfway = os.path.getsize(path) - size_before
    log(f"halfway: {added_halfway} bytes added, {read_halfway} bytes read by the program (target: half)")
    check(read_halfway >= added_halfway // 2, "the program fell behind the growing log")
    check(appender.wait(30) == 0, "conlog-sim --append failed")
    time.sleep(3 * REFRESH + 1)  # three refresh periods after the last line
    check(app.exit_via_menu() == 0, "the program did not end with status 0")
    problems = logcount.differences(logcount.stats_dump(f"{ctx.build}/tools/stats-dump", ctx.sandbox.stats_file),
                                    logcount.count_log(path))
    check(not problems, "stats file after the log grew:\n  " + "\n  ".join(problems))


def open_detail_window(ctx, app):
    """Double-clicks the first row of the list until a detail window shows."""
    x0, y0 = ctx.display.geometry(app.main)[:2]
    for _ in range(5):
        ctx.display.xdotool("mousemove", "--sync", x0 + 50, y0 + 109)
        ctx.display.xdotool("click", "--repeat", 2, "--delay", 80, 1)
        try:
            return poll(lambda: ctx.display.windows(app.pid, "^Details"), 5, "a detail window")[0]
        except Failure:
            continue
    raise Failure("no double-click on the list opened a detail window")

RSS_PERIOD = 10  # seconds between two samples of the resident memory
BASELINE_AFTER = 60  # the sample the end is compared with: the first one after a minute
RSS_TOLERANCE = 0.10
STALE_REPORT = 10  # seconds without a new report that count as the report having stopped
# Start-up, the final settling, counting the whole log here and the Exit, beyond the duration.
OVERHEAD = 600
ALL_CLIENTS = "&lt;All-clients&gt;"  # the report escapes the pseudo-client's name
CAPTIONS = ["Client", "Total blocks", "Today blocks", "Rate (kkeys/s)", "Last block"]


class ReportWatch:
    """Counts the writes of Index.htm in a folder with inotify: the program replaces the file
    whole (a rename onto it) or, where it cannot, rewrites it in place (a close after writing)."""

    IN_CLOSE_WRITE = 0x00000008
    IN_MOVED_TO = 0x00000080
    IN_Q_OVERFLOW = 0x00004000
    IN_NONBLOCK = os.O_NONBLOCK
    IN_CLOEXEC = os.O_CLOEXEC

    def __init__(self, folder, name):
        self.name = name.encode()
        self.writes = 0
        self.overflowed = False
        libc = ctypes.CDLL(None, use_errno=True)
        self.fd = libc.inotify_init1(self.IN_NONBLOCK | self.IN_CLOEXEC)
        check(self.fd >= 0, f"inotify_init1 failed: {os.strerror(ctypes.get_errno())}")
        if libc.inotify_add_watch(self.fd, folder.encode(), self.IN_CLOSE_WRITE | self.IN_MOVED_TO) < 0:
            error = ctypes.get_errno()
            os.close(self.fd)
            raise Failure(f"inotify_add_watch {folder} failed: {os.strerror(error)}")

    def drain(self):
        """Reads the pending events; the number of new writes of the file."""
        new = 0
        while True:
            try:
                data = os.read(self.fd, 1 << 16)
            except BlockingIOError:
                break
            at = 0
            while at < len(data):
                _, mask, _, size = struct.unpack_from("iIII", data, at)
                name = data[at + 16:at + 16 + size].rstrip(b"\0")
                at += 16 + size
                if mask & self.IN_Q_OVERFLOW:
                    self.overflowed = True
                elif name == self.name:
                    new += 1
        self.writes += new
        return new

    def close(self):
        os.close(self.fd)


def parse_report(data):
    """The rows of an Index.htm as {client cell: [cells]}; Failure when its form is wrong."""
    text = data.decode("ascii")  # the report writes anything beyond ASCII as &#n;
    check(text.endswith("\r\n"), "the report does not end with CR LF")
    lines = text[:-2].split("\r\n")
    check(lines[:2] == ["<HTML><BODY><TABLE WIDTH=100% BORDER=1>", "<TR>"],
          f"the report starts with {lines[:2]}")
    check(lines[-1] == "</TABLE></BODY></HTML>", f"the report ends with {lines[-1]!r}")
    captions = [re.fullmatch(r"<TH ALIGN=CENTER><BOLD>(.*)</TD>", row) for row in lines[2:2 + len(CAPTIONS)]]
    check(all(captions) and [m.group(1) for m in captions] == CAPTIONS,
          f"the report's header is {lines[2:2 + len(CAPTIONS)]}")
    check(lines[2 + len(CAPTIONS)] == "</TR>", "the report's header row is not closed")
    body = lines[3 + len(CAPTIONS):-1]
    size = len(CAPTIONS) + 2
    check(len(body) % size == 0, f"the report's body has {len(body)} lines, not rows of {size}")
    rows = {}
    for at in range(0, len(body), size):
        row = body[at:at + size]
        first = re.fullmatch(r"<TD>(.*)</TD>", row[1])
        rest = [re.fullmatch(r"<TD>(.*)&nbsp;</TD>", cell) for cell in row[2:-1]]
        check(row[0] == "<TR>" and row[-1] == "</TR>" and first and all(rest),
              f"a row of the report has the form {row}")
        rows[first.group(1)] = [first.group(1)] + [m.group(1) for m in rest]
    return rows


def report_total(rows):
    """The "<All-clients>" total of a parsed report (None while it has no such row)."""
    row = rows.get(ALL_CLIENTS)
    if row is None:
        check("<All-clients>" not in rows, "the report holds <All-clients> unescaped")
        return None
    check(re.fullmatch(r" *[0-9]+", row[1]), f"the <All-clients> total is {row[1]!r}")
    return int(row[1])


def rss_kb(pid, field="VmRSS"):
    """A memory figure of /proc/<pid>/status in kB (VmRSS: resident now; VmHWM: its peak)."""
    with open(f"/proc/{pid}/status") as f:
        return int(next(row for row in f if row.startswith(field + ":")).split()[1])


def soak(ctx):
    """Soak: conlog-sim appends 2,000 lines a second for QLA_SOAK_SECONDS (default 1800) while
    the program follows the log with the web report written on every pass and one detail
    window open; the report keeps being rewritten and parses, the counts saved at Exit equal a
    count of the whole log and conlog-sim's own, and the resident memory at the end is within
    10% of its value after the first minute."""
    duration = float(os.environ.get("QLA_SOAK_SECONDS", "1800"))
    rate = float(os.environ.get("QLA_SOAK_RATE", "2000"))
    check(duration >= 2 * RSS_PERIOD, f"QLA_SOAK_SECONDS={duration:g} is too short for a soak")
    limit = os.environ.get("QLA_SOAK_TIMEOUT")
    check(not limit or duration + OVERHEAD <= float(limit),
          f"{duration:g} s of appending do not fit the test's timeout of {limit} s: configure "
          f"with -DQLA_SOAK_TIMEOUT=<seconds> or run bench/soak.py soak directly")
    baseline_after = min(BASELINE_AFTER, duration / 2)

    sb = ctx.sandbox
    web = os.path.join(sb.root, "web")
    os.makedirs(web)
    report = os.path.join(web, "Index.htm")
    watch = ReportWatch(web, "Index.htm")
    ctx.cleanups.append(watch.close)

    # One conlog-sim run writes the whole log, so that its --expect covers all of it.
    path = os.path.join(sb.logs, "conlog.log")
    expect_path = os.path.join(sb.root, "conlog-sim-expect.txt")
    expect_file = open(expect_path, "wb")
    ctx.cleanups.append(expect_file.close)
    appender = subprocess.Popen([f"{ctx.build}/tools/conlog-sim", "--append", "--rate", f"{rate:g}", "--duration", f"{duration:g}",
                                 "--seed", "111", "--expect", path], stdout=expect_file)
    ctx.cleanups.append(lambda: appender.poll() is None and appender.kill())
    log(f"conlog-sim appends {rate:g} lines a second for {duration:g} s")
    poll(lambda: os.path.exists(path) and os.path.getsize(path) > 0, 10, what="the first lines of the log")

    app = ctx.start("soak", WebStats=1, WebRefreshRate=1, WebLocal=1, WebFolder=web)
    started = time.monotonic()
    app.open_log(path)
    poll(lambda: watch.drain() or watch.writes, 30, "the first web report")
    poll(lambda: len(parse_report(read(report))) >= 2, 30, "a client row in the web report")
    detail = open_detail_window(ctx, app)
    log(f"detail window {ctx.display.xdotool('getwindowname', detail).strip()!r} open")

    samples = []  # (seconds since start, VmRSS kB)
    parsed = 0
    last_total = 0
    last_write = time.monotonic()
    longest_gap = 0.0
    next_sample = started
    next_progress = started + 60
    while appender.poll() is None:
        now = time.monotonic()
        if not app.alive():
            # Status 0 is an orderly shut-down: File, Exit or a SIGTERM/SIGINT from outside.
            raise Failure(f"the program ended during the soak (exit {app.process.returncode}, stats file "
                          f"{'written' if os.path.exists(sb.stats_file) else 'not written'}); "
                          f"output: {app.output()}")
        if watch.drain():
            longest_gap = max(longest_gap, now - last_write)
            last_write = now
            total = report_total(parse_report(read(report)))
            parsed += 1
            if total is not None:
                check(total >= last_total, f"the report's <All-clients> total fell from {last_total} to {total}")
                last_total = total
        if now >= next_sample:
            samples.append((now - started, rss_kb(app.pid)))
            next_sample += RSS_PERIOD
            check(detail in ctx.display.windows(app.pid), "the detail window closed during the soak")
            check(now - last_write < STALE_REPORT,
                  f"no web report was written for {now - last_write:.0f} s")
        if now >= next_progress:
            next_progress += 60
            log(f"{now - started:5.0f} s: VmRSS {samples[-1][1]} kB, log {os.path.getsize(path) >> 20} MiB, "
                f"{watch.writes} reports, <All-clients> {last_total}")
        time.sleep(0.1)
    check(appender.returncode == 0, f"conlog-sim --append ended with status {appender.returncode}")
    expect_file.close()
    log("conlog-sim has stopped appending")

    app.wait_settled([path], timeout=300)
    time.sleep(2 * REFRESH)  # a report written after the last lines were counted
    watch.drain()
    samples.append((time.monotonic() - started, rss_kb(app.pid)))
    cpu = cpu_seconds(app.pid)
    peak = rss_kb(app.pid, "VmHWM")
    final_rows = parse_report(read(report))
    final_total = report_total(final_rows)
    check(detail in ctx.display.windows(app.pid), "the detail window closed during the soak")

    mine = logcount.count_log(path)
    expected = logcount.parse_expect(open(expect_path, encoding="latin-1").read())
    expected.file = path
    expected.position = os.path.getsize(path) + 1
    wall = time.monotonic() - started
    check(app.exit_via_menu() == 0, "the program did not end with status 0")
    saved = logcount.stats_dump(f"{ctx.build}/tools/stats-dump", sb.stats_file)

    baseline = next(kb for t, kb in samples if t >= baseline_after)
    end = samples[-1][1]
    change = (end - baseline) / baseline
    with open(os.path.join(sb.root, "rss.csv"), "w") as f:
        f.write("seconds,vmrss_kb\n" + "".join(f"{t:.1f},{kb}\n" for t, kb in samples))
    mine_total = mine.records.get(("RC5", "<All-clients>"), [0])[0]
    rss_values = [kb for _, kb in samples]
    figures = [
        f"appended {duration:g} s at {rate:g} lines/s: {mine.line} lines, {os.path.getsize(path)} bytes",
        f"program ran {wall:.0f} s, used {cpu:.1f} s of processor ({100 * cpu / wall:.1f}%)",
        f"VmRSS ({len(samples)} samples, every {RSS_PERIOD} s): first {rss_values[0]} kB, "
        f"after {baseline_after:g} s {baseline} kB, min {min(rss_values)} kB, max {max(rss_values)} kB, "
        f"end {end} kB: {100 * change:+.2f}% (limit +-{100 * RSS_TOLERANCE:g}%); peak VmHWM {peak} kB",
        f"web report: {watch.writes} writes, {parsed} parsed during the run, longest gap "
        f"{longest_gap:.1f} s{' (inotify queue overflowed)' if watch.overflowed else ''}, "
        f"final <All-clients> RC5 total {final_total} in {len(final_rows)} rows",
        f"count of the test: RC5 {mine.clients['RC5']} blocks, OGR {mine.clients['OGR']} stubs, "
        f"uplink RC5 {mine.uplink['RC5']} OGR {mine.uplink['OGR']}, {len(mine.records)} records",
        f"conlog-sim --expect: {expected.line} lines, RC5 {expected.clients['RC5']}, OGR {expected.clients['OGR']}",
        "stats file: " + ("does not load" if saved is None else
                          f"RC5 {saved.clients['RC5']}, OGR {saved.clients['OGR']}, uplink RC5 "
                          f"{saved.uplink['RC5']} OGR {saved.uplink['OGR']}, {len(saved.records)} records, "
                          f"line {saved.line}, position {saved.position}"),
    ]
    with open(os.path.join(sb.root, "figures.txt"), "w") as f:
        f.write("\n".join(figures) + "\n")
    log("soak figures:\n    " + "\n    ".join(figures))

    check(saved is not None, "the stats file is missing or does not load")
    for what, want in (("a count of the whole log", mine), ("conlog-sim --expect", expected)):
        problems = logcount.differences(saved, want)
        check(not problems, f"stats file after the soak against {what}:\n  " + "\n  ".join(problems))
        log(f"stats file after the soak against {what}: equal")
    check(final_total == mine_total, f"the last report shows <All-clients> {final_total}, the log holds {mine_total}")
    check(len(final_rows) == sum(1 for p, _ in mine.records if p == "RC5"),
          f"the last report has {len(final_rows)} rows for {sum(1 for p, _ in mine.records if p == 'RC5')} RC5 records")
    check(not watch.overflowed, "the report writes could not all be counted (inotify queue overflow)")
    check(abs(change) <= RSS_TOLERANCE,
          f"VmRSS at the end ({end} kB) is {100 * change:+.2f}% from its value after {baseline_after:g} s "
          f"({baseline} kB)")


def read(path):
    with open(path, "rb") as f:
        return f.read()


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("run", choices=("follow", "soak"))
    parser.add_argument("--build", required=True, help="the build folder (holds src/ and tools/)")
    args = parser.parse_args()
    sys.exit(run({"follow": follow, "soak": soak}[args.run], args.run, args.build))
