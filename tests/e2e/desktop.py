"""The end-to-end scenario of what a desktop program is expected to do beyond the design: a
log named on the command line, a client gone quiet (marked and announced), File, Export
list read back with Python's csv module, Enter on a row, the chart of the detail window, the
quiet-client dialog and Ctrl+Q. Screenshots stay in <build>/e2e/desktop/screenshots/."""

import csv
import os
from collections import Counter
from datetime import datetime, timedelta

from harness import check, poll

MARK = bytes((0xff, 0xd8, 0xa0))      # the background of a quiet client's row
BAR, TODAY = bytes((0x1f, 0x6f, 0xd6)), bytes((0xe6, 0x85, 0x1e))  # the chart's colours
# Client names a log may carry: quotes, a comma, a tab, formulas, markup, a carriage return.
HOSTILE = ['say"hi"', "a,b", "tab\there", "=1+2", "@SUM(A1)", "-2+3", "<b>bold</b>", "cr\rlf"]
CHART, QUIET = "10.0.0.1", "10.0.0.9"


def make_log(path, now):
    """A log that ends now: CHART has nine days behind it (one of 0 blocks, one huge), QUIET
    stopped seven hours ago, the hostile names count in the last half hour. Returns the
    blocks per client."""
    events = [(now - timedelta(days=d, hours=2), CHART, blocks)
              for d, blocks in zip(range(9, 0, -1), (5, 0, 9000, 3, 40, 7, 12, 1, 30))]
    events += [(now - timedelta(hours=h), QUIET, 4) for h in (12, 9, 7)]
    events += [(now - timedelta(minutes=30 - i), name, i + 1) for i, name in enumerate(HOSTILE)]
    events.append((now - timedelta(minutes=1), CHART, 6))
    with open(path, "wb") as f:
        for when, name, blocks in sorted(events):
            f.write(f"{when:%m/%d/%y %H:%M:%S} Client {name} --> sent rc5 {blocks} blocks\r\r\n"
                    .encode("latin-1"))
    totals = Counter()
    for _, name, blocks in events:
        totals[name] += blocks
    return totals


def has_colour(ctx, window, colour):
    x, y, width, height = ctx.display.geometry(window)
    pixels = ctx.display.crop(ctx.display.screen_pixels(), x, y, width, height)
    return any(pixels[i:i + 3] == colour for i in range(0, len(pixels), 3))


def desktop(ctx):
    """A log from the command line; a quiet client marked and announced; Export list as CSV;
    Enter on a row and the chart; the quiet-client dialog; Ctrl+Q keeps the settings."""
    sb, display = ctx.sandbox, ctx.display
    path = sb.log_path("conlog.log")
    totals = make_log(path, datetime.now())
    # A threshold that is not a number reads as the default, 6 hours.
    app = ctx.start("run1", args=[path], QuietClientHours="six", Time_Zone=0)

    notice = app.wait_window("^Quillmere Log Analyzer$", timeout=30, exclude=[app.main])
    ctx.shot("quiet-alert")
    display.keys(notice, "Return")
    app.wait_window_gone(notice)
    poll(lambda: has_colour(ctx, app.main, MARK), 10, 0.3, "the quiet client's row mark")
    ctx.shot("quiet-row-mark")

    exported = sb.log_path("clients.csv")
    display.keys(app.main, "ctrl+e")
    dialog = app.wait_window("^Export list$")
    display.keys(dialog, "ctrl+a")
    display.type_text(dialog, exported)
    display.keys(dialog, "Return")
    poll(lambda: os.path.exists(exported), 15, what="the exported file")
    ctx.shot("exported")
    with open(exported, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    check(rows[0] == ["Client", "Total blocks", "Today blocks", "Rate (kkeys/s)", "Last block",
                      "Project", "Exported"], f"the CSV header is {rows[0]}")
    inert = {("'" + name if name[0] in "=+-@" else name): name for name in totals}
    got = {row[0]: row for row in rows[1:] if row[0] != "<All-clients>"}
    check(set(got) == set(inert), f"the CSV's clients are {sorted(got)}, not {sorted(inert)}")
    for cell, name in inert.items():
        check(got[cell][1] == str(totals[name]), f"{name!r}: total {got[cell][1]!r}, not {totals[name]}")
    today = datetime.now().strftime("%Y-%m-%d")
    check(all(row[5] == "RC5" and row[6].startswith(today) for row in rows[1:]),
          "the CSV's rows do not all carry the project and the export's date")

    x0, y0, _, _ = display.geometry(app.main)
    display.click(x0 + 50, y0 + 109)  # the first row; the list is sorted by client, as text
    shown = sorted([*totals, "<All-clients>"], key=lambda name: (name.lower(), name))
    display.keys(app.main, *["Down"] * shown.index(CHART), "Return")
    detail = app.wait_window(f"^Details - {CHART}$")
    height = display.geometry(detail)[3]
    display.keys(detail, "ctrl+g")
    poll(lambda: display.geometry(detail)[3] > height, 10, what="the detail window to grow by its chart")
    poll(lambda: has_colour(ctx, detail, BAR) and has_colour(ctx, detail, TODAY), 10, 0.3,
         "the chart's bars and today's bar")
    ctx.shot("chart")

    display.keys(app.main, "alt+e", "q")
    dialog = app.wait_window("^Quiet-client alert$")
    display.keys(dialog, "ctrl+a")
    display.type_text(dialog, "3")
    ctx.shot("quiet-dialog")
    display.keys(dialog, "Return")
    app.wait_window_gone(dialog)
    display.keys(app.main, "ctrl+q")
    check(app.wait_exit() == 0, "Ctrl+Q did not end the program with status 0")
    check(sb.settings_values("Common").get("QuietClientHours") == "3",
          f"QuietClientHours is {sb.settings_values('Common').get('QuietClientHours')!r}, not 3")
    check(sb.settings_values("Details").get("Chart") == "1", "the shown chart was not remembered")
