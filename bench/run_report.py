"""The tables and verdicts that bench/run prints.

A result is what bench/run measured for one case (a program on one input or
one list of inputs): the samples of every build and of mawk, and medians.
Results come as a dict from case to result, in the order the cases ran; a
case has the fields program, shape ("mixed", "small" or "many"), size (MiB,
None for the many-files cases) and label.
"""
import statistics

MIB = 1 << 20

# Speed and memory targets for the 100 MB inputs: (limit, goal) for wall/mawk and
# for peak memory / input size.
TARGETS = {"converter": {"time": (1.0, 0.5), "memory": (2.5, 2.0)},
           "trevik": {"time": (1.5, 1.0), "memory": (4.0, 3.0)}}
LINEAR = (8.0, 12.0)
# The 1000 MB / 100 MB time ratio may be at most this (ten times the data).
LINEAR_1000 = 10.5

# Targets of the streaming programs: the largest run's peak resident memory
# at 100 MB, at 1000 MB and on many files; the median wall time against
# mawk's at 100 MB and 1000 MB, and on many files.
PEAK_LIMIT_MIB = 64
TIME_PER_MAWK = {"converter": 0.50, "trevik": 1.00}
MANY_FILES_PER_MAWK = 5.0

# Tolerances against --baseline: this build's median / the baseline's median
# may be at most these, for wall time and for peak memory.
BASELINE_TOLERANCE = {"time": 1.10, "memory": 1.02}
# The tolerances of --against-text: the JSON form of the diagnostics may cost
# up to 10 % in time and in memory over the text form.
AGAINST_TEXT_TOLERANCE = {"time": 1.10, "memory": 1.10}

# Runs look bimodal when the slowest is more than this many times the fastest,
# or more than mawk's slowest / fastest in the same run if that is larger
# (mawk shows how noisy the machine was meanwhile).
SPREAD_LIMIT = 1.3


def find(results, program, shape, size):
    """The result of a program on a generated input, or None when not run."""
    for case, result in results.items():
        if (case.program, case.shape, case.size) == (program, shape, size):
            return result
    return None


def with_range(values, scale=1.0, digits=3):
    """The median with the lowest and highest beside it: 0.412 (0.401-0.430)."""
    low, mid, high = (v / scale for v in (min(values), statistics.median(values),
                                          max(values)))
    return f"{mid:.{digits}f} ({low:.{digits}f}-{high:.{digits}f})"


def spread(values):
    return max(values) / min(values)


def spread_verdict(values, mawk_values):
    limit = max(SPREAD_LIMIT, spread(mawk_values))
    return "spread ok" if spread(values) <= limit else "BIMODAL?"


def print_table(header, rows, left=2):
    """Columns as wide as their widest cell; the first `left` (program and
    input) aligned left, the figures right."""
    widths = [max(len(row[i]) for row in [header] + rows) for i in range(len(header))]

    def line(cells):
        return "  ".join(c.ljust(w) if i < left else c.rjust(w)
                         for i, (c, w) in enumerate(zip(cells, widths))).rstrip()
    print(line(header))
    print("-" * len(line(header)))
    for row in rows:
        print(line(row))
    print()


def print_figures(results):
    rows = []
    for case, r in results.items():
        s = r["samples"]
        rows.append([case.program, case.label, with_range(s["this"]["wall"]),
                     with_range(s["mawk"]["wall"]), f"{r['wall'] / r['mawk']:.2f}",
                     with_range(s["this"]["rss"], 1e6, 1),
                     f"{r['rss'] / r['input']:.2f}"])
    print_table(["program", "input", "wall s (min-max)", "mawk s (min-max)",
                 "wall/mawk", "peak RSS MB (min-max)", "RSS/input"], rows)


def line_counts(counts):
    """The standard error lines of a build's runs: one figure when all runs
    wrote as many, else the fewest and the most."""
    low, high = min(counts), max(counts)
    return f"{low}" if low == high else f"{low}-{high} (runs differ)"


def print_stderr_lines(results, names):
    """The lines each build wrote to standard error, per case."""
    rows = [[case.program, case.label] +
            [line_counts(r["samples"][name]["stderr"]) for name in names]
            for case, r in results.items()]
    columns = [f"{name} lines" if len(names) > 1 else "lines" for name in names]
    print("standard error: lines written per run")
    print_table(["program", "input", *columns], rows)


