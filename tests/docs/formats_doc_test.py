#!/usr/bin/env python3
"""The format reference against the code: the doc's blocks are the example
files, the example inputs convert to the example "APB" files, and the tables
of the Airbus file's blocks name the key lines that the converter's table
names.

How a block maps to its file: the line before a block's opening fence names
the file, relative to the repository root, as

    <!-- example: examples/minimal.anf -->

and each line of the block is one line of that file. In the file every line,
the last one included, ends with CR LF (the examples are Windows text files,
as "APB" is); the block shows each CR LF as a plain line break, whatever the
doc's own line breaks are. Nothing follows the last CR LF, and the file holds
no other line end. Blocks without such a line (command lines, layouts) are
not files and are not compared.

How the key lines compare: the tables under the doc's headings "The
airport block", "The runway block" and "Obstacle blocks" give, for each
line, its distance from the line that opens the block ("+12") and its key in
backquotes; a line whose key is "any" is counted, not a key line, and
"`Obstacle` or `End`" names two keys at one line. The converter's table,
kKeyLines in converter/key_rows.h, gives one key line a row:
{kAirport, 12, "Runway", ...}. The two must name the same (block, line, key)
triples, each once.

Usage:
    formats_doc_test.py blocks ROOT
        compares every named block of ROOT/docs/formats.md with its file
    formats_doc_test.py keys ROOT
        compares the key lines of the doc's Airbus block tables with the
        converter's table
    formats_doc_test.py convert NAME PROGRAM ROOT [EMULATOR ...]
        runs PROGRAM (converter or trevik, as NAME says) on its minimal
        input in a fresh directory, with no standard input, and compares
        "APB" with the example APB byte for byte; the program's own lines on
        standard error must be its summary alone, as the doc quotes it.
        EMULATOR (Wine in the Windows cross build) runs the program.

Exit code 0 when every check passes, 1 on a failure, 77 (skipped) when the
emulator that a cross build names is missing.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

DOC = os.path.join("docs", "formats.md")
KEY_TABLE = os.path.join("converter", "key_rows.h")
MARKER = re.compile(r"^<!-- example: (\S+) -->$")
FENCE = re.compile(r"^```")
SKIPPED = 77
SECONDS = 60  # far more than a run of these files needs

# What each program converts, the APB it must give and its summary line.
CONVERSIONS = {
    "converter": (
        "examples/minimal.airbus.txt",
        "examples/minimal.airbus.apb",
        "converter: read 1 airport, 1 runway, 1 obstacle; left out 0 airports",
    ),
    "trevik": (
        "examples/minimal.anf",
        "examples/minimal.anf.apb",
        "trevik: read 1 airport, 2 runways, 1 obstacle; left out 0 airports",
    ),
}


class Failure(Exception):
    pass


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def first_difference(want, got):
    """Names the first line at which two texts of CR LF lines differ."""
    want_lines = want.split(b"\r\n")
    got_lines = got.split(b"\r\n")
    for number, (w, g) in enumerate(zip(want_lines, got_lines), start=1):
        if w != g:
            return f"line {number}: want {w!r}, got {g!r}"
    return (f"{len(want_lines) - 1} CR LF lines wanted, "
            f"{len(got_lines) - 1} found")


def named_blocks(doc_lines):
    """The (path, doc line number, block lines) of every named block."""
    blocks = []
    in_block = False
    for index, line in enumerate(doc_lines):
        if FENCE.match(line):
            in_block = not in_block
            continue
        match = MARKER.match(line)
        if in_block or not match:
            continue
        opening = index + 1
        if opening >= len(doc_lines) or not FENCE.match(doc_lines[opening]):
            raise Failure(f"{DOC}:{index + 1}: no block right after the name "
                          f"of {match.group(1)}")
        closing = opening + 1
        while closing < len(doc_lines) and not FENCE.match(doc_lines[closing]):
            closing += 1
        if closing == len(doc_lines):
            raise Failure(f"{DOC}:{opening + 1}: the block never closes")
        blocks.append((match.group(1), opening + 1,
                       doc_lines[opening + 1:closing]))
    if in_block:
        raise Failure(f"{DOC}: a block never closes")
    return blocks


def check_blocks(root):
    with open(os.path.join(root, DOC), "rb") as f:
        # A Windows checkout may give the doc CR LF line breaks.
        text = f.read().replace(b"\r\n", b"\n")
    if b"\r" in text:
        raise Failure(f"{DOC} holds a carriage return that ends no line")
    blocks = named_blocks(text.decode("utf-8").split("\n"))
    named = [path for path, _, _ in blocks]
    wanted = sorted(p for c in CONVERSIONS.values() for p in c[:2])
    for path in wanted:
        if named.count(path) != 1:
            raise Failure(f"{DOC} names {path} {named.count(path)} times, "
                          "not once")
    failures = []
    for path, line, lines in blocks:
        want = "".join(l + "\r\n" for l in lines).encode("utf-8")
        try:
            got = read_bytes(os.path.join(root, path))
        except OSError as e:
            failures.append(f"{DOC}:{line}: {path}: {e.strerror}")
            continue
        if got != want:
            failures.append(f"{DOC}:{line}: {path} differs from its block at "
                            + first_difference(want, got))
    if failures:
        raise Failure("\n".join(failures))
    print(f"{len(blocks)} blocks match their files: {', '.join(named)}")


# The blocks of an Airbus file: the name in the converter's table, and the
# heading of the doc's table.
KEY_BLOCKS = {
    "kAirport": "The airport block",
    "kRunway": "The runway block",
    "kObstacle": "Obstacle blocks",
}
KEY_TABLE_START = re.compile(r"\bkKeyLines\[\] = \{")
KEY_ROW = re.compile(r'\{(k\w+),\s*(\d+),\s*"([^"]*)"')
DOC_LINE = re.compile(r"^\+(\d+)$")


def code_key_lines(root):
    """The ((block, line, key), place) of every row of kKeyLines."""
    with open(os.path.join(root, KEY_TABLE), encoding="utf-8") as f:
        text = f.read()
    start = KEY_TABLE_START.search(text)
    if start is None:
        raise Failure(f"{KEY_TABLE}: no table kKeyLines")
    end = text.find("\n};", start.end())
    if end < 0:
        raise Failure(f"{KEY_TABLE}: kKeyLines never closes")
    found = []
    for match in KEY_ROW.finditer(text, start.end(), end):
        line = text.count("\n", 0, match.start()) + 1
        place = f"{KEY_TABLE}:{line}"
        block, number, key = match.groups()
        if block not in KEY_BLOCKS:
            raise Failure(f"{place}: unknown block {block}")
        found.append(((KEY_BLOCKS[block], int(number), key), place))
    return found


def doc_key_lines(root):
    """The ((block, line, key), place) of every key line of the doc's block
    tables."""
    with open(os.path.join(root, DOC), encoding="utf-8") as f:
        lines = f.read().replace("\r\n", "\n").split("\n")
    found = []
    for heading in KEY_BLOCKS.values():
        at = [i for i, l in enumerate(lines) if l == "### " + heading]
        if len(at) != 1:
            raise Failure(f"{DOC} has {len(at)} headings {heading!r}, not one")
        index = at[0] + 1
        while index < len(lines) and not lines[index].startswith(("|", "#")):
            index += 1
        if index == len(lines) or not lines[index].startswith("|"):
            raise Failure(f"{DOC}:{at[0] + 1}: {heading!r} has no table")
        index += 2  # the table's header and the line under it
        while index < len(lines) and lines[index].startswith("|"):
            cells = [c.strip() for c in lines[index].strip("|").split("|")]
            index += 1
            if cells[1] == "any":
                continue
            number = DOC_LINE.match(cells[0])
            keys = re.findall(r"`([^`]+)`", cells[1])
            if number is None or not keys:
                raise Failure(f"{DOC}:{index}: a key line is one line (+N) "
                              f"with keys in backquotes, not {cells[0]!r} "
                              f"with {cells[1]!r}")
            found.extend(((heading, int(number.group(1)), key),
                          f"{DOC}:{index}") for key in keys)
    return found


def check_keys(root):
    named = {KEY_TABLE: code_key_lines(root), DOC: doc_key_lines(root)}
    if not named[KEY_TABLE]:
        raise Failure(f"{KEY_TABLE}: kKeyLines names no key line")
    failures = []
    for name, other in ((KEY_TABLE, DOC), (DOC, KEY_TABLE)):
        theirs = {key for key, _ in named[other]}
        seen = set()
        for key, place in named[name]:
            block, number, word = key
            what = f"{block.lower()}, line +{number}: {word!r}"
            if key in seen:
                failures.append(f"{place}: {what} is named twice")
            elif key not in theirs:
                failures.append(f"{place}: {what} is not in {other}")
            seen.add(key)
    if failures:
        raise Failure("\n".join(failures))
    print(f"{DOC} and {KEY_TABLE} name the same "
          f"{len(named[KEY_TABLE])} key lines")


def check_conversion(name, program, root, emulator):
    source, expected, summary = CONVERSIONS[name]
    if emulator and shutil.which(emulator[0]) is None:
        print(f"skipped: the emulator {emulator[0]!r} is not installed")
        return SKIPPED
    with open(os.path.join(root, DOC), encoding="utf-8") as f:
        if summary not in " ".join(f.read().split()):
            raise Failure(f"{DOC} does not quote the summary {summary!r}")
    want = read_bytes(os.path.join(root, expected))
    with tempfile.TemporaryDirectory() as work:
        shutil.copy(os.path.join(root, source), work)
        # Output goes to files, not pipes: a helper that Wine starts could
        # hold a pipe open long after the program has ended.
        out_path = os.path.join(work, "stdout")
        err_path = os.path.join(work, "stderr")
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            code = subprocess.run(
                emulator + [os.path.abspath(program), os.path.basename(source)],
                cwd=work, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                timeout=SECONDS).returncode
        errors = read_bytes(err_path).decode("utf-8", "replace")
        if code != 0:
            raise Failure(f"{name} {source} ended with {code}; standard "
                          f"error:\n{errors}")
        apb = os.path.join(work, "APB")
        if not os.path.isfile(apb):
            raise Failure(f"{name} {source} wrote no APB")
        got = read_bytes(apb)
    if got != want:
        raise Failure(f"APB of {source} differs from {expected} at "
                      + first_difference(want, got))
    own = [l.rstrip("\r") for l in errors.split("\n")
           if l.startswith(name + ":")]
    if own != [summary]:
        raise Failure(f"standard error of {name} {source}: want only "
                      f"{summary!r}, got {own!r}")
    print(f"{source} converts to {expected}; standard error: {summary}")
    return 0


def main(args):
    try:
        if len(args) == 2 and args[0] == "blocks":
            check_blocks(args[1])
            return 0
        if len(args) == 2 and args[0] == "keys":
            check_keys(args[1])
            return 0
        if len(args) >= 4 and args[0] == "convert" and args[1] in CONVERSIONS:
            return check_conversion(args[1], args[2], args[3], args[4:])
    except Failure as failure:
        print(failure, file=sys.stderr)
        return 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
