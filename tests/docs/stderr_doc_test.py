#!/usr/bin/env python3
"""The lines of standard error that the README and the manual pages show
are the programs' own, byte for byte.

Which lines are examples of standard error:
  - In README.md: every line of a ``` block, and every inline `code` span
    (a span may run over a line break, which reads as one space).
  - In man/converter.1 and man/trevik.1: every text line between .EX and
    .EE (request lines, which begin with "." or "'", are left aside), with
    its escapes turned back into text: \\- is "-", \\(aq "'", \\(dq '"',
    \\e "\\", \\~ a space, \\& nothing, and font changes (\\fB, \\fI, \\fR,
    \\fP) nothing. Any other escape in such a line fails the test, so that
    no line is read wrongly.
  Of those, a line is a line of standard error when it begins with
  "converter:" or "trevik:", with "usage: " or with "Try '", or when it is
  "Press any key to close.". It is an example, to be produced as written,
  unless it shows a pattern: a line that holds "..." or one of the
  placeholder words in capitals (FILE, LINE, MESSAGE, PATH, REASON, N, KIND,
  PROGRAM, WORD) as a word of its own. A "usage: " line is always an
  example, since OPTION, AIRBUS_FILE and "..." are the program's own text
  there. Lines that name the program as PROGRAM are patterns, and fragments
  such as `cannot open "PATH": REASON` are no lines of their own.

Every example must be a line of a case in CASES, and every line of a case
must be an example in some doc: a new example needs a case, and a case
whose line has left the docs goes too. NOT_RUN lists the few examples that
need a signal, a terminal or a race to appear, with the reason for each.

A case runs one program in a fresh directory with standard input from the
null device (or a given content, for "-") on inputs made from the samples
(examples/, tests/data/), each as it is or with a stated edit; the docs'
file names (in.txt, north.anf) are the names the case gives its inputs.
Each line of the case must be a whole line of the program's standard error.

Usage:
    stderr_doc_test.py lines ROOT
        checks that the examples of the docs under ROOT and CASES match
    stderr_doc_test.py run NAME PROGRAM ROOT [EMULATOR ...]
        runs every case of NAME (converter or trevik) with PROGRAM; EMULATOR
        (Wine in the Windows cross build) runs the program, and cases that
        need POSIX devices are then left out.

Exit code 0 when every check passes, 1 on a failure, 77 (skipped) when the
emulator that a cross build names is missing.
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

README = "README.md"
MANUALS = (os.path.join("man", "converter.1"), os.path.join("man", "trevik.1"))
SKIPPED = 77
SECONDS = 60  # far more than a run of these files needs

STDERR_LINE = re.compile(r"^(?:(?:converter|trevik):|usage: |Try ')")
KEY_WAIT = "Press any key to close."
PLACEHOLDER = re.compile(
    r"\.\.\.|\b(?:FILE|LINE|MESSAGE|PATH|REASON|N|KIND|PROGRAM|WORD)\b")
ROFF_ESCAPE = re.compile(r"\\(\(..|f.|.)")
ROFF_TEXT = {"-": "-", "(aq": "'", "(dq": '"', "e": "\\", "~": " ", "&": "",
             "fB": "", "fI": "", "fR": "", "fP": ""}


class Failure(Exception):
    pass


def read_text(path):
    with open(path, "rb") as f:
        # A Windows checkout may give the docs CR LF line breaks.
        return f.read().replace(b"\r\n", b"\n").decode("utf-8")


def is_example(line):
    """True for a line of standard error that is an example, not a pattern."""
    if line == KEY_WAIT or line.startswith("usage: "):
        return True
    return bool(STDERR_LINE.match(line)) and not PLACEHOLDER.search(line)


def readme_lines(text):
    """The README's candidate lines, with their line numbers."""
    lines = text.split("\n")
    found = []
    prose = []  # (number, line) outside the blocks
    in_block = False
    for number, line in enumerate(lines, start=1):
        if line.startswith("```"):
            in_block = not in_block
        elif in_block:
            found.append((number, line.rstrip()))
        else:
            prose.append((number, line))
    if in_block:
        raise Failure(f"{README}: a block never closes")
    # Code spans, which may run over a line break; a blank line ends a
    # paragraph and so any span.
    paragraph = []
    for number, line in prose + [(0, "")]:
        if line.strip():
            paragraph.append((number, line))
            continue
        joined = "\n".join(l for _, l in paragraph)
        for span in re.finditer(r"`([^`]+)`", joined):
            start = paragraph[joined.count("\n", 0, span.start())][0]
            found.append((start, re.sub(r"\s*\n\s*", " ", span.group(1))))
        paragraph = []
    return found


