#!/usr/bin/env python3
"""Checks that converter and trevik still write the recorded "APB" bytes.

Regenerates the inputs listed in expected_output.txt with the generator, runs
each program on them in a temporary directory (standard input from the null
device) and compares the SHA-256 of "APB" with the recorded one.

usage: check_output.py --generate EXE --converter EXE --trevik EXE
                       [--expected FILE] [--emulator CMD] [--keep DIR]
"""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def read_cases(path):
    cases = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].split()
            if line:
                program, expected, *inputs = line
                cases.append((program, expected, [i.split(":") for i in inputs]))
    return cases


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--generate", required=True)
    parser.add_argument("--converter", required=True)
    parser.add_argument("--trevik", required=True)
    parser.add_argument("--expected", default=os.path.join(here, "expected_output.txt"))
    parser.add_argument("--emulator", default="",
                        help="';'-separated command that runs the built programs "
                             "(CMAKE_CROSSCOMPILING_EMULATOR)")
    parser.add_argument("--keep", help="work in this directory and keep it")
    args = parser.parse_args()
    emulator = [part for part in args.emulator.split(";") if part]
    programs = {"converter": os.path.abspath(args.converter),
                "trevik": os.path.abspath(args.trevik)}
    generate = os.path.abspath(args.generate)

    work = args.keep or tempfile.mkdtemp(prefix="apb-check-")
    os.makedirs(work, exist_ok=True)
    failures = 0
    try:
        for program, expected, inputs in read_cases(args.expected):
            paths = []
            for fmt, size, seed, *shape in inputs:
                shape = shape[0] if shape else "mixed"
                name = (f"{fmt}-{size}-{seed}-{shape}."
                        f"{'anf' if fmt == 'anf' else 'txt'}")
                path = os.path.join(work, name)
                if not os.path.exists(path):
                    subprocess.run(emulator + [generate, "--shape", shape, fmt,
                                               size, path, seed], check=True)
                paths.append(path)
            run_dir = os.path.join(work, program)
            os.makedirs(run_dir, exist_ok=True)
            apb = os.path.join(run_dir, "APB")
            if os.path.exists(apb):
                os.remove(apb)
            result = subprocess.run(emulator + [programs[program]] + paths,
                                    cwd=run_dir, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.PIPE)
            label = f"{program} {' '.join(':'.join(i) for i in inputs)}"
            if result.returncode != 0 or not os.path.exists(apb):
                print(f"FAIL {label}: exit code {result.returncode}, "
                      f"APB {'written' if os.path.exists(apb) else 'missing'}")
                failures += 1
                continue
            actual = sha256(apb)
            if actual != expected:
                print(f"FAIL {label}: APB has SHA-256 {actual}, expected {expected}")
                failures += 1
            else:
                print(f"ok   {label}: {os.path.getsize(apb)} bytes, {actual}")
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
