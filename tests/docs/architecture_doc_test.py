#!/usr/bin/env python3
"""ARCHITECTURE.md names only what exists: every path it gives, in backticks or
as plain text (a word with a "/" in it), is a file or folder of the
repository, and a name with "*" matches one; a bare file name (a word with an
extension we use, named under its folder) is the name of a file somewhere in
the repository.

usage: architecture_doc_test.py ROOT

Exit code 0 when every name exists, 1 (after listing the others) otherwise.
"""
import glob
import os
import re
import subprocess
import sys

PATH = re.compile(r"(?<![\w/.:-])((?:[\w.-]+/)+[\w.*-]*|[\w-]+\.(?:h|cc|md|py|cmake|txt))"
                  r"(?![\w/-])")
# Words with a "/" that are not paths.
NOT_PATHS = {"Windows/POSIX", "and/or", "AIRPORT1/2"}


def main():
    root = sys.argv[1]
    with open(os.path.join(root, "ARCHITECTURE.md"), encoding="utf-8") as doc:
        text = doc.read()
    tracked = subprocess.run(["git", "-C", root, "ls-files"], check=True,
                             capture_output=True, text=True).stdout.split()
    basenames = {os.path.basename(path) for path in tracked}
    missing = []
    for number, line in enumerate(text.splitlines(), start=1):
        for name in PATH.findall(line):
            name = name.rstrip(".")
            if name in NOT_PATHS or "://" in line:
                continue
            full = os.path.join(root, name)
            if "/" not in name:
                found = name in basenames
            elif "*" in name:
                found = glob.glob(full)
            else:
                found = os.path.exists(full)
            if not found:
                missing.append(f"ARCHITECTURE.md:{number}: {name} does not exist")
    for line in missing:
        print(line)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