def roff_text(line, where=None):
    """The text of a roff line; an unknown escape fails when where names
    the line, and stays as it is otherwise."""
    def replace(match):
        escape = match.group(1)
        if escape in ROFF_TEXT:
            return ROFF_TEXT[escape]
        if where is None:
            return match.group(0)
        raise Failure(f"{where}: unknown escape \\{escape} in {line!r}")
    return ROFF_ESCAPE.sub(replace, line)


def manual_lines(text, name):
    """A manual page's candidate lines, with their line numbers."""
    found = []
    in_example = False
    for number, line in enumerate(text.split("\n"), start=1):
        if line.startswith(".EX"):
            in_example = True
        elif line.startswith(".EE"):
            in_example = False
        elif in_example and not line.startswith((".", "'")):
            plain = roff_text(line)
            if is_example(plain):
                plain = roff_text(line, f"{name}:{number}")
            found.append((number, plain))
    if in_example:
        raise Failure(f"{name}: an .EX block never ends")
    return found


def doc_lines(root):
    """Every example line of standard error in the docs, with the first
    place ("README.md:412") that shows it."""
    sources = [(README, readme_lines(read_text(os.path.join(root, README))))]
    for name in MANUALS:
        sources.append(
            (name, manual_lines(read_text(os.path.join(root, name)), name)))
    examples = {}
    for name, lines in sources:
        for number, line in lines:
            if is_example(line):
                examples.setdefault(line, f"{name}:{number}")
    return examples


# Inputs: a sample as it is, or with edits applied in order. Samples are
# Windows text files, so an edit of line N works on the Nth CR LF line.

def sample(path, *edits):
    """A file made from the sample at path (from the repository root)."""
    def make(root):
        with open(os.path.join(root, path), "rb") as f:
            lines = f.read().split(b"\r\n")
        for edit in edits:
            lines = edit(lines)
        return b"\r\n".join(lines)
    return make


def line(number, old, new):
    """Line number with old (once) replaced by new."""
    def edit(lines):
        text = lines[number - 1].decode("latin-1")
        if text.count(old) != 1:
            raise Failure(f"line {number} is {text!r}: no single {old!r}")
        lines[number - 1] = text.replace(old, new).encode("latin-1")
        return lines
    return edit


def drop_line(number):
    return lambda lines: lines[:number - 1] + lines[number:]


def keep_lines(count):
    """The first count lines, each with its line end."""
    return lambda lines: lines[:count] + [b""]


def repeat_lines(first, last, times):
    """Lines first to last, in place, times over."""
    return lambda lines: (lines[:first - 1] + lines[first - 1:last] * times
                          + lines[last:])


def append(data):
    """data after the last line end."""
    return lambda lines: lines[:-1] + [lines[-1] + data]


EMPTY = lambda root: b""  # an empty file: the smallest input without airports
DIRECTORY = "a directory"  # a folder where the case names a file


class Link(str):
    """A symbolic link to the device of that path."""


class Case:
    """A run of program with args in a fresh directory holding files (name:
    what makes it), with env added to the environment; each line of shows
    is a whole line of its standard error. A posix case needs POSIX devices
    or signals and is left out under an emulator or on another system.

    Standard input is the null device, or with interrupted a pipe that
    takes what interrupted makes (for "-") and stays open: the program is
    then ended by SIGTERM while it still waits for the rest of its input."""

    def __init__(self, program, args, files, shows, env=None, posix=False,
                 interrupted=None):
        self.program = program
        self.args = args
        self.files = files
        self.shows = shows
        self.env = env or {}
        self.posix = posix or interrupted is not None
        self.interrupted = interrupted

    def __str__(self):
        return f"{self.program} {' '.join(self.args)}"


AIRBUS = "examples/airports.airbus.txt"
MINIMAL_AIRBUS = "examples/minimal.airbus.txt"
NORTH = "examples/north.anf"
SOUTH = "examples/south.anf"
MINIMAL_ANF = "examples/minimal.anf"

