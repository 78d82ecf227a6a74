#!/usr/bin/env python3
"""run.py SCENARIO --build BUILD_FOLDER: one scenario of scenarios.py against the built program, with
its own X server and folders under BUILD_FOLDER/e2e/SCENARIO/, where screenshots and output stay."""

import os
import shutil
import subprocess
import sys
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness import Failure, log  # noqa: E402
from scenarios import SCENARIOS, Context  # noqa: E402


def run(scenario, name, build):
    missing = [tool for tool in ("Xvfb", "xdotool", "import") if not shutil.which(tool)]
    if missing:
        print(f"FAILED: {', '.join(missing)} not installed (tools/install-deps.sh installs them)")
        return 1
    ctx = None
    log(f"{name}: {scenario.__doc__.splitlines()[0]}")
    try:
        ctx = Context(os.path.abspath(build), name)
        scenario(ctx)
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
    if len(sys.argv) != 4 or sys.argv[1] not in SCENARIOS or sys.argv[2] != "--build":
        sys.exit(f"usage: run.py {{{','.join(SCENARIOS)}}} --build BUILD_FOLDER")
    sys.exit(run(SCENARIOS[sys.argv[1]], sys.argv[1], sys.argv[3]))
