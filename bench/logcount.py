"""An independent count of a connection log, made from its bytes, and the readers of what the
program saved (stats-dump) and of what the log writer promised (conlog-sim --expect).

The count follows the program's documented reading rules, not its code: a line ends at LF, and
a CR just before the LF and one more CR before that belong to the line end; only complete lines
are read; columns 1-8 are the date, 10-17 the time, 19-24 the kind token. It also follows when
the program takes the date and time of the latest line ("last"): from every "Client" and
"completed ogr" line, from every line read while the line counter is a multiple of 1000, and
from the last line of a run.
"""

import subprocess

PROJECTS = ("RC5", "OGR")


class Counts:
    """The statistics as the program keeps them: records in first-counted order, each with its
    days in first-counted order, the project totals, the buffer texts and the reading state."""

    def __init__(self):
        self.records = {}  # (project, client) -> [blocks, time, {date: blocks}], insertion-ordered
        self.uplink = {"RC5": 0, "OGR": 0}
        self.clients = {"RC5": 0, "OGR": 0}
        self.buffer = {"RC5": ["0", "0"], "OGR": ["0", "0"]}  # after Open: "0" everywhere
        self.file = ""
        self.position = 1
        self.line = 0
        self.last = None  # (date, time)
        self.modified = None  # only known from a dump
        self._last_line = None  # the last line read in the current run

    # -- counting ---------------------------------------------------------------------------

    def choose_file(self, path):
        """Open or "Switch to next log file": read path from its first byte."""
        self.file = path
        self.position = 1
        self.line = 0

    def _increment(self, name, date, time, blocks, project):
        for client in ("<All-clients>", name):
            record = self.records.get((project, client))
            if record is None:
                record = self.records[(project, client)] = [0, "", {}]
            record[0] += blocks
            record[1] = date + " " + time
            record[2][date] = record[2].get(date, 0) + blocks
        self.clients[project] += blocks

    def interpret(self, line):
        """One line (Latin-1 text without its line end) into the counts."""
        token = line[18:24]
        message = line[18:]
        date = line[0:8]
        time = line[9:17]
        if token == "rc564 ":
            fields = message.split(",")
            self.buffer["RC5"] = [fields[0][8:], fields[1][3:]]
        elif token == "ogr r=":
            fields = message.split(",")
            self.buffer["OGR"] = [fields[0][6:], fields[1][3:]]
        elif token == "Client":
            self.last = (date, time)
            if "-->" in line:
                fields = message.split(" ")
                self._increment(fields[1], date, time, int(fields[5]), "RC5")
        elif token == "server":
            fields = message.split(" ")
            if fields[1] == "<--":
                if fields[4] == "ogr":
                    self.uplink["OGR"] += 1
                else:
                    self.uplink["RC5"] += int(fields[6])
        elif "completed ogr" in line:
            self.last = (date, time)
            self._increment(message.split(" ")[0][:-1], date, time, 1, "OGR")

    def read(self, data, end_of_run=True):
        """Reads the complete lines of data (the log's bytes from the current position on) as
        one processing run; returns the number of bytes consumed (up to the last LF)."""
        end = data.rfind(b"\n")
        if end < 0:
            return 0
        consumed = end + 1
        for raw in data[:end].split(b"\n"):
            for _ in range(2):
                raw = raw[:-1] if raw.endswith(b"\r") else raw
            line = raw.decode("latin-1")
            if self.line % 1000 == 0:
                self.last = (line[0:8], line[9:17])
            self.line += 1
            self.interpret(line)
            self._last_line = line
        if end_of_run:
            self.end_run()
        self.position += consumed
        return consumed

    def read_file(self, path, start=None, stop=None, end_of_run=True):
        """Reads path from byte position start (1-based; default: the current position) up to
        byte index stop, in pieces so that a large log does not sit in memory whole."""
        position = self.position if start is None else start
        self.position = position
        with open(path, "rb") as f:
            f.seek(position - 1)
            remaining = None if stop is None else stop - (position - 1)
            carry = b""
            while True:
                size = 8 << 20 if remaining is None else min(8 << 20, remaining)
                piece = f.read(size) if size > 0 else b""
                if remaining is not None:
                    remaining -= len(piece)
                if not piece:
                    break
                data = carry + piece
                used = self.read(data, end_of_run=False)
                carry = data[used:]
        if end_of_run:
            self.end_run()
        return self

    def end_run(self):
        """The end of a processing run: the last line read gives the date and time."""
        if self._last_line is not None:
            self.last = (self._last_line[0:8], self._last_line[9:17])
            self._last_line = None

    # -- comparing --------------------------------------------------------------------------

    def table(self):
        """Records as (project, client, blocks, time, [(date, blocks), ...]) in table order."""
        return [(p, c, r[0], r[1], list(r[2].items())) for (p, c), r in self.records.items()]