CASES = [
    # converter: the samples as they are, and the command line.
    Case("converter", ["in.txt"], {"in.txt": sample(AIRBUS)}, [
        "converter: read 2 airports, 3 runways, 5 obstacles; "
        "left out 0 airports"]),
    Case("converter", ["-v"], {}, [
        "converter: unknown option '-v'",
        "Try 'converter --help'."]),
    Case("converter", [], {}, [
        "usage: converter [OPTION]... AIRBUS_FILE",
        "Try 'converter --help'."]),
    Case("converter", ["in.txt", "a.txt", "b.txt"],
         {"in.txt": sample(MINIMAL_AIRBUS)}, [
             "converter: only the first file is read; "
             "2 more arguments ignored"]),
    # converter: airports left out.
    Case("converter", ["in.txt"], {"in.txt": sample(AIRBUS, drop_line(25))}, [
        'converter:in.txt:4: airport LFXA left out: line 25 should be "QFU" '
        'but is "Ident"']),
    Case("converter", ["in.txt"], {"in.txt": sample(AIRBUS, keep_lines(166))}, [
        'converter:in.txt:108: airport ENXB left out: line 167 should be '
        '"End" but is past the end of the file (166 lines)']),
    Case("converter", ["in.txt"], {"in.txt": sample(AIRBUS, drop_line(54))}, [
        'converter:in.txt:4: airport LFXA left out: line 47 should be "End" '
        'but is "Obstacle" (no "End" 7 lines below it)']),
    # converter: keys out of place and numbers.
    Case("converter", ["in.txt"],
         {"in.txt": sample(MINIMAL_AIRBUS, line(2, "Name", "name"))}, [
             'converter:in.txt:2: key should be "Name" but is "name"; '
             'the name reads as ""']),
    Case("converter", ["in.txt"],
         {"in.txt": sample(AIRBUS, line(5, "Name", "name"))}, [
             'converter:in.txt:5: key should be "Name" but is "name"; '
             'the name reads as ""']),
    Case("converter", ["in.txt"],
         {"in.txt": sample(MINIMAL_AIRBUS, line(9, "120.5", "abc"),
                           line(18, "45", "45m"), line(26, "2500", "3e9"))}, [
             'converter:in.txt:9: the elevation "abc" is not a number, '
             'read as 0',
             'converter:in.txt:18: the width "45m" reads as 45',
             'converter:in.txt:26: the TORA "3e9" is out of range, written '
             'as 2147483647']),
    Case("converter", ["in.txt"],
         {"in.txt": sample(AIRBUS, line(12, "392", "abc"))}, [
             'converter:in.txt:12: the elevation "abc" is not a number, '
             'read as 0']),
    Case("converter", ["in.txt"],
         {"in.txt": sample(AIRBUS, line(12, "392", "1,5"))}, [
             'converter:in.txt:12: the elevation "1,5" reads as 1']),
    # An obstacle and its runway's threshold both infinitely high.
    Case("converter", ["in.txt"],
         {"in.txt": sample(MINIMAL_AIRBUS, line(31, "118", "1e400"),
                           line(46, "141.2", "1e400"))}, [
             "converter:in.txt:46: the obstacle's height above the end of "
             "the take-off run comes out as NaN, written as 0"]),
    # 31 obstacle blocks whose distance and elevation are no numbers: 62
    # numbers read as 0, of which 50 are shown.
    Case("converter", ["in.txt"],
         {"in.txt": sample(MINIMAL_AIRBUS, line(45, "2900", "x"),
                           line(46, "141.2", "x"), repeat_lines(44, 51, 31))}, [
             "converter:in.txt: 12 more numbers read as 0 not shown"]),
    # converter: once per file.
    Case("converter", ["in.txt"],
         {"in.txt": sample(AIRBUS, line(40, "Remark5", "\x1aRemark5"))}, [
             "converter:in.txt:40: text after the end-of-file mark ignored"]),
    Case("converter", ["in.txt"],
         {"in.txt": sample(AIRBUS, line(12, "392", "3\x0092"))}, [
             "converter:in.txt:12: a NUL byte cuts this line; the rest of it "
             "is ignored"]),
    Case("converter", ["in.txt"], {"in.txt": EMPTY}, [
        "converter:in.txt: no airport found"]),
    Case("converter", ["empty.txt"], {"empty.txt": EMPTY}, [
        "converter:empty.txt: no airport found"]),
    # converter: --strict on three findings.
    Case("converter", ["--strict", "in.txt"],
         {"in.txt": sample(AIRBUS, line(12, "392", "abc"),
                           line(21, "45", "45m"), line(116, "-2.5", "1,5"))}, [
             'converter: --strict: 3 findings; "APB" left as it was']),
    # converter: interrupted while it reads its input: 1,000 copies of the
    # sample, some 0.8 MB.
    Case("converter", ["-"], {}, [
        'converter: interrupted; "APB" left as it was'],
        interrupted=sample(MINIMAL_AIRBUS, repeat_lines(1, 54, 1000))),
    # converter: failures.
    Case("converter", ["in.txt"], {}, [
        'converter: cannot open "in.txt": No such file or directory']),
    Case("converter", ["x.txt"], {}, [
        'converter: cannot open "x.txt": No such file or directory']),
    Case("converter", ["in.txt"],
         {"in.txt": sample(MINIMAL_AIRBUS), "APB": DIRECTORY}, [
             'converter: cannot create "APB": Is a directory']),
    Case("converter", ["in.txt"],
         {"in.txt": sample(MINIMAL_AIRBUS), "APB": Link("/dev/full")}, [
             'converter: cannot write "APB": No space left on device'],
         posix=True),
    # An "APB" written in place whose content has no folder to wait in.
    Case("converter", ["in.txt"],
         {"in.txt": sample(MINIMAL_AIRBUS), "APB": Link("/dev/null")}, [
             'converter: cannot write "APB": No such file or directory'],
         env={"TMPDIR": "/nonexistent"}, posix=True),

    # trevik: the samples as they are, and the command line.
    Case("trevik", ["north.anf", "south.anf"],
         {"north.anf": sample(NORTH), "south.anf": sample(SOUTH)}, [
             "trevik: read 3 airports, 7 runways, 9 obstacles; "
             "left out 0 airports"]),
    Case("trevik", ["-v"], {}, [
        "trevik: unknown option '-v'",
        "Try 'trevik --help'."]),
    Case("trevik", [], {}, [
        "usage: trevik [OPTION]... ANF_FILE...",
        "Try 'trevik --help'."]),
    # trevik: headers left out.
    Case("trevik", ["in.anf"],
         {"in.anf": sample(MINIMAL_ANF, line(1, "EXMP", "ABCD"),
                           line(3, " 50", ""))}, [
             "trevik:in.anf:1: airport ABCD left out: line 3 should be a "
             "runway line of 7 words but has 6"]),
    Case("trevik", ["in.anf"],
         {"in.anf": sample(MINIMAL_ANF, line(1, "EXMP", "ABCD"),
                           line(2, "120.5", ""))}, [
             "trevik:in.anf:1: airport ABCD left out: line 2 should hold its "
             "elevation but is an empty line"]),
    # A header that lost its name.
    Case("trevik", ["in.anf"],
         {"in.anf": sample(NORTH, line(11, " CHARLIE FIELD", ""))}, [
             'trevik:in.anf:11: "ANF" line of 2 words starts no airport (a '
             'header holds "ANF", the ICAO code and the name)']),
    # A runway line that lost a word, with two obstacles after it.
    Case("trevik", ["in.anf"],
         {"in.anf": sample(MINIMAL_ANF, line(6, " 50", ""), line(7, "0", "2"),
                           append(b"130 3000\r\n125 3100\r\n"))}, [
             "trevik:in.anf:6: 4 lines belong to no airport and are ignored: "
             "airport EXMP ends at line 5, as line 6 should be a runway line "
             "of 7 words but has 6"]),
    # trevik: obstacles.
    Case("trevik", ["north.anf"], {"north.anf": sample(NORTH, line(14, "2", "170"))}, [
        "trevik:north.anf:14: obstacle count 170 runs past the end of the "
        "file (5 lines follow)"]),
    Case("trevik", ["in.anf"], {"in.anf": sample(NORTH, line(14, "2", "170"))}, [
        "trevik:in.anf:14: obstacle count 170 runs past the end of the file "
        "(5 lines follow)"]),
    Case("trevik", ["in.anf"], {"in.anf": sample(MINIMAL_ANF, line(4, "1", "36R"))}, [
        'trevik:in.anf:4: obstacle count "36R" is not a whole number, read '
        'as 36']),
    Case("trevik", ["in.anf"], {"in.anf": sample(MINIMAL_ANF, line(4, "1", "-2"))}, [
        "trevik:in.anf:4: obstacle count -2 is negative, read as 0"]),
    Case("trevik", ["in.anf"], {"in.anf": sample(NORTH, line(16, " 2300", ""))}, [
        "trevik:in.anf:16: obstacle line should hold at least 2 words but "
        "has 1; the missing ones read as 0"]),
    # 62 obstacles of one word each, of which 50 are shown.
    Case("trevik", ["in.anf"],
         {"in.anf": sample(MINIMAL_ANF, line(4, "1", "62"),
                           line(5, " 2900 -60.5", ""), repeat_lines(5, 5, 62))}, [
             "trevik:in.anf: 12 more short obstacle lines not shown"]),
    # trevik: numbers.
    Case("trevik", ["in.anf"],
         {"in.anf": sample(MINIMAL_ANF, line(3, "09 2500", "09 abc"),
                           line(3, "2800", "1e400"), line(3, "0.4", "0.4%"))}, [
             'trevik:in.anf:3: the TORA "abc" is not a number, read as 0',
             'trevik:in.anf:3: the slope "0.4%" reads as 0.4',
             'trevik:in.anf:3: the TODA "1e400" is out of range, written as '
             '2147483647']),
    # trevik: once per file.
    Case("trevik", ["in.anf"],
         {"in.anf": sample(NORTH, append(b"\x1aEND OF FILE\r\n"))}, [
             "trevik:in.anf:20: text after the end-of-file mark ignored"]),
    Case("trevik", ["in.anf"],
         {"in.anf": sample(NORTH, line(12, "152.4", "152\x00.4"))}, [
             "trevik:in.anf:12: a NUL byte cuts this line; the rest of it is "
             "ignored"]),
    Case("trevik", ["empty.anf"], {"empty.anf": EMPTY}, [
        "trevik:empty.anf: no airport found"]),
    # trevik: --strict on three findings.
    Case("trevik", ["--strict", "in.anf"],
         {"in.anf": sample(MINIMAL_ANF, line(3, "09 2500", "09 abc"),
                           line(3, "2800", "1e400"), line(3, "0.4", "0.4%"))}, [
             'trevik: --strict: 3 findings; "APB" left as it was']),
    # trevik: interrupted while it reads its input: 10,000 copies of the
    # sample, some 1.1 MB.
    Case("trevik", ["-"], {}, [
        'trevik: interrupted; "APB" left as it was'],
        interrupted=sample(MINIMAL_ANF, repeat_lines(1, 7, 10000))),
    # trevik: failures.
    Case("trevik", ["in.anf"], {}, [
        'trevik: cannot open "in.anf": No such file or directory']),
    Case("trevik", ["in.anf"], {"in.anf": sample(MINIMAL_ANF), "APB": DIRECTORY}, [
        'trevik: cannot create "APB": Is a directory']),
    Case("trevik", ["in.anf"],
         {"in.anf": sample(MINIMAL_ANF), "APB": Link("/dev/full")}, [
             'trevik: cannot write "APB": No space left on device'],
         posix=True),
    Case("trevik", ["in.anf"],
         {"in.anf": sample(MINIMAL_ANF), "APB": Link("/dev/null")}, [
             'trevik: cannot write "APB": No such file or directory'],
         env={"TMPDIR": "/nonexistent"}, posix=True),
]

