"""The end-to-end scenarios. Each drives the real program as a user would and compares what it
saved with a count of the log made here (logcount) and, where the log was written in one go,
with the count the log writer printed (conlog-sim --expect)."""

import copy
import errno
import os
import signal
import shutil
import subprocess
import time

import logcount
from harness import TITLE, App, Display, Failure, Sandbox, Skip, check, log, poll

REFRESH = 1  # "Refresh Rate": a processing run every timer tick


class Context:
    """One scenario's world: its folders, its X server, the tools, and the runs it started."""

    def __init__(self, build, name):
        self.build = build
        self.name = name
        self.sandbox = Sandbox(os.path.join(build, "e2e", name))
        self.conlog_sim = os.path.join(build, "tools", "conlog-sim")
        self.stats_dump = os.path.join(build, "tools", "stats-dump")
        for tool in (self.conlog_sim, self.stats_dump, os.path.join(build, "src", "quillmere-log-analyzer")):
            check(os.access(tool, os.X_OK), f"{tool} is missing: build the project first")
        self.display = Display(self.sandbox.root)
        self.apps = []
        self.cleanups = []

    # -- runs -----------------------------------------------------------------------------

    def settings(self, **values):
        """Writes preferences before a start; name lookups never leave the machine, and the
        simulated logs' quiet clients are not announced unless a scenario asks for it."""
        values.setdefault("ResolveClients", 0)
        values.setdefault("QuietClientHours", 0)
        values.setdefault("Refresh_Rate", REFRESH)
        self.sandbox.set_settings("Common", **values)

    def start(self, label, args=(), **settings):
        self.settings(**settings)
        app = App(self.build, self.sandbox, self.display, label, args)
        self.apps.append(app)
        app.wait_main_window()
        return app

    def shot(self, label):
        path = self.display.screenshot(self.sandbox.shot_path(label))
        log(f"screenshot {os.path.relpath(path, self.build)}")
        return path

    def dump(self, path=None):
        return logcount.stats_dump(self.stats_dump, path or self.sandbox.stats_file)

    def stats_bytes(self):
        with open(self.sandbox.stats_file, "rb") as f:
            return f.read()

    # -- logs -----------------------------------------------------------------------------

    def make_log(self, name, lines, seed, clients=20, days=7):
        """A log written by conlog-sim in one go, and the counts it promises."""
        path = self.sandbox.log_path(name)
        result = subprocess.run([self.conlog_sim, "--lines", str(lines), "--seed", str(seed),
                                 "--clients", str(clients), "--days", str(days), "--expect", path],
                                capture_output=True, text=True, encoding="latin-1", check=True)
        expected = logcount.parse_expect(result.stdout)
        expected.file = path
        expected.position = os.path.getsize(path) + 1
        return path, expected

    def append_live(self, path, seed, rate, duration=None, lines=None):
        """conlog-sim appending lines dated now, as the proxy does; the running process."""
        args = [self.conlog_sim, "--append", "--rate", str(rate), "--seed", str(seed)]
        if duration is not None:
            args += ["--duration", str(duration)]
        if lines is not None:
            args += ["--lines", str(lines)]
        return subprocess.Popen(args + [path], stdout=subprocess.DEVNULL)

    def split_log(self, source, name, *line_counts):
        """Writes the first line_counts[0] lines of source to a new log; returns its path and
        the byte offsets in source just after each of the line counts."""
        offsets = line_ends(source, list(line_counts))
        path = self.sandbox.log_path(name)
        copy_range(source, path, 0, offsets[0])
        return path, offsets

    def cleanup(self):
        for app in self.apps:
            app.close()
        for action in reversed(self.cleanups):
            try:
                action()
            except Exception as error:  # cleaning up must go on
                log(f"cleanup: {error}")
        self.display.close()
        # Logs of the backlog scenarios are hundreds of megabytes; QLA_E2E_KEEP_LOGS keeps them.
        if not os.environ.get("QLA_E2E_KEEP_LOGS"):
            for entry in os.scandir(self.sandbox.logs):
                if entry.stat().st_size > 20 << 20:
                    os.remove(entry.path)


