#!/usr/bin/env python3
"""The fuzz corpora through the engine natively and as WebAssembly: runs the
native corpus_replay and corpus_replay.wasm (under Node's WASI, through
run_wasi.mjs) over every entry of each corpus and fails, naming the first
entries whose text differs, when the two differ anywhere, or when either
ends abnormally (a WebAssembly trap names the entry it was converting).

Exits 77 (skipped) when there is no WebAssembly build to compare with or no
Node 20 or later to run it.
"""
import argparse
import os
import subprocess
import sys

FORMATS = ("airbus", "anf")
SKIP = 77
HERE = os.path.dirname(os.path.abspath(__file__))
MOST_SHOWN = 5  # differing entries named


def skip(why):
    print(f"SKIP: {why}")
    sys.exit(SKIP)


def node_major(node):
    """Node's major version, or None when it does not run."""
    try:
        out = subprocess.run([node, "--version"], capture_output=True,
                             text=True, timeout=60, check=True).stdout
        return int(out.strip().lstrip("v").split(".")[0])
    except (OSError, subprocess.SubprocessError, ValueError):
        return None


def blocks(text):
    """The output split by entry: {name: [lines]} in order, and the name of
    the last entry begun."""
    result, name = {}, None
    for line in text.split("\n"):
        if line.startswith("entry "):
            name = line[len("entry "):]
            result[name] = []
        elif name is not None and line:
            result[name].append(line)
    return result, name


def run(what, command):
    """Runs command; returns its output as text (bytes kept as \\x escapes)
    and an error describing an abnormal end, or None."""
    try:
        done = subprocess.run(command, capture_output=True, timeout=600)
    except subprocess.TimeoutExpired:
        return "", f"{what} did not end within 600 s"
    text = done.stdout.decode("utf-8", "backslashreplace")
    if done.returncode != 0:
        _, last = blocks(text)
        stderr = done.stderr.decode("utf-8", "backslashreplace").strip()
        return text, (f"{what} exited with {done.returncode} while at entry "
                      f"{last}:\n{stderr[-2000:]}")
    return text, None


def first_difference(native, wasm):
    """The first line where two entries' texts differ, as text."""
    for k in range(max(len(native), len(wasm))):
        a = native[k] if k < len(native) else "(nothing)"
        b = wasm[k] if k < len(wasm) else "(nothing)"
        if a != b:
            return f"line {k + 1}:\n    native: {a}\n    wasm:   {b}"
    return "no line differs"


def compare(fmt, corpus, native_bin, node, wasm):
    """Replays one corpus both ways; returns a list of failures."""
    names = sorted(n for n in os.listdir(corpus)
                   if os.path.isfile(os.path.join(corpus, n)))
    native_text, native_error = run(
        "native corpus_replay",
        [native_bin, fmt] + [os.path.join(corpus, n) for n in names])
    wasm_text, wasm_error = run(
        "corpus_replay.wasm",
        [node, "--no-warnings", os.path.join(HERE, "run_wasi.mjs"), wasm,
         corpus, fmt, "--"] + names)
    failures = [f"{fmt}: {e}" for e in (native_error, wasm_error) if e]
    native, _ = blocks(native_text)
    wasm_blocks, _ = blocks(wasm_text)
    if not failures and list(native) != names:
        failures.append(f"{fmt}: the native output does not name every "
                        "entry once, in order")
    differing = [n for n in names if n in native and n in wasm_blocks
                 and native[n] != wasm_blocks[n]]
    for name in differing[:MOST_SHOWN]:
        failures.append(f"{fmt}: entry {name} differs at "
                        + first_difference(native[name], wasm_blocks[name]))
    if len(differing) > MOST_SHOWN:
        failures.append(f"{fmt}: {len(differing) - MOST_SHOWN} more "
                        "entries differ")
    if not failures:
        print(f"{fmt}: {len(names)} entries, the same natively and as "
              "WebAssembly")
    return failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--native", required=True, help="native corpus_replay")
    parser.add_argument("--wasm", default="", help="corpus_replay.wasm")
    parser.add_argument("--node", default="", help="the node program")
    parser.add_argument("--corpora", required=True,
                        help="the folder of the corpora (fuzz/corpus)")
    options = parser.parse_args()

    if not options.wasm:
        skip("no WebAssembly build (WEB_WASM_DIR is not set)")
    if not options.node:
        skip("node was not found")
    major = node_major(options.node)
    if major is None or major < 20:
        skip(f"{options.node} is not Node 20 or later (node:wasi preview1)")
    if not os.path.isfile(options.wasm):
        print(f"FAIL: {options.wasm} is missing: the WebAssembly build did "
              "not make it")
        return 1

    failures = []
    for fmt in FORMATS:
        failures += compare(fmt, os.path.join(options.corpora, fmt),
                            options.native, options.node, options.wasm)
    for failure in failures:
        print(f"FAIL: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