# Examples shown but not run here, each with why, and where the other tests
# reach the text.
NOT_RUN = {
    # A signal caught at a given moment of writing "APB": while it is
    # written where it stands (tests/e2e/replacement_test.cc), or between
    # its rename and the end of the run, which no test can time.
    'converter: interrupted; "APB" was written': "a signal",
    'converter: interrupted; "APB" left incomplete': "a signal",
    'trevik: interrupted; "APB" was written': "a signal",
    'trevik: interrupted; "APB" left incomplete': "a signal",
    # An input written to while it is read: tests/e2e/input_test.cc makes
    # the change, tests/core/reading/file_source_test.cc checks the reason.
    'converter: cannot open "in.txt": the file changed while it was read':
        "a race with a writer",
    'trevik: cannot open "in.anf": the file changed while it was read':
        "a race with a writer",
    # A folder that takes no new file from a user who is not root:
    # tests/e2e/replacement_test.cc, up to the reason.
    'converter: "APB" written in place, not replaced: Permission denied':
        "a user other than root",
    'trevik: "APB" written in place, not replaced: Permission denied':
        "a user other than root",
    # A terminal as standard input: tests/e2e/key_wait_test.py.
    KEY_WAIT: "a terminal",
}


def check_lines(root):
    """Every example has a case or a reason not to run, and every line of
    a case or of NOT_RUN is an example of some doc."""
    examples = doc_lines(root)
    covered = {l: str(c) for c in CASES for l in c.shows}
    failures = []
    for line, where in sorted(examples.items(), key=lambda e: e[1]):
        if line not in covered and line not in NOT_RUN:
            failures.append(f"{where}: no case shows {line!r}")
    for line in list(covered) + list(NOT_RUN):
        if line not in examples:
            failures.append(f"no doc shows {line!r} any more; drop it from "
                            "the test")
    if failures:
        raise Failure("\n".join(failures))
    print(f"{len(examples)} examples of standard error: {len(covered)} run "
          f"by {len(CASES)} cases, {len(NOT_RUN)} shown but not run")


