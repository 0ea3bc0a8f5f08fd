#!/usr/bin/env python3
"""Runs the browser page's engine (engine.wasm, under Node, through the
page's own host) on every case of tests/cases that a page can give it, and
checks that it says and writes what the native program does with
--diagnostics=json: exit code, standard output, standard error byte for
byte, and, where the outcome is "written", "APB" byte for byte.

A page gives files it holds and options; cases that read standard input,
make folders, name an output with -o or name a file they do not hold are
left out.

usage: engine_cases_test.py CONVERTER TREVIK CASES ENGINE_WASM [NODE]
"""
import base64
import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, os.pardir, "cases"))
import cases  # noqa: E402

SKIP = 77  # ctest's code for a test that cannot run here


def paths_named(args):
    """The arguments a command line takes as paths."""
    paths, options_end = [], False
    for arg in args:
        if options_end or not arg.startswith(b"-") or arg == b"-":
            paths.append(arg)
        elif arg == b"--":
            options_end = True
    return paths


def page_can_give(case):
    if case.stdin is not None or case.dirs or case.output != cases.OUTPUT:
        return False
    if any(arg.startswith((b"-o", b"--output")) for arg in case.args):
        return False
    held = {name for name, _ in case.files}
    return all(path in held for path in paths_named(case.args))


def main():
    converter, trevik, root, wasm = sys.argv[1:5]
    node = sys.argv[5] if len(sys.argv) > 5 else "node"
    if not os.path.exists(wasm):
        print(f"skipped: {wasm} is not built (scripts/build-web)")
        return SKIP
    programs = {"converter": converter, "trevik": trevik}
    chosen = [c for c in cases.load_all(root) if page_can_give(c)]
    with tempfile.TemporaryDirectory() as work:
        native, runs = [], []
        for k, case in enumerate(chosen):
            directory = os.path.join(work, str(k))
            os.mkdir(directory)
            cases.materialize(case, directory)
            code, out, err = cases.run(case, programs[case.program], directory,
                                       ["--diagnostics=json"])
            with open(os.path.join(os.fsencode(directory), cases.OUTPUT), "rb") as f:
                apb = f.read()
            native.append((code, out, err, apb))
            args = [case.program.encode(), b"--diagnostics=json"] + case.args
            runs.append({"args": [a.hex() for a in args],
                         "directory": directory})
        request = json.dumps({"wasm": wasm, "runs": runs})
        done = subprocess.run([node, os.path.join(HERE, "run_engine.js")],
                              input=request.encode(), capture_output=True,
                              timeout=600)
        if done.returncode != 0:
            print(done.stderr.decode(errors="replace"))
            return 1
        failures = 0
        for case, want, line in zip(chosen, native,
                                    done.stdout.decode().splitlines()):
            got = json.loads(line)
            code, out, err, apb = want
            page = (got["exit"], base64.b64decode(got["stdout"]),
                    base64.b64decode(got["stderr"]))
            problems = []
            if got["trapped"]:
                problems.append("the engine trapped")
            for what, mine, theirs in zip(("exit code", "stdout", "stderr"),
                                          page, (code, out, err)):
                if mine != theirs:
                    problems.append(f"{what}: {mine!r}\n  native: {theirs!r}")
            written = err.splitlines()[-1:] and \
                json.loads(err.splitlines()[-1]).get("outcome") == "written"
            if written and base64.b64decode(got["apb"]) != apb:
                problems.append('"APB" differs')
            if problems:
                failures += 1
                print(f"{case.name}: " + "\n".join(problems))
        print(f"{len(chosen)} cases run, {failures} differ")
        return 1 if failures or len(chosen) < 40 else 0


if __name__ == "__main__":
    sys.exit(main())
