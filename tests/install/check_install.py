#!/usr/bin/env python3
"""check_install.py BUILD_FOLDER: installs into a temporary prefix and checks what a desktop needs (--version,
the validated menu entry and metainfo, hicolor icons at their sizes); then cpack -G DEB packs the same files."""

import glob
import os
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

APP_ID, EXE = "org.quillmere.loganalyzer", "quillmere-log-analyzer"
FILES = [f"bin/{EXE}", f"share/applications/{APP_ID}.desktop", f"share/metainfo/{APP_ID}.metainfo.xml",
         f"share/icons/hicolor/scalable/apps/{EXE}.svg",
         *(f"share/icons/hicolor/{s}x{s}/apps/{EXE}.png" for s in (16, 32, 48))]
problems = []


def run(*command, cwd=None):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    result = subprocess.run(command, capture_output=True, text=True, cwd=cwd, env=env, timeout=300)
    if result.returncode != 0:
        problems.append(f"{' '.join(command)}: status {result.returncode}\n{result.stdout}{result.stderr}")
    return result.stdout


def check_install(build, prefix):
    run("cmake", "--install", build, "--prefix", prefix)
    exe, desktop, metainfo, _, *icons = (os.path.join(prefix, f) for f in FILES)
    if "Quillmere Log Analyzer" not in run(exe, "--version"):  # answered without a display
        problems.append(f"{exe} --version does not name the program")
    if run("desktop-file-validate", desktop).strip():
        problems.append("desktop-file-validate has remarks")
    entry = dict(row.split("=", 1) for row in open(desktop, encoding="utf-8").read().splitlines() if "=" in row)
    if (entry.get("Exec"), entry.get("Icon")) != (f"{EXE} %f", EXE):
        problems.append(f"the menu entry runs {entry.get('Exec')!r} with icon {entry.get('Icon')!r}")
    run("appstreamcli", "validate", "--no-net", metainfo)
    if ET.parse(metainfo).getroot().findtext("launchable") != f"{APP_ID}.desktop":
        problems.append("the metainfo does not name the menu entry")
    for path in icons:  # PNGs of the size their folder names
        head = open(path, "rb").read(24)
        if head[:8] != b"\x89PNG\r\n\x1a\n" or "%dx%d" % struct.unpack(">II", head[16:24]) != path.split("/")[-3]:
            problems.append(f"{path} is not a PNG of its folder's size")


def check_package(build, folder):
    run("cpack", "--config", os.path.join(build, "CPackConfig.cmake"), "-G", "DEB", cwd=folder)
    debs = glob.glob(os.path.join(folder, "*.deb"))
    if len(debs) != 1:
        return problems.append(f"cpack made {debs}")
    contents = run("dpkg-deb", "--contents", debs[0])
    problems.extend(f"the package lacks {f}" for f in FILES if f" ./usr/{f}\n" not in contents)
    if "libqt6widgets6" not in run("dpkg-deb", "--field", debs[0], "Depends"):
        problems.append("the package does not depend on Qt's widgets")


if __name__ == "__main__":
    with tempfile.TemporaryDirectory() as prefix, tempfile.TemporaryDirectory() as packages:
        check_install(os.path.abspath(sys.argv[1]), prefix)
        check_package(os.path.abspath(sys.argv[1]), packages)
    print("\n".join(f"FAILED: {p}" for p in problems) or "installed files valid, package made")
    sys.exit(1 if problems else 0)