def make_files(case, root, work):
    for name, what in case.files.items():
        path = os.path.join(work, name)
        if what is DIRECTORY:
            os.mkdir(path)
        elif isinstance(what, Link):
            os.symlink(what, path)
        else:
            with open(path, "wb") as f:
                f.write(what(root))


def interrupt(command, work, out, err, env, data):
    """Runs command with data through a pipe to its standard input, then
    ends it by SIGTERM with the pipe still open. data is far larger than a
    pipe holds, so once it is written the program is reading its input, past
    setting up what a signal does, and cannot have finished."""
    with subprocess.Popen(command, cwd=work, stdin=subprocess.PIPE,
                          stdout=out, stderr=err, env=env) as process:
        try:
            process.stdin.write(data)
            process.stdin.flush()
        except BrokenPipeError:
            pass  # it ended early: its standard error says why
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=SECONDS)
        finally:
            process.kill()
            process.stdin.close()


def run_case(case, program, root, emulator):
    """The lines of case that its run does not show, with what it showed."""
    with tempfile.TemporaryDirectory() as work:
        make_files(case, root, work)
        # Output goes to files, not pipes: a helper that Wine starts could
        # hold a pipe open long after the program has ended.
        err_path = os.path.join(work, "stderr.log")
        with open(os.devnull, "wb") as out, open(err_path, "wb") as err:
            command = emulator + [os.path.abspath(program)] + case.args
            env = dict(os.environ, **case.env)
            if case.interrupted is None:
                subprocess.run(command, cwd=work, stdin=subprocess.DEVNULL,
                               stdout=out, stderr=err, env=env,
                               timeout=SECONDS)
            else:
                interrupt(command, work, out, err, env, case.interrupted(root))
        with open(err_path, "rb") as f:
            errors = f.read()
    # Windows' standard error may end its lines with CR LF.
    shown = [l.removesuffix(b"\r") for l in errors.split(b"\n")]
    missing = [l for l in case.shows if l.encode("utf-8") not in shown]
    return missing, errors.decode("utf-8", "replace")


def check_runs(name, program, root, emulator):
    if emulator and shutil.which(emulator[0]) is None:
        print(f"skipped: the emulator {emulator[0]!r} is not installed")
        return SKIPPED
    failures = []
    ran = left_out = 0
    for case in CASES:
        if case.program != name:
            continue
        if case.posix and (emulator or os.name != "posix"):
            left_out += 1
            continue
        missing, errors = run_case(case, program, root, emulator)
        ran += 1
        if missing:
            failures.append(f"{case}: standard error lacks "
                            + ", ".join(repr(l) for l in missing)
                            + "; it holds:\n" + errors)
    if failures:
        raise Failure("\n".join(failures))
    print(f"{ran} runs of {name} show their lines"
          + (f"; {left_out} need a POSIX system" if left_out else ""))
    return 0


def main(args):
    try:
        if len(args) == 2 and args[0] == "lines":
            check_lines(args[1])
            return 0
        if (len(args) >= 4 and args[0] == "run"
                and args[1] in ("converter", "trevik")):
            return check_runs(args[1], args[2], args[3], args[4:])
    except Failure as failure:
        print(failure, file=sys.stderr)
        return 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
