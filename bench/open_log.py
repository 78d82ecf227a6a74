#!/usr/bin/env python3
"""The real program as a user meets it: started in a private X server (Xvfb), File > Open on a
log, the path typed into the file dialog, and the time from Enter until the program is idle
again (its processor time stops growing), with the web report on at refresh rate 1.

    bench/open_log.py LOG --build BUILD_FOLDER [--runs N] [--web-rate 1]

Prints one line per run and the best, as "name: value" lines bench/run-all picks up."""

import argparse
import os
import sys
import time
from types import SimpleNamespace

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

from harness import App, Display, Sandbox  # noqa: E402


def cpu_seconds(pid):
    """User plus system time the process has used, in seconds."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

SAMPLE_SECONDS = 0.05
BUSY_SHARE = 0.2      # a program using more of a core than this over WINDOW_SECONDS is busy
WINDOW_SECONDS = 0.2  # (processor time is counted in ticks of 10 ms)
IDLE_SECONDS = 2.0    # not busy for this long: idle


def wait_idle(pid, since=None):
    """Waits until the program has not been busy for IDLE_SECONDS; the time it was last busy
    (since, when given, if it never was)."""
    samples = [(time.monotonic(), cpu_seconds(pid))]
    last_busy = since if since is not None else samples[0][0]
    while samples[-1][0] - last_busy < IDLE_SECONDS:
        time.sleep(SAMPLE_SECONDS)
        samples.append((time.monotonic(), cpu_seconds(pid)))
        while samples[-1][0] - samples[0][0] > WINDOW_SECONDS:
            then, cpu_then = samples.pop(0)
            if samples[-1][1] - cpu_then > BUSY_SHARE * (samples[-1][0] - then):
                last_busy = samples[-1][0]
    return last_busy


def busy_after_open(app, display, path):
    """Seconds from Enter in the file dialog until the program was last busy, and the
    processor seconds it used from Enter until it was found idle."""
    display.keys(app.main, "ctrl+o")
    dialog = app.wait_window("^Select Conlog file$")
    display.keys(dialog, "ctrl+a")
    display.xdotool("type", "--delay", 8, path)
    cpu_before = cpu_seconds(app.pid)
    start = time.monotonic()
    display.xdotool("key", "--clearmodifiers", "Return")
    busy_until = wait_idle(app.pid, since=start)
    return busy_until - start, cpu_seconds(app.pid) - cpu_before


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("log")
    parser.add_argument("--build", required=True, help="the build folder (holds src/)")
    parser.add_argument("--runs", type=int, default=1)
    parser.add_argument("--web-rate", type=int, default=1)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    path = os.path.abspath(args.log)
    best = None
    for run in range(args.runs):
        sandbox = Sandbox(os.path.join(build, "bench-open"))
        display = Display(sandbox.root)
        app = None
        try:
            web = os.path.join(sandbox.root, "web")
            os.makedirs(web)
            sandbox.set_settings(ResolveClients=0, QuietClientHours=0, WebStats=1,
                                 WebRefreshRate=args.web_rate, WebLocal=1, WebFolder=web)
            app = App(SimpleNamespace(build=build, sandbox=sandbox, display=display), f"open-{run + 1}")
            app.wait_window(main=True)
            wait_idle(app.pid)  # start-up is over
            seconds, cpu = busy_after_open(app, display, path)
            pages = os.path.exists(os.path.join(web, "Index.htm"))
            print(f"run {run + 1}: busy {seconds:.2f} s after Enter, {cpu:.2f} s of processor "
                  f"time{'' if pages else ', NO REPORT WRITTEN'}", flush=True)
            best = seconds if best is None else min(best, seconds)
        finally:
            if app:
                app.close()
            display.close()
    print(f"real program, File > Open, web report rate {args.web_rate}: busy {best:.2f} s "
          f"after Enter (best of {args.runs})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
