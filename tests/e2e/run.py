#!/usr/bin/env python3
"""Runs one end-to-end scenario (see scenarios.py) against the built program:

    run.py SCENARIO --build BUILD_FOLDER

Each scenario gets its own X server, home, settings and data folder under
BUILD_FOLDER/e2e/SCENARIO/, where its screenshots and the program's output stay afterwards.
Exit status: 0 passed, 1 failed, 77 skipped (CTest's SKIP_RETURN_CODE)."""

import argparse
import os
import shutil
import subprocess
import sys
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness import Failure, Skip, log  # noqa: E402
from scenarios import SCENARIOS, Context  # noqa: E402


def run(scenario, name, build):
    """Runs scenario(ctx) in a fresh Context; the exit status."""
    for tool in ("Xvfb", "xdotool", "import"):
        if not shutil.which(tool):
            print(f"FAILED: {tool} is not installed (tools/install-deps.sh installs it)")
            return 1
    log(f"{name}: {scenario.__doc__.split(chr(10))[0]}")
    ctx = None
    try:
        ctx = Context(os.path.abspath(build), name)
        scenario(ctx)
    except Skip as skip:
        print(f"SKIPPED: {skip}", flush=True)
        return 77
    except Exception as error:
        if not isinstance(error, Failure):
            traceback.print_exc()
        print(f"FAILED: {error}", flush=True)
        if ctx:
            subprocess.run(["import", "-window", "root", f"{ctx.sandbox.root}/failure.png"],
                           env=dict(os.environ, DISPLAY=ctx.display.name))
            for app in ctx.apps:
                print(f"--- output of {app.label} ---\n{app.output()}")
            print(f"Screenshots and output: {ctx.sandbox.root}")
        return 1
    finally:
        if ctx:
            ctx.cleanup()
    print(f"PASSED: {name}", flush=True)
    return 0


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--build", required=True, help="the build folder (holds src/ and tools/)")
    args = parser.parse_args()
    sys.exit(run(SCENARIOS[args.scenario], args.scenario, args.build))
