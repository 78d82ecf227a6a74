"""The desktop scenario: a log on the command line, a quiet client, Export list read back with Python's csv
module, Enter and the chart, the quiet-client dialog, Ctrl+Q. Screenshots stay in <build>/e2e/desktop/."""

import configparser
import csv
import os
import subprocess
from collections import Counter
from datetime import datetime, timedelta

from harness import check, poll

MARK = bytes((0xff, 0xd8, 0xa0))  # the background of a quiet client's row
BAR, TODAY = bytes((0x1f, 0x6f, 0xd6)), bytes((0xe6, 0x85, 0x1e))  # the chart's colours
# Client names a log may carry: quotes, a comma, a tab, formulas, markup, a carriage return.
HOSTILE = ['say"hi"', "a,b", "tab\there", "=1+2", "@SUM(A1)", "-2+3", "<b>bold</b>", "cr\rlf"]
CHART, QUIET = "10.0.0.1", "10.0.0.9"


def make_log(path, now):
    """A log ending now: CHART over nine days, QUIET silent 7 hours, HOSTILE lately; blocks per client."""
    events = [(now - timedelta(days=d, hours=2), CHART, blocks)
              for d, blocks in zip(range(9, 0, -1), (5, 0, 9000, 3, 40, 7, 12, 1, 30))]
    events += [(now - timedelta(hours=h), QUIET, 4) for h in (12, 9, 7)]
    events += [(now - timedelta(minutes=30 - i), name, i + 1) for i, name in enumerate(HOSTILE)]
    events.append((now - timedelta(minutes=1), CHART, 6))
    with open(path, "wb") as f:
        for when, name, blocks in sorted(events):
            f.write(f"{when:%m/%d/%y %H:%M:%S} Client {name} --> sent rc5 {blocks} blocks\r\r\n".encode("latin-1"))
    return sum((Counter({name: blocks}) for _, name, blocks in events), Counter())


def desktop(ctx):
    """A log from the command line, a quiet client, Export list, the chart, the threshold, Ctrl+Q."""
    display, shots, env = ctx.display, iter(range(1, 100)), {"DISPLAY": ctx.display.name}

    def shows(window, colour):
        x, y, width, height = display.geometry(window)
        pixels = subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", "-depth", "8",
                                 "rgb:-"], capture_output=True, env=env, timeout=30).stdout
        return any(pixels[i:i + 3] == colour for i in range(0, len(pixels), 3))

    def shot(label):
        subprocess.run(["import", "-window", "root", f"{ctx.sandbox.root}/{next(shots):02d}-{label}.png"], env=env)

    def type_into(window, text):
        display.keys(window, "ctrl+a")
        display.xdotool("type", "--delay", 8, text)
        display.keys(window, "Return")

    totals = make_log(path := f"{ctx.sandbox.logs}/conlog.log", datetime.now())
    app = ctx.start("run1", args=[path], QuietClientHours="six", Time_Zone=0)  # not a number: 6 h
    notice = app.wait_window(exclude=[app.main])
    display.keys(notice, "Return")
    app.wait_window_gone(notice)
    poll(lambda: shows(app.main, MARK), 10, "the quiet client's row mark", 0.3)
    shot("quiet-row-mark")

    exported = f"{ctx.sandbox.logs}/clients.csv"
    display.keys(app.main, "ctrl+e")
    type_into(app.wait_window("^Export list$"), exported)
    rows = poll(lambda: os.path.exists(exported) and list(csv.reader(open(exported, newline="", encoding="utf-8"))),
                15, "the exported file")
    shot("exported")
    check(rows[0][1:] == ["Total blocks", "Today blocks", "Rate (kkeys/s)", "Last block", "Project", "Exported"],
          f"the CSV header is {rows[0]}")
    today = datetime.now().strftime("%Y-%m-%d")
    got = {row[0]: row[1] for row in rows[1:] if row[5] == "RC5" and row[6].startswith(today)}
    inert = {("'" + name if name[0] in "=+-@" else name): str(totals[name]) for name in totals}
    check(got == inert | {"<All-clients>": str(sum(totals.values()))}, f"the CSV holds {got}, not {inert}")

    x, y, _, _ = display.geometry(app.main)
    display.xdotool("mousemove", "--sync", x + 50, y + 109)  # the first row; sorted by client, as text
    display.xdotool("click", 1)
    shown = sorted([*totals, "<All-clients>"], key=lambda name: (name.lower(), name))
    display.keys(app.main, *["Down"] * shown.index(CHART), "Return")
    detail = app.wait_window(f"^Details - {CHART}$")
    height = display.geometry(detail)[3]
    display.keys(detail, "ctrl+g")
    poll(lambda: display.geometry(detail)[3] > height, 10, "the detail window to grow by its chart")
    poll(lambda: shows(detail, BAR) and shows(detail, TODAY), 10, "the chart's bars and today's bar", 0.3)
    shot("chart")

    display.keys(app.main, "alt+e", "q")
    dialog = app.wait_window("^Quiet-client alert$")
    type_into(dialog, "3")
    app.wait_window_gone(dialog)
    display.keys(app.main, "ctrl+q")
    check(app.wait_exit() == 0, "Ctrl+Q did not end the program with status 0")
    settings = configparser.ConfigParser(interpolation=None)
    settings.read(ctx.sandbox.settings_file)
    check(settings.get("Common", "QuietClientHours", fallback=None) == "3", "the threshold 3 was not kept")
    check(settings.get("Details", "Chart", fallback=None) == "1", "the shown chart was not remembered")
