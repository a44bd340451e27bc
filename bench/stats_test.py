#!/usr/bin/env python3
"""bench/stats.py on a small raw file: one figure per row, as RESULTS.md prints it."""
import os
import subprocess
import sys
import tempfile
import unittest

RAW = """\
P1 A 70 - 10
P1 B 100 - -
P1 A 75.0 - 10
P1 B 100 - -
P1 A 90 - 10
P1 B 100 - -
P2 A 50
P2 B 100
P2 A 60
P2 B 100
P4 A 1.5
P4 A 2
W1 A 76
W1 B 100
W1 A 86
W1 B 100
W1 A 60
W1 B 300
X A 900 70000
X B 1000 7000
X A 1100 60000
X B 1000 8000
XC A 5000 30000
XC B 4000 7000
"""

# key, expected figure
CASES = [
    ("median P1 A 3", "75.0"),                 # odd count: the measured text itself
    ("median P2 A 3", "55"),                   # even count: the mean of the middle two
    ("median P4 A 3", "1.75"),
    ("max P1 A 3", "90"),
    ("values P1 B 3", "100, 100, 100"),        # in run order
    ("median P1 A 4", "-"),                    # no number: no median
    ("P2 ratio", "0.55"),
    ("P2 spread", "0.50 to 0.60"),
    ("P2 result", "met (48 % below the goal)"),
    ("P2 misses", "0"),
    ("P1 ratio", "0.75"),
    ("P1 fast", "0.75 (3 rounds)"),
    ("P1 result", "met (6 % below the goal); single rounds up to 0.90"),
    ("W1 spread", "0.20 to 0.86"),
    ("W1 fast", "0.81 (2 rounds)"),            # the round with the peer at 3 times its best left out
    ("W1 result", "met (5 % below the goal); single rounds up to 0.86, and **not met** where the peer "
                  "ran at its usual speed: 0.81 (2 rounds)"),
    ("W1 misses", "1"),
    ("W2 result", "not measured"),
    ("X ratio", "1.00"),
    ("X spread", "0.90 to 1.10"),
    ("Xmem a", "70000"),                       # the largest peak
    ("Xmem b", "7500"),
    ("Xmem mib", "68.4"),
    ("Xmem result", "**NOT met** (7 % above the goal)"),
    ("Xmem misses", "1"),
    ("Xmemcopy result", "met (54 % below the goal)"),
    ("XC ratio", "1.25"),
    ("XC result", "no goal"),                  # measured for the record
    ("XC misses", "0"),
    ("P5mem a", ""),
    ("P5mem result", "not measured"),
]


class StatsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with tempfile.TemporaryDirectory() as folder:
            raw = os.path.join(folder, "raw.txt")
            with open(raw, "w", encoding="utf-8") as f:
                f.write(RAW)
            stats = os.path.join(os.path.dirname(os.path.abspath(__file__)), "stats.py")
            out = subprocess.run([sys.executable, stats, raw], capture_output=True, text=True, check=True).stdout
        cls.figures = dict(line.split("\t", 1) for line in out.splitlines())

    def test_figures(self):
        for key, expected in CASES:
            with self.subTest(key=key):
                self.assertEqual(self.figures.get(key), expected)


if __name__ == "__main__":
    unittest.main()
