"""What the end-to-end tests drive the real program with: a private X server (Xvfb), a fresh home,
settings and data folder per test, the program started as a user starts it, and xdotool keys."""

import os
import re
import select
import shutil
import subprocess
import time

TITLE = "Quillmere Log Analyzer"
BASE_NAME = "quillmere-log-analyzer"


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def poll(predicate, timeout, what, interval=0.1):
    """Calls predicate until it returns something true; its value, or Failure after timeout."""
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        check(time.monotonic() < deadline, f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)
    return value


def log(message):
    print(f"[{time.strftime('%H:%M:%S')}] {message}", flush=True)


class Display:
    """An Xvfb server on a display it picks itself (tests run side by side), kept up between clients."""

    def __init__(self, folder):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-noreset",
                                         "-nolisten", "tcp"], pass_fds=(write_end,), stderr=open(f"{folder}/xvfb.log", "wb"))
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n") and select.select([read_end], [], [], 20)[0]:
            number += os.read(read_end, 16) or b"\n"
        self.name = ":" + number.decode().strip()
        check(number.strip(), "Xvfb did not start (see xvfb.log)")

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True, timeout=20,
                              env=dict(os.environ, DISPLAY=self.name)).stdout

    def windows(self, pid, name=""):
        """Ids of the visible windows of process pid whose title matches name."""
        return [int(w) for w in self.xdotool("search", "--all", "--onlyvisible", "--pid", pid, "--name", name).split()]

    def geometry(self, window):  # x, y, width, height
        values = dict(row.split("=") for row in self.xdotool("getwindowgeometry", "--shell", window).split())
        return [int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT")]

    def is_box(self, window):
        return min(self.geometry(window)[2:]) < 250

    def keys(self, window, *keys):
        self.xdotool("windowfocus", "--sync", window)  # there is no window manager to give it
        for key in keys:
            self.xdotool("key", "--clearmodifiers", key)

    def close(self):
        self.process.terminate()
        self.process.wait(10)


class Sandbox:
    """The folders of one test, made anew: home, settings, data and logs."""

    def __init__(self, root):
        self.root = root
        with open("/proc/mounts") as f:  # a test ended by a timeout may have left its small disk mounted
            for point in sorted(re.findall(rf" ({re.escape(os.path.realpath(root))}/\S*) ", f.read()), reverse=True):
                subprocess.run(["umount", "-l", point])
        shutil.rmtree(root, ignore_errors=True)
        self.home, self.logs = f"{root}/home", f"{root}/logs"
        self.config, self.data = f"{self.home}/config", f"{self.home}/data/{TITLE}"
        for folder in (self.config, self.logs, f"{root}/runtime"):
            os.makedirs(folder, mode=0o700)
        self.settings_file = f"{self.config}/{TITLE}.ini"
        self.stats_file, self.names_file = f"{self.data}/{BASE_NAME}.bin", f"{self.data}/{BASE_NAME}.nam"

    def env(self, display):
        env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "XDG_", "WAYLAND", "DBUS_", "LC_"))}
        return env | {"DISPLAY": display.name, "HOME": self.home, "XDG_CONFIG_HOME": self.config,
                      "XDG_DATA_HOME": f"{self.home}/data", "XDG_RUNTIME_DIR": f"{self.root}/runtime",
                      "QT_QPA_PLATFORM": "xcb", "NO_AT_BRIDGE": "1", "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"}

    def damaged_files(self):
        return [n for n in os.listdir(self.data) if n.startswith(BASE_NAME + ".bin.damaged-")]

    def set_settings(self, **values):
        """Sets keys of section "Common" ("_" for a blank); the rest stays as the program left it."""
        text = open(self.settings_file).read() if os.path.exists(self.settings_file) else ""
        head, _, rest = text.partition("[Common]\n")
        body, cut, tail = rest.partition("\n[")
        wanted = {key.replace("_", "%20"): value for key, value in values.items()}
        rows = [row for row in body.splitlines() if row and row.split("=")[0] not in wanted]
        rows += [f"{key}={value}" for key, value in wanted.items()]
        open(self.settings_file, "w").write(head + "[Common]\n" + "\n".join(rows) + "\n" + cut + tail)