def copy_range(source, target, begin, end, append=False):
    with open(source, "rb") as src, open(target, "ab" if append else "wb") as dst:
        src.seek(begin)
        left = end - begin
        while left > 0:
            piece = src.read(min(left, 8 << 20))
            check(piece, f"{source} ended early")
            dst.write(piece)
            left -= len(piece)


def line_ends(path, counts):
    """Byte offsets just after line number n of path, for each n of counts (ascending)."""
    offsets = []
    seen = 0
    base = 0
    with open(path, "rb") as f:
        while len(offsets) < len(counts):
            piece = f.read(8 << 20)
            check(piece, f"{path} has fewer than {counts[len(offsets)]} lines")
            in_piece = piece.count(b"\n")
            while len(offsets) < len(counts) and seen + in_piece >= counts[len(offsets)]:
                at = -1
                for _ in range(counts[len(offsets)] - seen):
                    at = piece.index(b"\n", at + 1)
                offsets.append(base + at + 1)
            seen += in_piece
            base += len(piece)
    return offsets


def assert_same(actual, expected, what, reading_state=True):
    check(actual is not None, f"{what}: the stats file is missing or does not load")
    problems = logcount.differences(actual, expected, reading_state)
    check(not problems, f"{what}:\n  " + "\n  ".join(problems))
    log(f"{what}: equal ({sum(r[0] for (p, c), r in expected.records.items() if c == '<All-clients>')} "
        f"blocks in {len(expected.records)} records, position {actual.position})")


def mtime_ms(path):
    return os.stat(path).st_mtime_ns // 1000000


# -------------------------------------------------------------------------------------------

def first_start(ctx):
    """First start with nothing stored; open a log of 50,000 lines with Ctrl+O; the tabs;
    File, Exit; the counts match."""
    sb = ctx.sandbox
    check(not os.path.exists(sb.data), "the data folder exists before the first start")
    app = ctx.start("run1")
    poll(lambda: os.path.exists(sb.names_file), 15, what="the empty names file")
    check(os.path.getsize(sb.names_file) == 0, "the names file made at the first start is not empty")
    check(not os.path.exists(sb.stats_file), "a stats file appeared before anything was read")
    ctx.shot("first-start")

    path, expected = ctx.make_log("conlog.log", 50000, seed=11)
    mine = logcount.count_log(path)
    # The count made here and the writer's own agree before either judges the program.
    assert_same(mine, expected, "count of the test against conlog-sim --expect")

    app.open_log(path)
    app.wait_settled([path], REFRESH)
    ctx.shot("rc5-tab")
    click_ogr_tab(ctx, app)
    ctx.shot("ogr-tab")

    check(app.exit_via_menu() == 0, "the program did not end with status 0")
    saved = ctx.dump()
    assert_same(saved, mine, "stats file after Exit")
    check(saved.modified == mtime_ms(path),
          f"LastModified {saved.modified} is not the log's time {mtime_ms(path)}")
    check("ResolveClients=0" in sb.settings_text(), "the settings lost ResolveClients=0")
    check(not os.path.exists(sb.lock_file), "the instance lock is left after Exit")


def click_ogr_tab(ctx, app):
    """Clicks the " OGR " tab: the client column of the list must show other clients, and a
    click on " RC5 " brings the first list back."""
    display = ctx.display
    x0, y0, width, height = display.geometry(app.main)
    # The client column of the list, below its header.
    region = (x0 + 14, y0 + 104, 110, min(140, height - 150))

    def column():
        return display.crop(display.screen_pixels(), *region)

    rc5 = column()
    for dx, dy in ((79, 31), (74, 28), (86, 34), (68, 31), (92, 31), (79, 24), (79, 38)):
        display.click(x0 + dx, y0 + dy)
        try:
            poll(lambda: column() != rc5, 2.0, 0.2, "the list to change")
        except Failure:
            continue
        log(f"clicked the OGR tab at +{dx}+{dy}")
        display.click(x0 + 30, y0 + dy)
        poll(lambda: column() == rc5, 5.0, 0.2, "the RC5 list to come back after a click on its tab")
        display.click(x0 + dx, y0 + dy)
        poll(lambda: column() != rc5, 5.0, 0.2, "the OGR list after a second click on its tab")
        return
    raise Failure("no click on the tab strip changed the client list")


