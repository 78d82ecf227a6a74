"""The end-to-end scenarios: only what takes the whole program. Each drives it as a user (or the
system) would and compares what it saved with a count of the log made here."""

import os
import signal
import subprocess

from harness import App, Display, Sandbox, check, log


class Context:
    """One scenario's world: its folders, its X server, the tools, and the runs it started."""

    def __init__(self, build, name):
        self.build, self.sandbox = build, Sandbox(f"{build}/e2e/{name}")
        self.display = Display(self.sandbox.root)
        self.apps, self.cleanups = [], []

    def run(self, *args, **kwargs):
        """Runs a tool of the build (conlog-sim, stats-dump); its output."""
        return subprocess.run([f"{self.build}/tools/{args[0]}", *map(str, args[1:])], capture_output=True, text=True,
                              encoding="latin-1", **kwargs).stdout

    def start(self, label, settle=None, args=(), opened=None, **settings):
        """Starts the program (a processing run every tick, no name lookups, no quiet-client alert)
        with args on its command line; opens the log opened with File, Open; with settle or
        opened, waits until it has read that log."""
        self.sandbox.set_settings(**{"ResolveClients": 0, "QuietClientHours": 0, "Refresh_Rate": 1, "AlwaysLoad": 1}
                                  | settings)
        app = App(self, label, args)
        self.apps.append(app)
        app.wait_window(main=True)
        if opened:
            app.open_log(opened)
        if settle or opened:
            app.wait_settled([settle or opened])
        return app

    def make_log(self, name, lines, seed, append=False):
        """A log of conlog-sim, or lines dated now appended to one; its path."""
        path = name if append else f"{self.sandbox.logs}/{name}"
        self.run("conlog-sim", *(["--append", "--rate", 10**6] if append else []), "--lines", lines, "--seed", seed, path,
                 check=True)
        return path

    def saved(self):
        """What the stats file holds, read by the program's own loader; None when it does not load."""
        return summary(self.run("stats-dump", self.sandbox.stats_file)) if os.path.exists(self.sandbox.stats_file) else None

    def stats_bytes(self):
        return open(self.sandbox.stats_file, "rb").read()

    def cleanup(self):
        for action in [app.close for app in self.apps] + self.cleanups[::-1] + [self.display.close]:
            action()
        for entry in os.scandir(self.sandbox.logs):  # the backlogs are hundreds of MB
            if entry.stat().st_size > 20 << 20:
                os.remove(entry.path)


def summary(text):
    """The reading state, totals and records' blocks of a stats-dump (or conlog-sim --expect) text."""
    out = {}
    for f in (row.split(" ") for row in text.splitlines()):
        if f[0] in ("file", "position", "line", "lines"):
            out[f[0].rstrip("s")] = " ".join(f[1:])
        elif f[0] in ("uplink", "clients", "record"):
            out[" ".join(f[:2 if f[0] != "record" else 3])] = f[2 if f[0] != "record" else 3]
    return out


def count(path, upto=None, counts=None):
    """This test's own count of a log's complete lines up to byte upto, from the reading state in counts
    on (a new count after Open when None), as summary() gives it."""
    c = {"position": 1, "line": 0, "uplink RC5": 0, "uplink OGR": 0, "clients RC5": 0, "clients OGR": 0}
    c |= {k: int(v) for k, v in (counts or {}).items() if k != "file"}
    with open(path, "rb") as f:
        f.seek(c["position"] - 1)
        data = f.read(-1 if upto is None else upto - c["position"] + 1)
    data = data[:data.rfind(b"\n") + 1]
    for raw in data.split(b"\n")[:-1]:
        line = (raw[:-1] if raw.endswith(b"\r") else raw).removesuffix(b"\r").decode("latin-1")
        token, f = line[18:24], line[18:].split(" ")
        counted = None
        if token == "Client" and "-->" in line:
            counted = ("RC5", f[1], int(f[5]))
        elif token == "server" and f[1] == "<--":
            c["uplink OGR" if f[4] == "ogr" else "uplink RC5"] += 1 if f[4] == "ogr" else int(f[6])
        elif token not in ("rc564 ", "ogr r=", "Client", "server") and "completed ogr" in line:
            counted = ("OGR", f[0][:-1], 1)
        if counted:
            c["clients " + counted[0]] += counted[2]
            for key in (f"record {counted[0]} <All-clients>", f"record {counted[0]} {counted[1]}"):
                c[key] = c.get(key, 0) + counted[2]
        c["line"] += 1
    c["position"] += len(data)
    return {k: str(v) for k, v in c.items()} | {"file": path}