def print_spreads(results, names):
    """Slowest / fastest run of each build and of mawk, and whether each
    build's runs look bimodal."""
    rows = []
    for case, r in results.items():
        s = r["samples"]
        mawk = s["mawk"]["wall"]
        row = [case.program, case.label]
        row += [f"{spread(s[name]['wall']):.2f}" for name in names]
        row += [f"{spread(mawk):.2f}", f"{max(SPREAD_LIMIT, spread(mawk)):.2f}"]
        row += [spread_verdict(s[name]["wall"], mawk) for name in names]
        rows.append(row)
    spreads = [f"{name} spread" if len(names) > 1 else "spread" for name in names]
    verdicts = [f"{name} verdict" if len(names) > 1 else "verdict" for name in names]
    print(f"spread: slowest / fastest wall time; at most max({SPREAD_LIMIT:g}, "
          f"mawk's) counts as one mode")
    print_table(["program", "input", *spreads, "mawk spread", "limit", *verdicts], rows)


def print_baseline(results, name="baseline", heading="against the baseline"):
    """This build against the baseline, whose samples are under name
    ("baseline", or "text" for the text diagnostics of --against-text), under
    heading: medians, ratios, verdict. Returns whether a tolerance was
    missed."""
    t_max, m_max = BASELINE_TOLERANCE["time"], BASELINE_TOLERANCE["memory"]
    failed = False
    rows = []
    for case, r in results.items():
        this, base = r["samples"]["this"], r["samples"][name]
        time_ratio = statistics.median(this["wall"]) / statistics.median(base["wall"])
        memory_ratio = statistics.median(this["rss"]) / statistics.median(base["rss"])
        ok = time_ratio <= t_max and memory_ratio <= m_max
        failed |= not ok
        rows.append([case.program, case.label,
                     f"{statistics.median(this['wall']):.3f}",
                     with_range(base["wall"]), f"{time_ratio:.3f}",
                     f"{statistics.median(this['rss']) / 1e6:.1f}",
                     with_range(base["rss"], 1e6, 1), f"{memory_ratio:.3f}",
                     "met" if ok else "MISSED"])
    print(f"{heading}: this / {name} at most {t_max:g} for wall time "
          f"and {m_max:g} for peak RSS")
    ratio = f"this/{'base' if name == 'baseline' else name}"
    print_table(["program", "input", "wall s", f"{name} wall s (min-max)", ratio,
                 "peak RSS MB", f"{name} RSS MB (min-max)", ratio, "verdict"], rows)
    return failed


def print_over_old(results, names):
    """With --over-old: each build's median over an old "APB" against its
    median into an empty place, beside a bare rename of a file of the same
    size, and the load average when the case ended."""
    rows = []
    for case, r in results.items():
        s = r["samples"]
        row = [case.program, case.label, f"{r['output'] / 1e6:.1f}"]
        for name in names:
            fresh = statistics.median(s[name]["wall"]) * 1e3
            over = statistics.median(s[f"{name} over old"]["wall"]) * 1e3
            row += [f"{fresh:.1f}", f"{over:.1f}", f"{over - fresh:+.1f}"]
        row += [with_range(s["rename"]["wall"], 1e-3, 1), r["load"]]
        rows.append(row)
    header = ["program", "input", "APB MB"]
    for name in names:
        prefix = f"{name} " if len(names) > 1 else ""
        header += [f"{prefix}new ms", f"{prefix}over old ms", f"{prefix}extra ms"]
    print('over an old "APB": median wall time into an empty place (new) and '
          'over the last run\'s "APB" (over old), a sync before each; extra = '
          'over old - new; a bare rename of a new file over an old one of the '
          'same size; the load average at the end of the case')
    print_table(header + ["bare rename ms (min-max)", "load average"], rows)


def growth_line(results, program, shape, large, small):
    """The large / small time ratio of a program, with mawk's beside it, and
    for 1000 MB / 100 MB the verdict on LINEAR_1000. Returns (text, missed)."""
    big, little = find(results, program, shape, large), find(results, program,
                                                               shape, small)
    ratio = big["wall"] / little["wall"]
    mawk_ratio = big["mawk"] / little["mawk"]
    text = (f"{program:<10} {shape:<6} {large} MB / {small} MB time ratio: "
            f"{ratio:5.2f}   (mawk on the same files: {mawk_ratio:5.2f})")
    if (large, small) != (1000, 100):
        return text, False
    ok = ratio <= LINEAR_1000
    return text + f"   at most {LINEAR_1000:g}: {'met' if ok else 'MISSED'}", not ok