def count_log(path, start=1, stop=None, end_of_run=True):
    """The counts of a log read from start (1-based) as one run after Open; up to byte index
    stop when given, without the end of the run when end_of_run is false."""
    counts = Counts()
    counts.choose_file(path)
    return counts.read_file(path, start=start, stop=stop, end_of_run=end_of_run)


def complete_lines_end(path):
    """Byte index just after the last line end (LF) of the log (0 when there is none)."""
    with open(path, "rb") as f:
        f.seek(0, 2)
        size = f.tell()
        back = min(size, 1 << 20)
        f.seek(size - back)
        tail = f.read()
    at = tail.rfind(b"\n")
    return 0 if at < 0 else size - back + at + 1


def _text(value):
    return "" if value == '""' else value


def parse_dump(text):
    """The output of stats-dump as Counts."""
    counts = Counts()
    counts.buffer = {}
    for row in text.splitlines():
        word, _, rest = row.partition(" ")
        if word == "file":
            counts.file = rest
            continue
        f = rest.split(" ")
        if word == "position":
            counts.position = int(f[0])
        elif word == "modified":
            counts.modified = None if f[0] == "never" else int(f[0])
        elif word == "line":
            counts.line = int(f[0])
        elif word == "last":
            counts.last = (_text(f[0]), _text(f[1]))
        elif word == "uplink":
            counts.uplink[f[0]] = int(f[1])
        elif word == "clients":
            counts.clients[f[0]] = int(f[1])
        elif word == "buffer":
            counts.buffer[f[0]] = [_text(f[1]), _text(f[2])]
        elif word == "record":
            counts.records[(f[0], f[1])] = [int(f[2]), f[3] + " " + f[4], {}]
        elif word == "day":
            counts.records[(f[0], f[1])][2][f[2]] = int(f[3])
    return counts


def parse_expect(text):
    """The output of conlog-sim --expect as Counts (lines -> line, last -> last)."""
    counts = parse_dump(text.replace("\nlines ", "\nline ").replace("lines ", "line ", 1))
    for row in text.splitlines():
        if row.startswith("last "):
            f = row.split(" ")
            counts.last = (f[1], f[2])
    return counts


def stats_dump(tool, stats_file):
    """Reads a stats file through the program's own loader; None when it does not load."""
    result = subprocess.run([tool, stats_file], capture_output=True, text=True, encoding="latin-1")
    if result.returncode == 2:
        return None
    if result.returncode != 0:
        raise RuntimeError(f"stats-dump failed ({result.returncode}): {result.stderr}")
    return parse_dump(result.stdout)


def differences(actual, expected, reading_state=True):
    """What differs between two Counts, as lines of text (empty when they agree). The reading
    state (file, position, line, last) is compared when reading_state is set and the
    expected value is known."""
    out = []
    if reading_state:
        for name in ("file", "position", "line", "last"):
            want = getattr(expected, name)
            got = getattr(actual, name)
            if want is not None and got != want:
                out.append(f"{name}: program {got!r}, expected {want!r}")
    for name in ("uplink", "clients", "buffer"):
        for project in PROJECTS:
            got = getattr(actual, name).get(project)
            want = getattr(expected, name).get(project)
            if got != want:
                out.append(f"{name} {project}: program {got!r}, expected {want!r}")
    got_table, want_table = actual.table(), expected.table()
    if got_table != want_table:
        got_keys = [(p, c) for p, c, *_ in got_table]
        want_keys = [(p, c) for p, c, *_ in want_table]
        if got_keys != want_keys:
            missing = [k for k in want_keys if k not in actual.records]
            extra = [k for k in got_keys if k not in expected.records]
            out.append(f"records: program has {len(got_keys)}, expected {len(want_keys)}; "
                       f"missing {missing[:5]}, extra {extra[:5]}")
            if not missing and not extra:
                out.append("records: same records in a different order")
        shown = 0
        for key, want in expected.records.items():
            got = actual.records.get(key)
            if got is not None and got != want and shown < 5:
                shown += 1
                days = [(d, got[2].get(d), b) for d, b in want[2].items() if got[2].get(d) != b]
                out.append(f"record {key}: program blocks {got[0]} time {got[1]!r}, expected "
                           f"blocks {want[0]} time {want[1]!r}; days (date, program, expected) "
                           f"{days[:4]}; day order equal: {list(got[2]) == list(want[2])}")
    return out