def log_grows(ctx):
    """The log grows while the program runs; the counts follow within a few refresh periods."""
    path, _ = ctx.make_log("conlog.log", 20000, seed=21, days=3)
    app = ctx.start("run1")
    app.open_log(path)
    app.wait_settled([path], REFRESH)
    size_before = os.path.getsize(path)

    appender = ctx.append_live(path, seed=21, rate=2000, duration=8)
    # Halfway, the program must have read most of what was added so far (read() bytes of the
    # process; the few it reads from the X server are far fewer).
    read_before = bytes_read(app.pid)
    time.sleep(4)
    read_halfway = bytes_read(app.pid) - read_before
    added_halfway = os.path.getsize(path) - size_before
    log(f"halfway: {added_halfway} bytes added, {read_halfway} bytes read by the program")
    check(read_halfway >= added_halfway // 2,
          f"halfway the program had read {read_halfway} bytes of the {added_halfway} added")
    check(appender.wait(30) == 0, "conlog-sim --append failed")
    grown = os.path.getsize(path)
    log(f"the log grew from {size_before} to {grown} bytes")
    check(grown > size_before + 400000, "the log hardly grew")

    # Three refresh periods after the last line, everything must be counted.
    time.sleep(3 * REFRESH + 1)
    ctx.shot("after-growth")
    check(app.exit_via_menu() == 0, "the program did not end with status 0")
    assert_same(ctx.dump(), logcount.count_log(path), "stats file after the log grew")


def bytes_read(pid):
    with open(f"/proc/{pid}/io") as f:
        return int(next(row for row in f if row.startswith("rchar:")).split()[1])


def restart(ctx):
    """Exit and start again with AlwaysLoad on: counting resumes where it stopped, with a last
    line that was still unfinished at Exit and completed later."""
    source, expected = ctx.make_log("source.log", 60000, seed=31)
    path, (cut_line_end,) = ctx.split_log(source, "conlog.log", 50000)
    expected.file = path
    # Leave the next counted RC5 line half written: its block count cut after the first digit.
    with open(source, "rb") as f:
        f.seek(cut_line_end)
        tail = f.read(1 << 20)
    cut = None
    at = 0
    while cut is None:
        end = tail.index(b"\r\n", at)
        line = tail[at:end]
        mark = line.find(b" --> sent rc5 ")
        if mark > 0 and line[mark + 15:mark + 16].isdigit():  # at least two digits
            cut = cut_line_end + at + mark + 15
        at = end + 2
    copy_range(source, path, cut_line_end, cut, append=True)
    log(f"the log ends in an unfinished line: {open(path, 'rb').read()[-40:]!r}")

    ctx.settings(AlwaysLoad=1)
    app = ctx.start("run1")
    app.open_log(path)
    app.wait_settled([path], REFRESH)
    check(app.exit_via_menu() == 0, "run 1 did not end with status 0")
    first = ctx.dump()
    assert_same(first, logcount.count_log(path), "stats file after run 1 (unfinished line held back)")
    check(first.position - 1 == logcount.complete_lines_end(path),
          f"the saved position {first.position} is not just after the last complete line")

    # The proxy finishes the line and writes more while the program is not running.
    copy_range(source, path, cut, os.path.getsize(source), append=True)
    app = ctx.start("run2")
    app.wait_settled([path], REFRESH)
    ctx.shot("run2")
    check(app.exit_via_menu() == 0, "run 2 did not end with status 0")
    second = ctx.dump()
    assert_same(second, copy.deepcopy(first).read_file(path),
                "stats file after run 2 against the first save plus the lines after its position")
    assert_same(second, logcount.count_log(path), "stats file after run 2 against a count of the whole log")
    assert_same(second, expected, "stats file after run 2 against conlog-sim --expect")


