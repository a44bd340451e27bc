#!/usr/bin/env python3
"""The figures of bench/RESULTS.md, from the raw measurements of one bench/run call.

    bench/stats.py RAW

RAW holds one line per measured run: SCENARIO SIDE VALUE... (bench/run writes it; column 3 is
the wall time in ms, column 4 the peak memory in KiB where there is one). Prints one figure a
line, "KEY<TAB>VALUE":

    median|max|values SCENARIO SIDE COLUMN    for every scenario, side and column in RAW
    GOAL goal|a|b|ratio|spread|fast|result|misses    for every goal below (and "GOAL median" for P6)

The numbers are printed as bench/run printed them with awk before, so that results of old and
new calls read alike: a median of an odd count is the measured text itself, of an even count
awk's "%.6g"; ratios have two decimals.
"""
import math
import re
import sys

# The goals: id, kind, scenario, side A, side B, goal. "time": the ratio of the medians of the
# wall times, its per-round spread and its "fast" rounds (goal "-": measured for the record,
# no goal); "memory": the largest peak of side A against the median peak of side B; "peak":
# the largest peak of side A in MiB against the goal itself, side B's median peak beside it;
# "gap": the largest value of side A against the goal itself.
# W1 and W2 run in rounds of four: A the program under Xvfb (click to completion line), B the
# peer, C `trevalon --run` of the same profile, O the window offscreen; W4 is their C against B.
# X: A `--run` only-newer on tree X, B rsync -a, C `--run` only-newer on tree K; XC: copy-all.
GOALS = [
    ("P1", "time", "P1", "A", "B", "0.8"),
    ("P2", "time", "P2", "A", "B", "1.05"),
    ("P3", "time", "P3", "A", "B", "0.5"),
    ("P3x", "time", "P3", "D", "A", "1.1"),
    ("P4", "time", "P4", "A", "B", "1.0"),
    ("P5", "time", "P5", "A", "B", "11"),
    ("P5u", "time", "P3", "A", "C", "11"),
    ("P5mem", "memory", "P3", "A", "B", "3"),
    ("P5memcopy", "memory", "P5", "A", "P3:B", "3"),
    ("P6", "gap", "P6", "W", "", "100"),
    ("W1", "time", "W1", "A", "B", "0.8"),
    ("W1o", "time", "W1", "O", "B", "0.8"),
    ("W1c", "time", "W1", "A", "C", "1.1"),
    ("W2", "time", "W2", "A", "B", "0.5"),
    ("W2o", "time", "W2", "O", "B", "0.5"),
    ("W2c", "time", "W2", "A", "C", "1.1"),
    ("W3S", "time", "W3S", "A", "B", "0.4"),
    ("W3K", "time", "W3K", "A", "B", "0.4"),
    ("W4S", "time", "W1", "C", "B", "0.8"),
    ("W4K", "time", "W2", "C", "B", "0.5"),
    ("X", "time", "X", "A", "B", "0.5"),
    ("Xg", "time", "X", "A", "C", "11"),
    ("XC", "time", "XC", "A", "B", "-"),
    ("Xmem", "peak", "X", "A", "B", "64"),
    ("Xmemcopy", "peak", "XC", "A", "B", "64"),
]

# A number as awk reads one: leading blanks, then the longest numeric prefix; nothing is 0.
NUMBER_PREFIX = re.compile(r"\s*[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?")
NUMBER_WHOLE = re.compile(r"\s*[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?\s*$")


def num(text):
    m = NUMBER_PREFIX.match(text)
    return float(m.group(0)) if m else 0.0


def is_num(text):
    return NUMBER_WHOLE.match(text) is not None


def greater(text, limit):
    """awk's `text > limit` for a field: numeric when it looks like a number, else as strings."""
    return num(text) > limit if is_num(text) else text > repr(limit)


def awk_str(x):
    """A computed number as awk's print shows it (integers whole, else OFMT "%.6g")."""
    if x == math.floor(x) and abs(x) < 1e16:
        return str(int(x))
    return "%.6g" % x


def sort_g(tokens):
    """The order of `sort -g`: what is no number first, then by value, ties by their bytes."""
    def key(t):
        m = NUMBER_PREFIX.match(t)
        return (0, 0.0, t.encode()) if m is None else (1, float(m.group(0)), t.encode())
    return sorted(tokens, key=key)


