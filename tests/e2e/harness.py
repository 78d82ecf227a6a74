"""What the end-to-end tests drive the real program with: a private X server (Xvfb), a fresh
home, settings and data folder per test, the program itself started as a user starts it, and
xdotool keys and clicks sent to its windows. Screenshots go to the test's folder in the build
tree."""

import os
import re
import select
import shutil
import signal
import subprocess
import time

TITLE = "Quillmere Log Analyzer"
BASE_NAME = "quillmere-log-analyzer"
SCREEN = (1024, 768)


class Failure(AssertionError):
    pass


class Skip(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def poll(predicate, timeout, interval=0.1, what="a condition"):
    """Calls predicate until it returns something true; its value, or Failure after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Failure(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


def log(message):
    print(f"[{time.strftime('%H:%M:%S')}] {message}", flush=True)


class Display:
    """An Xvfb server on a display number it picks itself, so that tests can run side by side."""

    def __init__(self, folder):
        self.folder = folder
        read_end, write_end = os.pipe()
        self._log = open(os.path.join(folder, "xvfb.log"), "wb")
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=self._log, stderr=self._log, start_new_session=True)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], max(0.0, deadline - time.monotonic()))
            chunk = os.read(read_end, 16) if ready else b""
            if not chunk:
                os.close(read_end)
                self.close()
                raise Failure("Xvfb did not start (see xvfb.log)")
            number += chunk
        os.close(read_end)
        self.name = ":" + number.decode().strip()
        self.env = {"DISPLAY": self.name}
        log(f"Xvfb on display {self.name}")

    def xdotool(self, *args, check_result=True, timeout=20):
        env = dict(os.environ, DISPLAY=self.name)
        result = subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True,
                                env=env, timeout=timeout)
        if check_result and result.returncode != 0:
            raise Failure(f"xdotool {' '.join(map(str, args))} failed: {result.stderr.strip()}")
        return result.stdout

    def windows(self, pid=None, name=None, visible=True):
        """Ids of the windows that match (name is a regular expression)."""
        args = ["search", "--all"]
        if visible:
            args.append("--onlyvisible")
        if pid is not None:
            args += ["--pid", pid]
        args += ["--name", name if name is not None else ""]
        out = self.xdotool(*args, check_result=False)
        return [int(w) for w in out.split()]

    def window_name(self, window):
        return self.xdotool("getwindowname", window, check_result=False).strip()

    def geometry(self, window):
        """(x, y, width, height) of a window on the screen."""
        values = {}
        for row in self.xdotool("getwindowgeometry", "--shell", window).splitlines():
            key, _, value = row.partition("=")
            values[key] = int(value)
        return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]

    def focus(self, window):
        # There is no window manager: the window gets the keyboard only when asked.
        self.xdotool("windowfocus", "--sync", window)

    def keys(self, window, *keys):
        self.focus(window)
        for key in keys:
            self.xdotool("key", "--clearmodifiers", key)

    def type_text(self, window, text):
        self.focus(window)
        self.xdotool("type", "--delay", 8, text)

    def click(self, x, y, button=1, repeat=1):
        self.xdotool("mousemove", "--sync", x, y)
        self.xdotool("click", "--repeat", repeat, "--delay", 80, button)

    def screen_pixels(self):
        """The screen as raw RGB bytes, row by row."""
        env = dict(os.environ, DISPLAY=self.name)
        result = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                                capture_output=True, env=env, timeout=30)
        check(result.returncode == 0, f"import failed: {result.stderr.decode(errors='replace')}")
        return result.stdout

    @staticmethod
    def crop(pixels, x, y, width, height):
        row = SCREEN[0] * 3
        return b"".join(pixels[(y + j) * row + x * 3:(y + j) * row + (x + width) * 3] for j in range(height))

    def screenshot(self, path):
        env = dict(os.environ, DISPLAY=self.name)
        subprocess.run(["import", "-window", "root", path], env=env, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self._log.close()


class Sandbox:
    """The folders of one test: home, settings, data, logs and screenshots, made anew."""

    def __init__(self, root):
        self.root = root
        unmount_below(root)  # a test ended by a timeout may have left its small disk mounted
        if os.path.exists(root):
            shutil.rmtree(root)
        self.home = os.path.join(root, "home")
        self.config = os.path.join(self.home, "config")
        self.data_home = os.path.join(self.home, "data")
        self.runtime = os.path.join(root, "runtime")
        self.logs = os.path.join(root, "logs")
        self.shots = os.path.join(root, "screenshots")
        for folder in (self.home, self.config, self.data_home, self.runtime, self.logs, self.shots):
            os.makedirs(folder)
        os.chmod(self.runtime, 0o700)
        self.data = os.path.join(self.data_home, TITLE)
        self.settings_file = os.path.join(self.config, TITLE + ".ini")
        self.stats_file = os.path.join(self.data, BASE_NAME + ".bin")
        self.names_file = os.path.join(self.data, BASE_NAME + ".nam")
        self.lock_file = os.path.join(self.data, BASE_NAME + ".lock")
        self._shot = 0

    def env(self, display):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("QT_", "XDG_", "WAYLAND", "DBUS_SESSION", "XAUTHORITY", "LC_"))}
        env.update(display.env)
        env.update({
            "HOME": self.home, "XDG_CONFIG_HOME": self.config, "XDG_DATA_HOME": self.data_home,
            "XDG_CACHE_HOME": os.path.join(self.home, "cache"), "XDG_RUNTIME_DIR": self.runtime,
            "QT_QPA_PLATFORM": "xcb", "NO_AT_BRIDGE": "1", "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8",
        })
        return env

    def log_path(self, name):
        return os.path.join(self.logs, name)

    def shot_path(self, label):
        self._shot += 1
        return os.path.join(self.shots, f"{self._shot:02d}-{label}.png")

    def damaged_files(self):
        if not os.path.isdir(self.data):
            return []
        return sorted(n for n in os.listdir(self.data) if n.startswith(BASE_NAME + ".bin.damaged-"))

    # -- the settings file, as QSettings writes it (INI, keys with %20 for a space) ----------

    def set_settings(self, section="Common", **values):
        """Sets keys of a section; other sections and keys stay as the program left them."""
        lines = []
        if os.path.exists(self.settings_file):
            with open(self.settings_file, encoding="utf-8") as f:
                lines = f.read().splitlines()
        wanted = {key.replace("_", "%20"): str(value) for key, value in values.items()}
        header = f"[{section}]"
        if header not in lines:
            if lines and lines[-1] != "":
                lines.append("")
            lines.append(header)
        start = lines.index(header) + 1
        end = start
        while end < len(lines) and not lines[end].startswith("["):
            end += 1
        body = [row for row in lines[start:end] if row.split("=", 1)[0] not in wanted]
        while body and body[-1] == "":
            body.pop()
        body += [f"{key}={value}" for key, value in wanted.items()]
        if end < len(lines):
            body.append("")
        lines[start:end] = body
        with open(self.settings_file, "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")

    def settings_values(self, section):
        """{key: text} of a section, keys as the program names them ("Refresh Rate")."""
        values = {}
        current = None
        for row in self.settings_text().splitlines():
            if row.startswith("["):
                current = row.strip("[]")
            elif current == section and "=" in row:
                key, _, value = row.partition("=")
                values[key.replace("%20", " ")] = value
        return values

    def settings_text(self):
        with open(self.settings_file, encoding="utf-8") as f:
            return f.read()


def unmount_below(folder):
    folder = os.path.realpath(folder) + "/"
    with open("/proc/mounts") as f:
        points = [re.sub(r"\\([0-7]{3})", lambda m: chr(int(m.group(1), 8)), row.split()[1]) for row in f]
    for point in sorted((p for p in points if p.startswith(folder)), reverse=True):
        subprocess.run(["umount", "-l", point], check=False)


def cpu_seconds(pid):
    """User plus system time the process has used, in seconds."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def open_positions(pid, paths):
    """{path: read position} of the files among paths that the process has open now."""
    wanted = {os.path.realpath(p) for p in paths}
    found = {}
    try:
        fds = os.listdir(f"/proc/{pid}/fd")
    except OSError:
        return found
    for fd in fds:
        try:
            target = os.readlink(f"/proc/{pid}/fd/{fd}")
            if target in wanted:
                with open(f"/proc/{pid}/fdinfo/{fd}") as f:
                    for row in f:
                        if row.startswith("pos:"):
                            found[target] = int(row.split()[1])
        except OSError:
            continue
    return found


class App:
    """One run of the program, from start to its end."""

    def __init__(self, build, sandbox, display, label, args=()):
        self.exe = os.path.join(build, "src", BASE_NAME)
        self.sandbox = sandbox
        self.display = display
        self.label = label
        self.out_path = os.path.join(sandbox.root, f"{label}.out")
        self._out = open(self.out_path, "wb")
        # QLA_E2E_WRAPPER runs the program under a tool that keeps its process id, e.g.
        # "valgrind --error-exitcode=99" (the tool's output lands in <label>.out).
        wrapper = os.environ.get("QLA_E2E_WRAPPER", "").split()
        self.process = subprocess.Popen(wrapper + [self.exe, *args], env=sandbox.env(display), cwd=sandbox.home,
                                        stdout=self._out, stderr=subprocess.STDOUT)
        self.pid = self.process.pid
        self.main = None
        log(f"{label}: started, pid {self.pid}")

    def alive(self):
        return self.process.poll() is None

    def wait_main_window(self, timeout=30):
        """The main window, once it is shown."""
        def find():
            check(self.alive(), f"{self.label}: the program ended during start-up "
                                f"(exit {self.process.returncode}); output: {self.output()}")
            found = self.display.windows(pid=self.pid, name=f"^{TITLE}$")
            for window in found:
                _, _, width, height = self.display.geometry(window)
                if width > 300 and height > 250:  # not a message box with the same title
                    return window
            return None
        self.main = poll(find, timeout, 0.2, f"{self.label}: the main window")
        return self.main

    def wait_window(self, name, timeout=15, exclude=()):
        """A visible window of this program whose title matches the regular expression name."""
        def find():
            check(self.alive(), f"{self.label}: the program ended (exit {self.process.returncode}) "
                                f"while a window {name!r} was awaited; output: {self.output()}")
            found = [w for w in self.display.windows(pid=self.pid, name=name) if w not in exclude]
            return found[0] if found else None
        return poll(find, timeout, 0.1, f"{self.label}: a window named {name!r}")

    def wait_window_gone(self, window, timeout=15):
        poll(lambda: window not in self.display.windows(pid=self.pid) or not self.alive(),
             timeout, 0.1, f"{self.label}: window {window} to close")

    def visible_windows(self):
        return [(w, self.display.window_name(w)) for w in self.display.windows(pid=self.pid)]

    def open_log(self, path):
        """File, Open (Ctrl+O), the path typed into the file dialog, Enter."""
        self.display.keys(self.main, "ctrl+o")
        dialog = self.wait_window("^Select Conlog file$")
        self.display.focus(dialog)
        self.display.xdotool("key", "--clearmodifiers", "ctrl+a")
        self.display.type_text(dialog, path)
        self.display.xdotool("key", "--clearmodifiers", "Return")
        self.wait_window_gone(dialog, timeout=60)
        log(f"{self.label}: opened {os.path.basename(path)}")

    def menu(self, *keys):
        """Opens a menu of the main window with the keyboard (e.g. "alt+f") and picks an item."""
        before = set(self.display.windows(pid=self.pid))
        self.display.keys(self.main, keys[0])
        poll(lambda: set(self.display.windows(pid=self.pid)) - before, 10, 0.05,
             f"{self.label}: the menu {keys[0]} to open")
        for key in keys[1:]:
            self.display.xdotool("key", "--clearmodifiers", key)

    def exit_via_menu(self, timeout=120):
        """File, Exit; waits for the program to end and returns its exit status."""
        self.menu("alt+f", "x")
        log(f"{self.label}: File, Exit")
        return self.wait_exit(timeout)

    def wait_exit(self, timeout=120):
        try:
            code = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"{self.label}: the program did not end within {timeout} s after Exit; "
                          f"windows {self.visible_windows()}")
        self._out.close()
        log(f"{self.label}: ended with status {code}")
        return code

    def kill(self):
        os.kill(self.pid, signal.SIGKILL)
        self.process.wait(30)
        self._out.close()
        log(f"{self.label}: killed with SIGKILL")

    def output(self):
        if not self._out.closed:
            self._out.flush()
        with open(self.out_path, "rb") as f:
            return f.read()[-2000:].decode(errors="replace")

    def wait_settled(self, logs, refresh_rate, timeout=120):
        """Waits until the program has read everything the logs hold: the logs have not
        changed for longer than a refresh period, none of them is open in the program (it
        closes a log once it has read it to its end) and the program has used no noticeable
        processor time for 1.5 s."""
        period = refresh_rate + 1.5
        samples = []

        def settled():
            check(self.alive(), f"{self.label}: the program ended (exit {self.process.returncode}); "
                                f"output: {self.output()}")
            now = time.monotonic()
            samples.append((now, cpu_seconds(self.pid)))
            while samples and samples[0][0] < now - 1.5:
                samples.pop(0)
            if not samples or now - samples[0][0] < 1.2:
                return False
            busy = samples[-1][1] - samples[0][1]
            changed = max((os.stat(p).st_mtime for p in logs if os.path.exists(p)), default=0)
            quiet = time.time() - changed > period
            return quiet and busy < 0.2 and not open_positions(self.pid, logs)
        poll(settled, timeout, 0.25, f"{self.label}: the program to finish reading {logs}")

    def wait_reading(self, path, past, timeout=60):
        """Waits until the program reads path at a position beyond byte past; the position."""
        def reading():
            check(self.alive(), f"{self.label}: the program ended (exit {self.process.returncode})")
            position = open_positions(self.pid, [path]).get(os.path.realpath(path), 0)
            return position if position > past else None
        return poll(reading, timeout, 0.02, f"{self.label}: reading {path} past byte {past}")

    def close(self):
        if self.alive():
            self.process.kill()
            self.process.wait()
        if not self._out.closed:
            self._out.close()