def sigkill(ctx):
    """SIGKILL while a large backlog is read; the next start counts what the last save held
    plus the lines after its position, nothing twice."""
    source, expected = ctx.make_log("source.log", 3000000, seed=41)
    path, (first_part,) = ctx.split_log(source, "conlog.log", 100000)
    expected.file = path
    ctx.settings(AlwaysLoad=1)
    app = ctx.start("run1")
    app.open_log(path)
    app.wait_settled([path], REFRESH)
    check(app.exit_via_menu() == 0, "run 1 did not end with status 0")
    saved = ctx.dump()
    assert_same(saved, logcount.count_log(path), "stats file after run 1")
    saved_bytes = ctx.stats_bytes()

    copy_range(source, path, first_part, os.path.getsize(source), append=True)
    os.remove(source)
    size = os.path.getsize(path)
    backlog = size - first_part
    app = ctx.start("run2")
    at = app.wait_reading(path, first_part + backlog // 5)
    app.kill()
    log(f"killed while reading at byte {at} of {size}")
    check(at < size, "the backlog was read to its end before the kill")
    check(ctx.stats_bytes() == saved_bytes, "the stats file changed although the program was killed")

    app = ctx.start("run3")
    app.wait_settled([path], REFRESH, timeout=180)
    ctx.shot("run3")
    check(app.exit_via_menu() == 0, "run 3 did not end with status 0")
    final = ctx.dump()
    assert_same(final, copy.deepcopy(saved).read_file(path),
                "stats file after the restart against the last save plus the lines after its position")
    assert_same(final, expected, "stats file after the restart against conlog-sim --expect")


def exit_backlog(ctx):
    """File, Exit while a backlog is read: the exit is taken in the yield of the processing run,
    the stats file is written at the end of the buffer being read, and the next start
    continues from there."""
    path, expected = ctx.make_log("conlog.log", 2000000, seed=51)
    size = os.path.getsize(path)
    ctx.settings(AlwaysLoad=1)
    app = ctx.start("run1")
    app.open_log(path)
    at = app.wait_reading(path, size // 8)
    log(f"reading at byte {at} of {size}: File, Exit")
    check(app.exit_via_menu() == 0, "run 1 did not end with status 0")
    saved = ctx.dump()
    check(saved is not None, "no stats file was written when the run stopped")
    stop = saved.position - 1
    log(f"saved at byte {stop} of {size}")
    check(0 < stop < size, f"the saved position {saved.position} is not inside the log "
                           f"(the backlog was read to its end before the Exit was taken)")
    with open(path, "rb") as f:
        f.seek(stop - 2)
        check(f.read(2) == b"\r\n", f"the saved position {saved.position} is not at a line end")
    check(saved.modified is None, f"LastModified is {saved.modified}, not zero, after a save on closing")
    # Saved inside the run, at a buffer's end: its last date and time come from the lines read
    # so far (the latest "Client" or "completed ogr" line, or the line of the latest 1000-line
    # refresh), not from the end of a run. Judged last, so that the restart is seen either way.
    upto = logcount.count_log(path, stop=stop, end_of_run=False)
    wanted_last, upto.last = upto.last, None
    assert_same(saved, upto, "stats file saved while closing against a count of the log up to its position")

    app = ctx.start("run2")
    app.wait_settled([path], REFRESH, timeout=180)
    check(app.exit_via_menu() == 0, "run 2 did not end with status 0")
    final = ctx.dump()
    assert_same(final, copy.deepcopy(saved).read_file(path),
                "stats file after the next start against the save plus the lines after its position")
    assert_same(final, expected, "stats file after the next start against conlog-sim --expect")
    check(saved.last == wanted_last,
          f"the stats file saved while closing holds LastDate/LastTime {saved.last}, but the latest "
          f"line that set them before position {saved.position} says {wanted_last}")


def _run_with_failing_save(ctx, break_save, restore_save):
    """Run 1 saves; the log grows; run 2 counts the new lines but its save at Exit fails. The
    previous stats file must stay as it was and load; run 3 counts the new lines once."""
    source, _ = ctx.make_log("source.log", 25000, seed=61)
    path, (first_part,) = ctx.split_log(source, "conlog.log", 20000)
    ctx.settings(AlwaysLoad=1)
    app = ctx.start("run1")
    app.open_log(path)
    app.wait_settled([path], REFRESH)
    check(app.exit_via_menu() == 0, "run 1 did not end with status 0")
    saved = ctx.dump()
    assert_same(saved, logcount.count_log(path), "stats file after run 1")
    saved_bytes = ctx.stats_bytes()

    copy_range(source, path, first_part, os.path.getsize(source), append=True)
    app = ctx.start("run2")
    app.wait_settled([path], REFRESH)
    break_save()
    code = app.exit_via_menu()
    restore_save()
    check(code == 0, f"run 2 ended with status {code} after its save failed; output: {app.output()}")
    if ctx.stats_bytes() != saved_bytes:
        now = ctx.dump()
        raise Failure("the stats file changed although its save failed: " + (
            "it does not load" if now is None else
            f"it now holds position {now.position} and {now.clients} blocks"
            f" (before: position {saved.position}, {saved.clients})"))
    kept = ctx.dump()
    assert_same(kept, saved, "the previous stats file after the failed save")
    check(not ctx.sandbox.damaged_files(), f"files were put aside: {ctx.sandbox.damaged_files()}")

    app = ctx.start("run3")
    app.wait_settled([path], REFRESH)
    check(app.exit_via_menu() == 0, "run 3 did not end with status 0")
    assert_same(ctx.dump(), logcount.count_log(path), "stats file after run 3 (the lost lines counted once)")


def save_fails_folder(ctx):
    """A save that fails because a file stands where the data folder was."""
    data = ctx.sandbox.data
    away = data + ".away"

    def break_save():
        os.rename(data, away)
        with open(data, "w") as f:
            f.write("a file where the folder was\n")

    def restore_save():
        os.remove(data)
        os.rename(away, data)

    ctx.cleanups.append(lambda: os.path.isdir(away) and restore_save())
    _run_with_failing_save(ctx, break_save, restore_save)


def save_fails_full_disk(ctx):
    """A save that fails because the disk of the data folder is full (a small tmpfs)."""
    if os.geteuid() != 0:
        raise Skip("mounting a small full tmpfs needs root; the variant with a file in place "
                   "of the data folder (e2e_save_fails_folder) covers a failing save")
    data = ctx.sandbox.data
    os.makedirs(data, exist_ok=True)
    result = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k,mode=0755", "tmpfs", data],
                            capture_output=True, text=True)
    if result.returncode != 0:
        raise Skip(f"mount is not permitted here ({result.stderr.strip()}); the variant with a "
                   f"file in place of the data folder (e2e_save_fails_folder) covers a failing save")
    ctx.cleanups.append(lambda: subprocess.run(["umount", "-l", data], check=False))
    filler = os.path.join(data, "filler")

    def fill():
        with open(filler, "wb", buffering=0) as f:
            for size in (65536, 4096, 512, 1):
                while True:
                    try:
                        f.write(b"\0" * size)
                    except OSError as error:
                        check(error.errno == errno.ENOSPC, f"filling the disk: {error}")
                        break
        log(f"the data folder's disk is full: {shutil.disk_usage(data).free} bytes free")

    def empty():
        leftovers = sorted(set(os.listdir(data)) - {"filler", os.path.basename(ctx.sandbox.stats_file),
                                                     os.path.basename(ctx.sandbox.names_file)})
        os.remove(filler)
        check(not leftovers, f"the failed save left files behind: {leftovers}")

    _run_with_failing_save(ctx, fill, empty)


def damaged(ctx):
    """A damaged stats file at start-up: the program starts with empty statistics, keeps the
    damaged file aside and says where, once, in a message."""
    path, _ = ctx.make_log("conlog.log", 5000, seed=71)
    sb = ctx.sandbox
    app = ctx.start("run1")
    app.open_log(path)
    app.wait_settled([path], REFRESH)
    check(app.exit_via_menu() == 0, "run 1 did not end with status 0")
    good = ctx.stats_bytes()
    check(ctx.dump() is not None, "run 1 wrote no stats file that loads")

    cases = [("truncated", good[:len(good) // 2]),
             ("head-too-long", (1 << 20).to_bytes(4, "little") + good[4:200]),
             ("garbage", bytes((i * 37 + 11) % 256 for i in range(300)))]
    for number, (name, damaged_bytes) in enumerate(cases, start=2):
        with open(sb.stats_file, "wb") as f:
            f.write(damaged_bytes)
        check(ctx.dump() is None, f"{name}: the damaged stats file loads in stats-dump")
        before = set(sb.damaged_files())
        app = ctx.start(f"run{number}-{name}")
        poll(lambda: set(sb.damaged_files()) - before, 15, what=f"{name}: the damaged file put aside")
        box = app.wait_window(f"^{TITLE}$", exclude=[app.main])
        ctx.shot(f"damaged-{name}-message")
        ctx.display.keys(box, "Return")
        app.wait_window_gone(box)
        windows = app.visible_windows()
        check(app.alive() and windows == [(app.main, "Quillmere Log Analyzer")],
              f"{name}: after start-up the program shows {windows} (alive: {app.alive()})")
        ctx.shot(f"damaged-{name}")
        kept = sorted(set(sb.damaged_files()) - before)
        check(len(kept) == 1, f"{name}: the damaged file was not put aside (new files: {kept})")
        with open(os.path.join(sb.data, kept[0]), "rb") as f:
            check(f.read() == damaged_bytes, f"{name}: the file put aside is not the damaged file")
        check(not os.path.exists(sb.stats_file), f"{name}: a stats file is in place before any save")
        check(app.exit_via_menu() == 0, f"{name}: the program did not end with status 0")
        empty = ctx.dump()
        check(empty is not None, f"{name}: the stats file written at Exit does not load")
        check(empty.file == "" and not empty.records and empty.clients == {"RC5": 0, "OGR": 0}
              and empty.uplink == {"RC5": 0, "OGR": 0},
              f"{name}: the statistics after start-up were not empty: file {empty.file!r}, "
              f"{len(empty.records)} records, clients {empty.clients}, uplink {empty.uplink}")
        log(f"{name}: started empty, damaged file kept as {kept[0]}")


def second_instance(ctx):
    """A second start while the program runs: "Previous instance still running!", the second
    instance ends, and the first goes on unaffected."""
    source, _ = ctx.make_log("source.log", 9000, seed=81)
    path, (part1, part2) = ctx.split_log(source, "conlog.log", 5000, 7000)
    ctx.settings(AlwaysLoad=1)
    app = ctx.start("run1")
    app.open_log(path)
    app.wait_settled([path], REFRESH)
    check(app.exit_via_menu() == 0, "run 1 did not end with status 0")
    saved_bytes = ctx.stats_bytes()

    copy_range(source, path, part1, part2, append=True)
    first = ctx.start("first")
    first.wait_settled([path], REFRESH)

    # Only the second instance reads "WebStats" on: a report can come from it alone.
    report = os.path.join(ctx.sandbox.logs, "Index.htm")
    ctx.settings(WebStats=1, WebRefreshRate=1, WebLocal=1, WebFolder=ctx.sandbox.logs)
    second = App(ctx.build, ctx.sandbox, ctx.display, "second")
    ctx.apps.append(second)
    box = second.wait_window("^Quillmere Log Analyzer$", timeout=30)
    x, y, width, height = ctx.display.geometry(box)
    log(f"the second instance shows window {box} ({width}x{height})")
    ctx.shot("previous-instance-still-running")
    windows = second.visible_windows()
    check(windows == [(box, "Quillmere Log Analyzer")],
          f"the second instance shows more than its message: {windows}")
    check((width, height) != ctx.display.geometry(first.main)[2:],
          "the second instance shows a main window, not the message")
    check(first.alive() and first.main in ctx.display.windows(pid=first.pid),
          "the first instance is gone or lost its window while the message is up")
    # Its timer ticks under the message: for several passes, nothing may be written.
    deadline = time.monotonic() + 3 + 2 * REFRESH
    while time.monotonic() < deadline:
        check(not os.path.exists(report), "the refused second instance wrote a report")
        time.sleep(0.1)
    ctx.display.keys(box, "Return")
    code = second.wait_exit(30)
    check(code == 0, f"the second instance ended with status {code}")
    check(ctx.stats_bytes() == saved_bytes, "the second instance changed the stats file")
    check(first.alive() and first.main in ctx.display.windows(pid=first.pid),
          "the first instance did not survive the second start")

    copy_range(source, path, part2, os.path.getsize(source), append=True)
    first.wait_settled([path], REFRESH)
    ctx.shot("first-instance-after")
    check(first.exit_via_menu() == 0, "the first instance did not end with status 0")
    assert_same(ctx.dump(), logcount.count_log(path), "stats file of the first instance")


def next_log(ctx):
    """File, Switch to next log file, answered Yes; the next numbered log appears later and is
    counted on top of the statistics; the old log's later lines are not."""
    log07, _ = ctx.make_log("conlog07.log", 5000, seed=91)
    log08 = ctx.sandbox.log_path("conlog08.log")
    app = ctx.start("run1")
    app.open_log(log07)
    app.wait_settled([log07], REFRESH)
    size07 = os.path.getsize(log07)

    app.menu("alt+f", "s")
    box = app.wait_window("^Quillmere Log Analyzer$", exclude=[app.main])
    ctx.shot("switch-question")
    ctx.display.keys(box, "Return")
    app.wait_window_gone(box)
    log("switched to the next log file")

    # The old log goes on growing, the new one is not there yet.
    appender = ctx.append_live(log07, seed=91, rate=5000, lines=1000)
    check(appender.wait(30) == 0, "conlog-sim --append failed")
    time.sleep(3 * REFRESH)
    check(app.alive(), "the program ended while the next log was missing")

    check(subprocess.run([ctx.conlog_sim, "--lines", "3000", "--seed", "92", "--days", "1", log08],
                         stdout=subprocess.DEVNULL).returncode == 0, "conlog-sim failed")
    appender = ctx.append_live(log08, seed=92, rate=1000, duration=3)
    check(appender.wait(30) == 0, "conlog-sim --append failed")
    app.wait_settled([log07, log08], REFRESH)
    ctx.shot("after-switch")
    check(app.exit_via_menu() == 0, "the program did not end with status 0")

    expected = logcount.count_log(log07, stop=size07)
    expected.choose_file(log08)
    expected.read_file(log08)
    assert_same(ctx.dump(), expected, "stats file after the switch (old log, then the next one)")


def windows(ctx):
    """The other windows as a user opens them: a double-click on a row opens its detail
    window, Ctrl+P the preferences and Ctrl+N the names dialog (both left with Escape); each
    is kept as a screenshot, and Exit still ends the program with the settings unchanged."""
    path, _ = ctx.make_log("conlog.log", 5000, seed=101)
    app = ctx.start("run1")
    app.open_log(path)
    app.wait_settled([path], REFRESH)
    placement = {"WindowState", "Left", "Top", "Width", "Height"}
    before = {k: v for k, v in ctx.sandbox.settings_values("Common").items() if k not in placement}

    x0, y0, _, _ = ctx.display.geometry(app.main)
    ctx.display.click(x0 + 50, y0 + 109, repeat=2)  # the first row of the list
    detail = app.wait_window("^Details")
    log(f"detail window: {ctx.display.window_name(detail)!r}")
    ctx.shot("detail-window")

    ctx.display.keys(app.main, "ctrl+p")
    preferences = app.wait_window("^Preferences$")
    ctx.shot("preferences")
    ctx.display.keys(preferences, "Escape")
    app.wait_window_gone(preferences)

    ctx.display.keys(app.main, "ctrl+n")
    names = app.wait_window("^Names$")
    ctx.shot("names")
    ctx.display.keys(names, "Escape")
    app.wait_window_gone(names)

    check(app.exit_via_menu() == 0, "the program did not end with status 0")
    after = {k: v for k, v in ctx.sandbox.settings_values("Common").items() if k not in placement}
    check(after == before, f"the preferences left with Escape changed the settings: {before} -> {after}")
    assert_same(ctx.dump(), logcount.count_log(path), "stats file after the windows were used")


def sigterm(ctx):
    """SIGTERM (a service stop, the end of the session) runs the same shut-down as Exit: the
    statistics are saved and the program ends with status 0. Then with the settings on a
    read-only disk, a names file that is a FIFO and "AlwaysLoad" 0: start-up asks, with the
    timer ticking, reads nothing before the answer No, and SIGTERM waits on no dialog."""
    path, _ = ctx.make_log("conlog.log", 20000, seed=23, days=2)
    app = ctx.start("run1")
    app.open_log(path)
    app.wait_settled([path], REFRESH)
    os.kill(app.pid, signal.SIGTERM)
    check(app.wait_exit(60) == 0, "the program did not end with status 0 after SIGTERM")
    saved = ctx.dump()
    assert_same(saved, logcount.count_log(path), "stats file after SIGTERM")

    sb = ctx.sandbox
    os.remove(sb.names_file)
    os.mkfifo(sb.names_file)
    mount = ["mount", "-t", "tmpfs", "tmpfs", sb.config]  # root only
    mounted = subprocess.run(mount, capture_output=True).returncode == 0
    if mounted:
        ctx.cleanups.append(lambda: subprocess.run(["umount", "-l", sb.config]))
    ctx.settings(AlwaysLoad=0)
    read_only = mounted and subprocess.run(["mount", "-o", "remount,ro", sb.config]).returncode == 0
    check(ctx.append_live(path, seed=24, rate=100000, lines=3000).wait(30) == 0, "conlog-sim failed")
    app = App(ctx.build, sb, ctx.display, "run2")
    ctx.apps.append(app)
    question = app.wait_window(f"^{TITLE}$", exclude=[app.wait_main_window()])
    deadline = time.monotonic() + 3 + 2 * REFRESH  # several ticks under the question
    while time.monotonic() < deadline:
        check(question in ctx.display.windows(pid=app.pid), "the question went away unanswered")
        time.sleep(0.1)
    ctx.display.keys(question, "alt+n")
    app.wait_window_gone(question)
    os.kill(app.pid, signal.SIGTERM)
    check(app.wait_exit(30) == 0, "the program did not end with status 0 after SIGTERM")
    after = ctx.dump()
    check(after.file == "", f"after No the stats file still names a log: {after.file!r}")
    after.file = saved.file
    assert_same(after, saved, "stats file after No and SIGTERM against the one before")
    check(not read_only or "frmMain:Form_Unload" in app.output(),
          f"the failed settings write is not on standard error: {app.output()!r}")


SCENARIOS = {
    "first_start": first_start,
    "log_grows": log_grows,
    "restart": restart,
    "sigkill": sigkill,
    "exit_backlog": exit_backlog,
    "save_fails_folder": save_fails_folder,
    "save_fails_full_disk": save_fails_full_disk,
    "damaged": damaged,
    "second_instance": second_instance,
    "next_log": next_log,
    "windows": windows,
    "sigterm": sigterm,
}