class Raw:
    def __init__(self, lines):
        self.rows = [line.split() for line in lines]
        self.rows = [r for r in self.rows if len(r) >= 2]

    def column(self, scenario, side, col):
        # A line too short for the column gives an empty value, as awk's missing field does.
        return [r[col - 1] if len(r) >= col else "" for r in self.rows if r[0] == scenario and r[1] == side]

    def median(self, scenario, side, col):
        v = sort_g(self.column(scenario, side, col))
        n = len(v)
        if n == 0:
            return "-"
        if n % 2:
            return v[n // 2]
        return awk_str((num(v[n // 2 - 1]) + num(v[n // 2])) / 2)

    def maximum(self, scenario, side, col):
        v = sort_g(self.column(scenario, side, col))
        return v[-1] if v else ""

    def values(self, scenario, side, col):
        return ", ".join(self.column(scenario, side, col))

    def rounds(self, scenario, a, b):
        x = self.column(scenario, a, 3)
        y = self.column(scenario, b, 3)
        return x, y, min(len(x), len(y))

    def spread(self, scenario, a="A", b="B"):
        """The lowest and highest ratio A_i / B_i of the rounds: "0.83 to 1.30"."""
        x, y, n = self.rounds(scenario, a, b)
        lo = hi = 0.0
        for i in range(n):
            if greater(y[i], 0):
                r = num(x[i]) / num(y[i])
                if not lo or r < lo:
                    lo = r
                if r > hi:
                    hi = r
        return "%.2f to %.2f" % (lo, hi) if lo else "-"

    def fast_ratio(self, scenario, a="A", b="B"):
        """The median ratio of the rounds in which the peer ran at most 1.5 times its fastest
        run, and their count: "1.17 (2 rounds)". A peer several times slower in some rounds
        was caught in a slow phase of the file system."""
        x, y, n = self.rounds(scenario, a, b)
        lo = 0.0
        for t in y:
            if not lo or num(t) < lo:
                lo = num(t)
        r = sorted(num(x[i]) / num(y[i]) for i in range(n) if greater(y[i], 0) and num(y[i]) <= 1.5 * lo)
        m = len(r)
        if m == 0:
            return "-"
        med = r[m // 2] if m % 2 else (r[m // 2 - 1] + r[m // 2]) / 2
        return "%.2f (%d round%s)" % (med, m, "" if m == 1 else "s")


def ratio(a, b):
    if a in ("-", "") or b in ("-", "") or num(b) == 0:
        return "-"
    return "%.2f" % (num(a) / num(b))


def not_met(value, goal):
    return value not in ("-", "") and goal != "-" and num(value) > num(goal)


def verdict(value, goal):
    """"met (x % below the goal)" or "**NOT met** (x % above the goal)"."""
    if value in ("-", ""):
        return "not measured"
    if goal == "-":
        return "no goal"
    v, g = num(value), num(goal)
    if v <= g:
        return "met (%.0f %% below the goal)" % ((g - v) / g * 100)
    return "**NOT met** (%.0f %% above the goal)" % ((v - g) / g * 100)


def verdict_spread(value, goal, spread, fast):
    """The verdict, and where single rounds, or the rounds in which the peer ran at its usual
    speed, missed a goal the median met."""
    text = verdict(value, goal)
    parts = spread.split(" to ")
    if text.startswith("met") and len(parts) == 2 and num(parts[1]) > num(goal):
        text += "; single rounds up to " + parts[1]
        first = fast.split(" ")[0]
        if first != "-" and num(first) > num(goal):
            text += ", and **not met** where the peer ran at its usual speed: " + fast
    return text


def goal_figures(raw, ident, kind, scenario, a, b, goal):
    out = {"goal": goal}
    if kind == "time":
        fa, fb = raw.median(scenario, a, 3), raw.median(scenario, b, 3)
        r, spread, fast = ratio(fa, fb), raw.spread(scenario, a, b), raw.fast_ratio(scenario, a, b)
        out.update(a=fa, b=fb, ratio=r, spread=spread, fast=fast,
                   result=verdict_spread(r, goal, spread, fast),
                   misses=int(not_met(r, goal) or not_met(fast.split(" ")[0], goal)))
    elif kind == "memory":
        peer_scenario, peer_side = b.split(":") if ":" in b else (scenario, b)
        fa, fb = raw.maximum(scenario, a, 4), raw.median(peer_scenario, peer_side, 4)
        r = ratio(fa or "-", fb)
        out.update(a=fa, b=fb, ratio=r, spread="-", fast="-", result=verdict(r, goal),
                   misses=int(fa != "" and not_met(r, goal)))
    elif kind == "peak":
        fa, fb = raw.maximum(scenario, a, 4), raw.median(scenario, b, 4)
        mib = "%.1f" % (num(fa) / 1024) if fa not in ("", "-") else "-"
        out.update(a=fa, b=fb, mib=mib, ratio="-", spread="-", fast="-", result=verdict(mib, goal),
                   misses=int(not_met(mib, goal)))
    else:
        fa = raw.maximum(scenario, a, 3)
        out.update(a=fa, median=raw.median(scenario, a, 3), b="-", ratio="-", spread="-", fast="-",
                   result=verdict(fa, goal), misses=int(not_met(fa, goal)))
    return [("%s %s" % (ident, k), str(v)) for k, v in out.items()]


def figures(raw):
    out = []
    seen = []
    for r in raw.rows:
        if (r[0], r[1]) not in seen:
            seen.append((r[0], r[1]))
    for scenario, side in seen:
        width = max(len(r) for r in raw.rows if r[0] == scenario and r[1] == side)
        for col in range(3, width + 1):
            where = "%s %s %d" % (scenario, side, col)
            out.append(("median " + where, raw.median(scenario, side, col)))
            out.append(("max " + where, raw.maximum(scenario, side, col)))
            out.append(("values " + where, raw.values(scenario, side, col)))
    for goal in GOALS:
        out.extend(goal_figures(raw, *goal))
    return out


def main(argv):
    if len(argv) != 2 or argv[1] in ("-h", "--help"):
        sys.stderr.write("usage: bench/stats.py RAW\n")
        return 2
    try:
        with open(argv[1], encoding="utf-8") as f:
            raw = Raw(f.read().splitlines())
    except OSError as e:
        sys.stderr.write("bench/stats.py: %s\n" % e)
        return 1
    for key, value in figures(raw):
        print("%s\t%s" % (key, value))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