def print_growth(results, sizes, shapes, programs):
    """Largest / smallest size, and 1000 / 100 MB when both were run.
    Returns whether the 1000 / 100 MB ratio was missed."""
    if not sizes:
        return False
    large, small = max(sizes), min(sizes)
    pairs = [(large, small)] if large != small else []
    if 100 in sizes and 1000 in sizes and (large, small) != (1000, 100):
        pairs.append((1000, 100))
    failed = False
    for pair in pairs:
        for shape in shapes:
            for program in programs:
                text, missed = growth_line(results, program, shape, *pair)
                failed |= missed
                print(text)
        print()
    return failed


def print_ratio_targets(results, sizes, shapes, programs):
    """The speed and memory ratio targets on the 100 MB inputs; returns
    whether one was missed."""
    print("targets (100 MB inputs; limit / goal):")
    failed = False

    def verdict(value, limit, goal):
        return "goal met" if value <= goal else "met" if value <= limit else "MISSED"
    for shape in shapes:
        for program in programs:
            r = find(results, program, shape, 100)
            t_limit, t_goal = TARGETS[program]["time"]
            m_limit, m_goal = TARGETS[program]["memory"]
            time_ratio = r["wall"] / r["mawk"]
            memory_ratio = r["rss"] / r["input"]
            t = verdict(time_ratio, t_limit, t_goal)
            m = verdict(memory_ratio, m_limit, m_goal)
            failed |= "MISSED" in (t, m)
            print(f"  {program:<10} {shape:<6} wall/mawk {time_ratio:5.2f} <= "
                  f"{t_limit} / {t_goal}: {t:<8}  RSS/input {memory_ratio:5.2f} "
                  f"<= {m_limit} / {m_goal}: {m}")
            if 10 in sizes:
                lin = r["wall"] / find(results, program, shape, 10)["wall"]
                ok = LINEAR[0] <= lin <= LINEAR[1]
                failed |= not ok
                print(f"  {'':<17} 100 MB / 10 MB time ratio {lin:5.2f} in "
                      f"[{LINEAR[0]:g}, {LINEAR[1]:g}]: {'met' if ok else 'MISSED'}")
    print()
    return failed


def target_row(figure, shape, target, value, limit, unit=""):
    """One row of the targets table: value None when the figure was not
    measured in this run."""
    if value is None:
        return [figure, shape, target, "-", "not run"]
    return [figure, shape, target, f"{value:.2f}{unit}",
            "met" if value <= limit else "MISSED"]


def peak_mib(result):
    return None if result is None else max(result["samples"]["this"]["rss"]) / MIB


def per_mawk(result):
    return None if result is None else result["wall"] / result["mawk"]


def growth(results, program, shape):
    big, little = (find(results, program, shape, size) for size in (1000, 100))
    return None if big is None or little is None else big["wall"] / little["wall"]


def print_target_table(results, shapes, programs, many_cases):
    """Every target of the streaming programs with its verdict, "not run"
    for those this run did not measure. Returns whether one was missed."""
    rows = []
    limit = f"<= {PEAK_LIMIT_MIB} MiB"
    for program in programs:
        for size in (100, 1000):
            for shape in shapes:
                rows.append(target_row(f"peak memory, {program}, {size} MB", shape,
                                       limit, peak_mib(find(results, program, shape,
                                                            size)),
                                       PEAK_LIMIT_MIB, " MiB"))
    for case in many_cases:
        r = results.get(case)
        rows.append(target_row(f"trevik, {case.label}: time / mawk", "-",
                               f"<= {MANY_FILES_PER_MAWK:g}", per_mawk(r),
                               MANY_FILES_PER_MAWK))
        rows.append(target_row(f"trevik, {case.label}: peak memory", "-", limit,
                               peak_mib(r), PEAK_LIMIT_MIB, " MiB"))
    for program in programs:
        for size in (100, 1000):
            for shape in shapes:
                rows.append(target_row(
                    f"{program} time / mawk, {size} MB", shape,
                    f"<= {TIME_PER_MAWK[program]:.2f}",
                    per_mawk(find(results, program, shape, size)),
                    TIME_PER_MAWK[program]))
    for program in programs:
        for shape in shapes:
            rows.append(target_row(f"{program} 1000 MB time / 100 MB time", shape,
                                   f"<= {LINEAR_1000:g}",
                                   growth(results, program, shape), LINEAR_1000))
    print("targets of the streaming programs (peak memory: the largest run's; "
          "times: medians)")
    print_table(["figure", "shape", "target", "value", "verdict"], rows, left=3)
    return any(row[-1] == "MISSED" for row in rows)
