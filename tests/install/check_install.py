#!/usr/bin/env python3
"""Installs the build into a temporary prefix and checks what a desktop needs of it: the
executable runs, the menu entry and the AppStream metainfo pass their validators, the icons
are in the hicolor theme at their sizes; then cpack -G DEB packs the same files.
Usage: check_install.py BUILD_FOLDER"""

import glob
import os
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

APP_ID, EXE = "org.quillmere.loganalyzer", "quillmere-log-analyzer"
problems = []


def run(*command, cwd=None):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    return subprocess.run(command, capture_output=True, text=True, cwd=cwd, env=env, timeout=300)


def check(condition, message):
    if not condition:
        problems.append(message)
    return condition


def installed_files(prefix):
    share = os.path.join(prefix, "share")
    icons = {f"{s}x{s}": f"{share}/icons/hicolor/{s}x{s}/apps/{EXE}.png" for s in (16, 32, 48)}
    return (os.path.join(prefix, "bin", EXE), f"{share}/applications/{APP_ID}.desktop",
            f"{share}/metainfo/{APP_ID}.metainfo.xml", icons,
            f"{share}/icons/hicolor/scalable/apps/{EXE}.svg")


def check_install(build, prefix):
    result = run("cmake", "--install", build, "--prefix", prefix)
    if not check(result.returncode == 0, f"cmake --install failed: {result.stderr}"):
        return
    exe, desktop, metainfo, icons, svg = installed_files(prefix)
    result = run(exe, "--version")  # answered without a display
    check(result.returncode == 0 and "Quillmere Log Analyzer" in result.stdout,
          f"{exe} --version: status {result.returncode}, {result.stdout!r} {result.stderr!r}")

    result = run("desktop-file-validate", desktop)
    check(result.returncode == 0 and not result.stdout.strip(), f"desktop-file-validate: {result.stdout}")
    with open(desktop, encoding="utf-8") as f:
        entry = dict(row.split("=", 1) for row in f.read().splitlines() if "=" in row)
    check(entry.get("Exec") == f"{EXE} %f" and entry.get("Icon") == EXE,
          f"the menu entry starts {entry.get('Exec')!r} with icon {entry.get('Icon')!r}")

    result = run("appstreamcli", "validate", "--no-net", metainfo)
    check(result.returncode == 0, f"appstreamcli validate: {result.stdout}{result.stderr}")
    root = ET.parse(metainfo).getroot()
    check(root.findtext("id") == APP_ID and root.findtext("launchable") == f"{APP_ID}.desktop",
          "the metainfo does not name the program's id and menu entry")

    for size, path in icons.items():
        with open(path, "rb") as f:
            head = f.read(24)
        width, height = struct.unpack(">II", head[16:24])
        check(head[:8] == b"\x89PNG\r\n\x1a\n" and f"{width}x{height}" == size,
              f"{path} is not a PNG of {size}")
    check(ET.parse(svg).getroot().tag.endswith("svg"), f"{svg} is not an SVG image")


def check_package(build, folder):
    result = run("cpack", "--config", os.path.join(build, "CPackConfig.cmake"), "-G", "DEB", cwd=folder)
    debs = glob.glob(os.path.join(folder, "*.deb"))
    if not check(result.returncode == 0 and len(debs) == 1, f"cpack -G DEB: {result.stdout}{result.stderr}"):
        return
    contents = run("dpkg-deb", "--contents", debs[0]).stdout
    _, desktop, metainfo, icons, svg = installed_files("./usr")
    for path in [f"./usr/bin/{EXE}", desktop, metainfo, svg, *icons.values()]:
        check(f" {path}\n" in contents, f"the package lacks {path}")
    depends = run("dpkg-deb", "--field", debs[0], "Depends").stdout
    check("libqt6widgets6" in depends, f"the package does not depend on Qt's widgets: {depends!r}")


def main():
    build = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as prefix, tempfile.TemporaryDirectory() as packages:
        check_install(build, prefix)
        check_package(build, packages)
    for problem in problems:
        print("FAILED:", problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
