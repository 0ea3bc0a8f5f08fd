#!/usr/bin/env python3
"""Runs both programs on every case of tests/cases in both forms of the
diagnostics, and checks that the JSON form says what the text form says.

Every line of the JSON form must be UTF-8 and one JSON object that a strict
parser takes and that docs/diagnostics.schema.json allows. The text form,
made again from the objects (the findings of each file, the "N more KIND not
shown" lines from the summary's counts, the summary, the errors, notices,
usage and outcome), must be the text form's own standard error, where bytes
that are not UTF-8 are compared as the JSON form shows them. Exit code,
standard output and the output file are the same in both forms; the outcome
object comes last and holds the exit code.

usage: diagnostics_json_test.py CONVERTER TREVIK CASES SCHEMA [EMULATOR...]
"""
import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), os.pardir, "cases"))
import cases  # noqa: E402

# How the text form names a kind in its "N more KIND not shown" line.
PLURALS = {
    "left-out": "airports left out",
    "key": "keys out of place",
    "two-word-header": 'two-word "ANF" lines',
    "count": "obstacle counts",
    "short-obstacle": "short obstacle lines",
    "number": "numbers read as 0",
    "text-after": "numbers with text after them",
    "out-of-range": "numbers out of range",
    "unread": "runs of lines that no airport reads",
}
SHOWN_PER_KIND = 50


def shown_as_json(data):
    """bytes as a JSON string shows them: well-formed UTF-8 as it is, any
    other byte as U+FFFD, one each."""
    out = []
    at = 0
    while at < len(data):
        for length in (1, 2, 3, 4):
            piece = data[at:at + length]
            try:
                piece.decode("utf-8", errors="strict")
            except UnicodeDecodeError:
                continue
            out.append(piece)
            at += length
            break
        else:
            out.append("\ufffd".encode())
            at += 1
    return b"".join(out)


def raw(obj, name):
    """The bytes of a text member: from NAME_hex when given."""
    if name + "_hex" in obj:
        data = bytes.fromhex(obj[name + "_hex"])
        if shown_as_json(data) != obj[name].encode():
            raise AssertionError(f"{name} does not show {name}_hex: {obj}")
        return data
    return obj[name].encode()


def parse_lines(stderr):
    """The objects of standard error; each line is checked as it is read."""
    objects = []
    for line in stderr.split(b"\n")[:-1]:
        text = line.decode("utf-8", errors="strict")

        def refuse(constant):
            raise ValueError(f"not JSON: {constant}")
        obj = json.loads(text, parse_constant=refuse)
        if not isinstance(obj, dict):
            raise AssertionError(f"not an object: {text}")
        objects.append(obj)
    if stderr and not stderr.endswith(b"\n"):
        raise AssertionError("standard error does not end with a line feed")
    return objects


def text_form(objects):
    """The text form's standard error, made again from the objects."""
    lines = []
    summary = next((o for o in objects if o["type"] == "summary"), None)
    shown = {}  # (file, kind): findings listed
    pending = []  # files whose findings are listed, before their more lines

    def more_lines(file):
        for entry in summary["files"] if summary else []:
            if raw(entry, "file") != file:
                continue
            for kind, count in entry["findings"].items():
                hidden = count - shown.get((file, kind), 0)
                if hidden > 0:
                    if shown.get((file, kind), 0) != SHOWN_PER_KIND:
                        raise AssertionError(f"{kind}: {hidden} not shown")
                    lines.append(b"%s:%s: %d more %s not shown" % (
                        program, file, hidden, PLURALS[kind].encode()))

    def flush():
        while pending:
            more_lines(pending.pop(0))

    for obj in objects:
        program = obj["program"].encode()
        kind = obj["type"]
        if kind == "finding":
            file = raw(obj, "file")
            if not pending or pending[-1] != file:
                flush()
                pending.append(file)
            shown[(file, obj["kind"])] = shown.get((file, obj["kind"]), 0) + 1
            where = b"" if obj["line"] is None else b":%d" % obj["line"]
            lines.append(b"%s:%s%s: %s" % (program, file, where,
                                           obj["message"].encode()))
            continue
        flush()
        if kind == "usage":
            message = obj["message"].encode()
            if not message.startswith(b"usage: "):
                message = program + b": " + message
            lines += [message, obj["hint"].encode()]
        elif kind in ("summary", "error", "notice"):
            lines.append(program + b": " + obj["message"].encode())
        elif kind == "outcome":
            if "message" in obj:
                lines.append(program + b": " + obj["message"].encode())
        elif kind == "prompt":
            lines.append(obj["message"].encode())
        else:
            raise AssertionError(f"unexpected object {obj}")
    return b"".join(line + b"\n" for line in lines)