def open_position(pid, path):
    """The read position of path in process pid; 0 when it does not have the file open."""
    try:
        for fd in os.listdir(f"/proc/{pid}/fd"):
            if os.readlink(f"/proc/{pid}/fd/{fd}") == os.path.realpath(path):
                return int(open(f"/proc/{pid}/fdinfo/{fd}").readline().split()[1])
    except OSError:
        pass
    return 0


class App:
    """One run of the program, from start to its end."""

    def __init__(self, ctx, label, args=()):
        self.display, self.label, self.main = ctx.display, label, None
        self.out_path = f"{ctx.sandbox.root}/{label}.out"
        self.process = subprocess.Popen([f"{ctx.build}/src/{BASE_NAME}", *args], env=ctx.sandbox.env(ctx.display),
                                        cwd=ctx.sandbox.home, stdout=open(self.out_path, "wb"), stderr=subprocess.STDOUT)
        self.pid = self.process.pid
        log(f"{label}: started, pid {self.pid}")

    def alive(self):
        return self.process.poll() is None

    def wait_window(self, name=f"^{TITLE}$", exclude=(), main=False):
        """A visible window of this program whose title matches name (main: the main window)."""
        def find():
            check(self.alive(), f"{self.label} ended (exit {self.process.returncode}); output: {self.output()}")
            found = [w for w in self.display.windows(self.pid, name) if w not in exclude]
            return next((w for w in found if not main or not self.display.is_box(w)), None)
        window = poll(find, 30, f"{self.label}: a window {name!r}")
        self.main = window if main else self.main
        return window

    def wait_window_gone(self, window):
        poll(lambda: window not in self.display.windows(self.pid), 30, f"{self.label}: window {window} to close")

    def open_log(self, path):
        """File, Open (Ctrl+O), the path typed into the file dialog, Enter."""
        self.display.keys(self.main, "ctrl+o")
        dialog = self.wait_window("^Select Conlog file$")
        self.display.keys(dialog, "ctrl+a")
        self.display.xdotool("type", "--delay", 8, path)
        self.display.keys(dialog, "Return")
        self.wait_window_gone(dialog)

    def menu(self, *keys):
        """Opens a menu of the main window with the keyboard (e.g. "alt+f") and picks an item."""
        before = set(self.display.windows(self.pid))
        self.display.keys(self.main, keys[0])
        poll(lambda: set(self.display.windows(self.pid)) - before, 10, f"the menu {keys[0]}", 0.05)
        for key in keys[1:]:
            self.display.xdotool("key", "--clearmodifiers", key)

    def exit_via_menu(self):
        """File, Exit; the exit status."""
        self.menu("alt+f", "x")
        return self.wait_exit()

    def wait_exit(self, timeout=120):
        try:
            code = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"{self.label} did not end within {timeout} s")
        log(f"{self.label}: ended with status {code}")
        return code

    def output(self):
        return open(self.out_path, "rb").read()[-2000:].decode(errors="replace")

    def wait_settled(self, logs, timeout=180):
        """Until the program has read the logs to their ends: none open for two refresh periods."""
        deadline, quiet = time.monotonic() + timeout, 0
        while quiet < 25:
            check(self.alive() and time.monotonic() < deadline, f"{self.label} did not finish reading {logs}")
            quiet = 0 if any(open_position(self.pid, p) for p in logs) else quiet + 1
            time.sleep(0.1)

    def wait_reading(self, path, past):
        """Until the program reads path beyond byte past; the position."""
        return poll(lambda: (p := open_position(self.pid, path)) > past and p, 60, f"reading past {past}", 0.02)

    def close(self):
        if self.alive():
            self.process.kill()
            self.process.wait()
