"""Timing and memory of one program run, and the machine's state, for bench/run.

Everything here keeps this Python process small: a program started from it
reports this process's peak resident memory as the floor of its own (see
measure()).
"""
import os
import subprocess
import sys
import time

MIB = 1 << 20


def measure(argv, cwd, stderr_path=None):
    """Runs argv in cwd with stdin and stdout on the null device and, when
    stderr_path is given, standard error into that file (made empty first);
    returns (wall seconds, peak resident bytes, exit code). The program is started
    with posix_spawn, which does not copy this Python process as fork()
    does: that copy costs 2 to 3 ms on a virtual machine, all of it counted
    as the program's time, where posix_spawn takes under 1 ms (from the
    start of the call to the end of /bin/true). The child shares this
    process's memory until it calls exec, and Linux counts that memory into
    the child's peak: no figure comes out below this process's own peak
    (about 16 MB), so the smallest inputs' peaks say little."""
    here = os.getcwd()
    os.chdir(cwd)  # the child starts where its parent is
    try:
        actions = [(os.POSIX_SPAWN_OPEN, 0, os.devnull, os.O_RDONLY, 0),
                   (os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0)]
        if stderr_path:
            actions.append((os.POSIX_SPAWN_OPEN, 2, stderr_path,
                            os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644))
        start = time.perf_counter()
        pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=actions)
        _, status, usage = os.wait4(pid, 0)
        wall = time.perf_counter() - start
    finally:
        os.chdir(here)
    # ru_maxrss is in KiB on Linux (bytes on macOS).
    scale = 1 if sys.platform == "darwin" else 1024
    return wall, usage.ru_maxrss * scale, os.waitstatus_to_exitcode(status)


def measure_checked(name, argv, run_dir, stderr_path=None):
    """measure() that stops the benchmark when the program fails, naming
    the run (name) and showing the end of its standard error."""
    wall, peak, code = measure(argv, run_dir, stderr_path)
    if code != 0:
        sys.stdout.flush()
        sys.exit(f"{name} exited with {code}" + stderr_tail(stderr_path))
    return wall, peak


def stderr_tail(path, lines=10):
    """The last lines of a standard error file, as text to append to a
    message; empty without one."""
    if not path:
        return ""
    try:
        with open(path, "rb") as f:
            f.seek(max(0, os.path.getsize(path) - 4096))
            tail = f.read().decode("utf-8", "replace").splitlines()[-lines:]
    except OSError:
        return ""
    return "".join(f"\n  {line}" for line in [f"standard error ({path}):"] + tail)


def count_lines(path):
    """Line feeds in the file, plus one for an unterminated last line. Read in
    small blocks: this process's memory counts into every later run's peak
    (see measure())."""
    count, last = 0, b"\n"
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 16), b""):
            count += block.count(b"\n")
            last = block[-1:]
    return count + (last != b"\n")


def remove_output(run_dir):
    """Removes the last run's "APB", untimed, so that the next timed run
    writes into an empty place. Over an existing "APB", the program's
    rename of its new file over the old one does more: ext4 starts writing
    the new file's data back before the rename returns (auto_da_alloc), and
    the old file's blocks and cached pages are freed. That is the file
    system's work and the previous run's, not this conversion's; --over-old
    measures it."""
    try:
        os.remove(os.path.join(run_dir, "APB"))
    except FileNotFoundError:
        pass


def write_file(path, size):
    """A file of size bytes, written in 1 MiB blocks (not synced)."""
    block = b"0123456789ABCDE\n" * (MIB // 16)
    with open(path, "wb") as f:
        left = size
        while left > 0:
            f.write(block[:min(left, len(block))])
            left -= len(block)


def time_rename(run_dir, size):
    """Seconds that a bare rename takes to put a new file of size bytes over
    an old one of the same size, as a program's last step does: the old file
    is written and synced, the new one written but not synced (the programs
    do not sync "APB"), and only os.rename is timed. Both files are gone
    afterwards."""
    old = os.path.join(run_dir, "rename-old.tmp")
    new = os.path.join(run_dir, "rename-new.tmp")
    write_file(old, size)
    os.sync()
    write_file(new, size)
    start = time.perf_counter()
    os.rename(new, old)
    seconds = time.perf_counter() - start
    os.remove(old)
    return seconds


SHA256_PROGRAM = """import hashlib, sys
digest = hashlib.sha256()
with open(sys.argv[1], "rb") as f:
    for block in iter(lambda: f.read(1 << 20), b""):
        digest.update(block)
print(digest.hexdigest())"""


def sha256_of(path):
    """The file's SHA-256, computed by a child Python: hashlib here would load
    OpenSSL into this process and raise its peak memory by some 4 MB, which
    every program started afterwards reports as its own (see measure())."""
    return subprocess.run([sys.executable, "-c", SHA256_PROGRAM, path], check=True,
                          capture_output=True, text=True).stdout.strip()


def load_average():
    try:
        with open("/proc/loadavg") as f:
            return " ".join(f.read().split()[:3])
    except OSError:
        return "unknown"


def busy_processes():
    """Other processes using CPU right now (from ps), to judge the noise."""
    try:
        out = subprocess.run(["ps", "-eo", "pcpu,comm", "--sort=-pcpu"],
                             capture_output=True, text=True).stdout
    except OSError:
        return []
    busy = []
    for line in out.splitlines()[1:]:
        cpu, _, name = line.strip().partition(" ")
        try:
            if float(cpu) >= 20 and name.strip() not in ("ps", "python3"):
                busy.append(f"{name.strip()} {cpu}%")
        except ValueError:
            pass
    return busy