def check_order(objects, exit_code):
    """One outcome, the last object, with the exit code; the summary comes
    after every finding."""
    if not objects:
        return  # --help and --version say nothing on standard error
    outcomes = [k for k, o in enumerate(objects) if o["type"] == "outcome"]
    if outcomes != [len(objects) - 1]:
        raise AssertionError(f"the outcome is not the one last object")
    if objects[-1]["exit_code"] != exit_code:
        raise AssertionError(f"outcome {objects[-1]} but exit code {exit_code}")
    kinds = [o["type"] for o in objects]
    if "summary" in kinds and "finding" in kinds[kinds.index("summary"):]:
        raise AssertionError("a finding after the summary")


def run_both(case, command, work):
    """[(exit code, standard output, standard error, output file bytes or
    None)] of the text form's run and the JSON form's."""
    runs = []
    for extra in ([], ["--diagnostics=json"]):
        directory = tempfile.mkdtemp(dir=work)
        cases.materialize(case, directory)
        args = [os.fsencode(a) for a in command + extra] + case.args
        given = ({"stdin": subprocess.DEVNULL} if case.stdin is None
                 else {"input": case.stdin})
        done = subprocess.run(args, cwd=directory, **given,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=cases.TIMEOUT_SECONDS)
        # Windows programs write text streams: each line feed as CR LF.
        out = done.stdout.replace(b"\r\n", b"\n")
        err = done.stderr.replace(b"\r\n", b"\n")
        path = os.path.join(os.fsencode(directory), case.output)
        output = None
        if os.path.isfile(path):
            with open(path, "rb") as f:
                output = f.read()
        runs.append((done.returncode, out, err, output))
    return runs


def doc_objects(root):
    """(where, object) of every JSON object line that the docs show: the
    lines of README.md's and docs/formats.md's blocks that begin with "{"."""
    found = []
    for doc in ("README.md", os.path.join("docs", "formats.md")):
        with open(os.path.join(root, doc), encoding="utf-8") as f:
            lines = f.read().split("\n")
        fenced = False
        for number, line in enumerate(lines, 1):
            if line.startswith("```"):
                fenced = not fenced
            elif fenced and line.startswith("{"):
                found.append((f"{doc}:{number}", json.loads(line)))
    return found


def main():
    if len(sys.argv) < 5:
        print(__doc__)
        return 2
    exes = {"converter": sys.argv[1], "trevik": sys.argv[2]}
    root, schema_path = sys.argv[3], sys.argv[4]
    emulator = sys.argv[5:]
    try:
        import jsonschema
    except ImportError:
        print("python3-jsonschema is needed: apt-get install python3-jsonschema")
        return 1
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    validator_class = jsonschema.validators.validator_for(schema)
    validator_class.check_schema(schema)
    validator = validator_class(schema)
    failures = 0
    checked = 0
    repository = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                              os.pardir, os.pardir)
    for where, obj in doc_objects(repository):
        for error in validator.iter_errors(obj):
            failures += 1
            print(f"{where}: {error.message}")
    with tempfile.TemporaryDirectory() as work:
        for case in cases.load_all(root):
            if case.posix_only and (os.name == "nt" or emulator):
                continue
            if any(arg.startswith(b"--diagnostics") for arg in case.args):
                continue  # a case of one form: its files hold what it says
            try:
                (code, out, err, output), (jcode, jout, jerr, joutput) = \
                    run_both(case, emulator + [exes[case.program]], work)
                if (jcode, jout, joutput) != (code, out, output):
                    raise AssertionError("exit code, standard output or the "
                                         "output file differ")
                objects = parse_lines(jerr)
                for obj in objects:
                    errors = sorted(validator.iter_errors(obj), key=str)
                    if errors:
                        raise AssertionError(f"{obj}: {errors[0].message}")
                check_order(objects, jcode)
                if shown_as_json(text_form(objects)) != shown_as_json(err):
                    raise AssertionError(
                        "the two forms differ:\n--- text\n%s\n--- from JSON\n%s"
                        % (err.decode(errors="replace"),
                           text_form(objects).decode(errors="replace")))
                checked += 1
            except Exception as error:  # noqa: BLE001: report every case
                failures += 1
                print(f"{case.name}: {error}")
    print(f"{checked} cases agree in both forms; {failures} do not")
    return 1 if failures or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
