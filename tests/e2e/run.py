#!/usr/bin/env python3
"""Runs one end-to-end scenario against the built program (see scenarios.py):

    run.py SCENARIO --build BUILD_FOLDER
    run.py --list

Each scenario gets its own X server, home, settings and data folder under
BUILD_FOLDER/e2e/SCENARIO/, where its screenshots and the program's output stay afterwards.
Exit status: 0 passed, 1 failed, 77 skipped (CTest's SKIP_RETURN_CODE)."""

import argparse
import os
import shutil
import sys
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness import Failure, Skip, log  # noqa: E402
from scenarios import SCENARIOS as E2E_SCENARIOS, Context  # noqa: E402
from desktop import desktop  # noqa: E402
from soak import soak  # noqa: E402

# The soak run is driven like the others but is long; CTest labels it soak, not e2e.
SCENARIOS = {**E2E_SCENARIOS, "desktop": desktop, "soak": soak}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("scenario", nargs="?", choices=sorted(SCENARIOS))
    parser.add_argument("--build", help="the build folder (holds src/ and tools/)")
    parser.add_argument("--list", action="store_true", help="list the scenarios")
    args = parser.parse_args()
    if args.list:
        for name, run in SCENARIOS.items():
            print(f"{name}: {run.__doc__.split(chr(10))[0]}")
        return 0
    if not args.scenario or not args.build:
        parser.error("a scenario and --build are needed")
    for tool in ("Xvfb", "xdotool", "import"):
        if not shutil.which(tool):
            print(f"FAILED: {tool} is not installed (tools/install-deps.sh installs it)")
            return 1

    build = os.path.abspath(args.build)
    log(f"scenario {args.scenario}: {SCENARIOS[args.scenario].__doc__.split(chr(10))[0]}")
    ctx = None
    try:
        ctx = Context(build, args.scenario)
        SCENARIOS[args.scenario](ctx)
    except Skip as skip:
        print(f"SKIPPED: {skip}", flush=True)
        return 77
    except Failure as failure:
        print(f"FAILED: {failure}", flush=True)
        report(ctx)
        return 1
    except Exception:
        traceback.print_exc()
        print("FAILED: the scenario broke (see the traceback above)", flush=True)
        report(ctx)
        return 1
    finally:
        if ctx:
            ctx.cleanup()
    print(f"PASSED: {args.scenario}", flush=True)
    return 0


def report(ctx):
    """What helps to see why: a screenshot, the windows up, and the programs' output."""
    if not ctx:
        return
    try:
        ctx.shot("failure")
        for app in ctx.apps:
            if app.alive():
                print(f"{app.label} (pid {app.pid}) windows: {app.visible_windows()}")
    except Exception as error:
        print(f"(no failure screenshot: {error})")
    for app in ctx.apps:
        text = app.output().strip()
        if text:
            print(f"--- output of {app.label} ---\n{text}")
    print(f"Screenshots and output: {ctx.sandbox.root}")


if __name__ == "__main__":
    sys.exit(main())