def same(actual, expected, what):
    check(actual is not None, f"{what}: the stats file is missing or does not load")
    diff = [f"{k}: program {actual.get(k)!r}, log {expected.get(k)!r}" for k in sorted(set(actual) | set(expected))
            if actual.get(k) != expected.get(k)]
    check(not diff, f"{what}:\n  " + "\n  ".join(diff[:20]))
    log(f"{what}: equal (RC5 {actual['clients RC5']}, position {actual['position']})")


def exits(app):
    check(app.exit_via_menu() == 0, f"{app.label} did not end with status 0")


def first_run(ctx, lines, seed):
    """Run 1 opens a new log and exits: the log, what it saved, and the file's bytes."""
    path = ctx.make_log("conlog.log", lines, seed)
    app = ctx.start("run1", opened=path)
    exits(app)
    same(ctx.saved(), count(path), "stats file after run 1")
    return path, ctx.saved(), ctx.stats_bytes()


# -------------------------------------------------------------------------------------------

def restart(ctx):
    """Exit with the last line half written; the next start reads on: nothing lost, nothing twice."""
    data, path = open(ctx.make_log("source.log", 20000, 31), "rb").read(), f"{ctx.sandbox.logs}/conlog.log"
    cut = data.index(b" --> sent rc5 ", len(data) // 2) + 15  # after the count's first digit
    open(path, "wb").write(data[:cut])
    app = ctx.start("run1", opened=path)
    exits(app)
    same(ctx.saved(), count(path), "stats file after run 1 (the unfinished line held back)")
    open(path, "ab").write(data[cut:])  # finished while the program is off
    exits(ctx.start("run2", settle=path))
    same(ctx.saved(), count(path), "stats file after run 2")


def sigkill(ctx):
    """SIGKILL while a backlog is read; the next start counts the last save plus the lines after it."""
    path, saved, saved_bytes = first_run(ctx, 100000, 41)
    size = os.path.getsize(ctx.make_log(path, 2500000, 42, append=True))
    app = ctx.start("run2")
    log(f"reading at byte {app.wait_reading(path, size // 5)} of {size}: SIGKILL")
    os.kill(app.pid, signal.SIGKILL)
    app.process.wait()
    check(ctx.stats_bytes() == saved_bytes, "the stats file changed although the program was killed")
    exits(ctx.start("run3", settle=path))
    same(ctx.saved(), count(path, counts=saved), "stats file after the restart")


def exit_backlog(ctx):
    """File, Exit while a backlog is read: saved at the buffer's end, LastModified zero; the next start
    goes on from there."""
    path = ctx.make_log("conlog.log", 2000000, 51)
    app = ctx.start("run1")
    app.open_log(path)
    app.wait_reading(path, os.path.getsize(path) // 8)
    exits(app)
    saved = ctx.saved()
    check(saved and 1 < int(saved["position"]) <= os.path.getsize(path), f"no save inside the log: {saved}")
    same(saved, count(path, upto=int(saved["position"]) - 1), "stats file saved while closing")
    check("modified never" in ctx.run("stats-dump", ctx.sandbox.stats_file), "LastModified is not zero")
    exits(ctx.start("run2", settle=path))
    same(ctx.saved(), count(path), "stats file after the next start")


def save_fails(ctx):
    """Run 2's save fails (a file where the data folder was): the old file stays; run 3 counts once."""
    path, saved, saved_bytes = first_run(ctx, 20000, 61)
    app = ctx.start("run2", settle=ctx.make_log(path, 5000, 62, append=True))
    data = ctx.sandbox.data
    os.rename(data, data + ".away")
    open(data, "w").write("a file where the folder was\n")
    code = app.exit_via_menu()
    os.remove(data)
    os.rename(data + ".away", data)
    check(code == 0, f"run 2 ended with status {code} after its save failed; output: {app.output()}")
    check(ctx.stats_bytes() == saved_bytes, "the stats file changed although its save failed")
    check(not ctx.sandbox.damaged_files(), f"files were put aside: {ctx.sandbox.damaged_files()}")
    exits(ctx.start("run3", settle=path))
    same(ctx.saved(), count(path, counts=saved), "stats file after run 3")


def damaged(ctx):
    """A damaged stats file at start-up: the program says once where it kept it and starts empty."""
    path, saved, good = first_run(ctx, 5000, 71)
    open(ctx.sandbox.stats_file, "wb").write(good[:len(good) // 2])
    app = ctx.start("run2")
    box = app.wait_window(exclude=[app.main])
    kept = ctx.sandbox.damaged_files()
    check(len(kept) == 1 and open(f"{ctx.sandbox.data}/{kept[0]}", "rb").read() == good[:len(good) // 2],
          f"the damaged file was not kept aside as it was: {kept}")
    ctx.display.keys(box, "Return")
    app.wait_window_gone(box)
    check(ctx.display.windows(app.pid) == [app.main], "more than the main window after the message")
    exits(app)
    same(ctx.saved(), count(path, upto=0) | {"file": ""}, "stats file after a start from a damaged one")


def second_instance(ctx):
    """A second start shows its message and ends, writing nothing; the first goes on unaffected."""
    path, saved, saved_bytes = first_run(ctx, 5000, 81)
    first = ctx.start("first")
    ctx.sandbox.set_settings(WebStats=1, WebRefreshRate=1, WebLocal=1, WebFolder=ctx.sandbox.logs)
    settings = open(ctx.sandbox.settings_file).read()
    second = App(ctx, "second")
    ctx.apps.append(second)
    box = second.wait_window()
    check(ctx.display.is_box(box) and ctx.display.windows(second.pid) == [box], "more than a message")
    ctx.display.keys(box, "Return")
    check(second.wait_exit(30) == 0, "the second instance did not end with status 0")
    check(ctx.stats_bytes() == saved_bytes and open(ctx.sandbox.settings_file).read() == settings
          and not os.path.exists(f"{ctx.sandbox.logs}/Index.htm"), "the second instance wrote a file")
    first.wait_settled([ctx.make_log(path, 2000, 82, append=True)])
    exits(first)
    same(ctx.saved(), count(path, counts=saved), "stats file of the first instance")


def next_log(ctx):
    """File, Switch to next log file, Yes: the next log is counted on top, the old log's rest is not."""
    log07 = ctx.make_log("conlog07.log", 5000, 91)
    app = ctx.start("run1", opened=log07)
    before = count(log07)
    app.menu("alt+f", "s")
    box = app.wait_window(exclude=[app.main])
    ctx.display.keys(box, "Return")
    app.wait_window_gone(box)
    ctx.make_log(log07, 1000, 92, append=True)
    log08 = ctx.make_log("conlog08.log", 3000, 93)
    app.wait_settled([log07, log08])
    exits(app)
    same(ctx.saved(), count(log08, counts=before | {"position": "1", "line": "0"}), "stats file after the switch")


def sigterm(ctx):
    """SIGTERM runs Exit's shut-down; with read-only settings, a FIFO names file and "AlwaysLoad" 0,
    No reads nothing and SIGTERM ends the program, saying on standard error what it could not write."""
    path = ctx.make_log("conlog.log", 20000, 23)
    app = ctx.start("run1", opened=path)
    os.kill(app.pid, signal.SIGTERM)
    check(app.wait_exit(60) == 0, "the program did not end with status 0 after SIGTERM")
    saved = ctx.saved()
    same(saved, count(path), "stats file after SIGTERM")
    sb = ctx.sandbox
    os.remove(sb.names_file)
    os.mkfifo(sb.names_file)
    mounted = os.geteuid() == 0 and not subprocess.run(["mount", "-t", "tmpfs", "tmpfs", sb.config]).returncode
    if mounted:
        ctx.cleanups.append(lambda: subprocess.run(["umount", "-l", sb.config]))
    sb.set_settings(AlwaysLoad=0, ResolveClients=0, Refresh_Rate=1)
    mounted = mounted and not subprocess.run(["mount", "-o", "remount,ro", sb.config]).returncode
    ctx.make_log(path, 3000, 24, append=True)
    app = App(ctx, "run2")
    ctx.apps.append(app)
    question = app.wait_window(exclude=[app.wait_window(main=True)])
    ctx.display.keys(question, "alt+n")
    app.wait_window_gone(question)
    os.kill(app.pid, signal.SIGTERM)
    check(app.wait_exit(30) == 0, "the program did not end with status 0 after SIGTERM")
    same(ctx.saved(), saved | {"file": ""}, "stats file after No and SIGTERM")
    check(not mounted or "frmMain:Form_Unload" in app.output(), "the failed settings write is not on stderr")


from desktop import desktop  # noqa: E402

SCENARIOS = {f.__name__: f for f in (restart, sigkill, exit_backlog, save_fails, damaged,
                                     second_instance, next_log, sigterm, desktop)}
