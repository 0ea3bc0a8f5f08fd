"""The end-to-end cases of tests/cases: read them, lay out their files, run one.

Standard library only, so that any test or script can import it. The format
is described in README.md beside this file; tests/e2e/cases_support.cc reads
the same files by the same rules.
"""
import os
import re
import subprocess
from dataclasses import dataclass, field

# The "APB" of an earlier run that every case starts with; a run that must not
# write it leaves these bytes. The C++ tests hold the same constant.
OLD_APB = b"old output\r\n"
OUTPUT = b"APB"
TIMEOUT_SECONDS = 120

_KEYS = {"about", "program", "arg", "file", "dir", "part", "stdin", "exit",
         "output", "posix-only"}


class CaseError(Exception):
    """A case file that breaks the format."""


@dataclass
class Case:
    name: str
    about: str = ""
    program: str = ""
    args: list = field(default_factory=list)    # bytes each
    files: list = field(default_factory=list)   # (name bytes, content bytes)
    dirs: list = field(default_factory=list)    # folder names, bytes
    stdin: bytes = None        # None: standard input is the null device
    exit: int = None
    stdout: bytes = b""
    stderr: bytes = b""
    apb: bytes = None          # None: the output must hold what it held
    output: bytes = OUTPUT     # the file the run writes
    posix_only: bool = False   # its file names cannot exist on Windows


def unescape(text):
    """The bytes of TEXT with its \\xHH and \\\\ escapes replaced."""
    raw = text.encode("utf-8")
    out = bytearray()
    at = 0
    while at < len(raw):
        if raw[at:at + 1] != b"\\":
            out += raw[at:at + 1]
            at += 1
        elif raw[at + 1:at + 2] == b"\\":
            out += b"\\"
            at += 2
        elif re.fullmatch(rb"x[0-9a-fA-F]{2}", raw[at + 1:at + 4]):
            out.append(int(raw[at + 2:at + 4], 16))
            at += 4
        else:
            raise CaseError(f"a backslash that escapes nothing in {text!r}")
    return bytes(out)


def _read(path):
    with open(path, "rb") as f:
        return f.read()


def _read_if_present(path, missing=b""):
    return _read(path) if os.path.exists(path) else missing


def read_case(directory, examples):
    """The case of one directory; examples is the repository's examples/."""
    case = Case(name=os.path.basename(os.path.normpath(directory)))
    target = None  # the bytearray the next part lines append to

    def part_bytes(source, count):
        if source.startswith("examples/"):
            path = os.path.join(examples, source[len("examples/"):])
        else:
            path = os.path.join(directory, source)
        return _read(path) * count

    with open(os.path.join(directory, "case"), encoding="utf-8") as f:
        lines = f.read().split("\n")
    contents = []
    for number, line in enumerate(lines, 1):
        line = line.rstrip("\r")
        if not line.strip() or line.startswith("#"):
            continue
        key, _, value = line.partition(" ")
        where = f"{case.name}/case:{number}"
        if key not in _KEYS:
            raise CaseError(f"{where}: unknown key {key!r}")
        if key == "part":
            if target is None:
                raise CaseError(f"{where}: a part before any file or stdin")
            words = value.split()
            if len(words) not in (1, 2) or (len(words) == 2 and
                                            not words[1].isdigit()):
                raise CaseError(f"{where}: part SOURCE [COUNT]")
            count = int(words[1]) if len(words) == 2 else 1
            target += part_bytes(words[0], count)
            continue
        target = None
        if key == "about":
            case.about = value
        elif key == "program":
            case.program = value
        elif key == "arg":
            case.args.append(unescape(value))
        elif key == "file":
            target = bytearray()
            contents.append((unescape(value), target))
        elif key == "dir":
            case.dirs.append(unescape(value))
        elif key == "stdin":
            target = bytearray()
            case.stdin = target
        elif key == "exit":
            case.exit = int(value)
        elif key == "output":
            case.output = unescape(value)
        elif key == "posix-only":
            case.posix_only = True
    if case.program not in ("converter", "trevik"):
        raise CaseError(f"{case.name}: program converter|trevik is missing")
    case.files = [(name, bytes(data)) for name, data in contents]
    if case.stdin is not None:
        case.stdin = bytes(case.stdin)
    case.stdout = _read_if_present(os.path.join(directory, "stdout"))
    case.stderr = _read_if_present(os.path.join(directory, "stderr"))
    case.apb = _read_if_present(os.path.join(directory, "apb"), None)
    return case


def case_dirs(root):
    """The case folders under root, sorted by name."""
    return sorted(os.path.join(root, name) for name in os.listdir(root)
                  if os.path.isfile(os.path.join(root, name, "case")))


def load_all(root, examples=None):
    """Every case under root (tests/cases), sorted by name."""
    if examples is None:
        examples = os.path.join(root, os.pardir, os.pardir, "examples")
    return [read_case(d, examples) for d in case_dirs(root)]


def materialize(case, directory):
    """Writes the old "APB", the case's folders and files into directory."""
    base = os.fsencode(directory)
    with open(os.path.join(base, OUTPUT), "wb") as f:
        f.write(OLD_APB)
    for name in case.dirs:
        os.makedirs(os.path.join(base, name), exist_ok=True)
    for name, content in case.files:
        with open(os.path.join(base, name), "wb") as f:
            f.write(content)


def before(case):
    """What the output file holds before the run (None: it does not exist)."""
    held = {OUTPUT: OLD_APB}
    held.update(case.files)
    return held.get(case.output)


def files_made(case, directory):
    """Paths (bytes, relative, with "/") under directory that the run made:
    neither laid out by materialize nor the output file."""
    laid_out = {OUTPUT, case.output} | set(case.dirs)
    laid_out |= {name for name, _ in case.files}
    base = os.fsencode(directory)
    made = []
    for parent, folders, files in os.walk(base):
        for name in folders + files:
            path = os.path.relpath(os.path.join(parent, name), base)
            path = path.replace(os.sep.encode(), b"/")
            if path not in laid_out:
                made.append(path)
    return sorted(made)


def run(case, exe, directory, extra_args_first=()):
    """Runs exe on the case in directory (laid out by materialize), with
    extra_args_first before the case's arguments, standard input from its
    stdin parts or the null device, never a terminal. Returns (exit code,
    standard output, standard error), as bytes. Raises
    subprocess.TimeoutExpired, the program killed, after TIMEOUT_SECONDS.
    On Windows the programs' standard streams are text, so each line feed
    arrives as CR LF: turn those back into LF before comparing."""
    args = [os.fsencode(exe)] + [os.fsencode(a) for a in extra_args_first]
    args += case.args
    if case.stdin is None:
        given = {"stdin": subprocess.DEVNULL}
    else:
        given = {"input": case.stdin}
    done = subprocess.run(args, cwd=directory, **given,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=TIMEOUT_SECONDS)
    return done.returncode, done.stdout, done.stderr
