#!/usr/bin/env python3
"""Reference figures for tst_itemanalysis, computed apart from the program's code.

Uses Python's statistics module (variance, stdev, correlation, quantiles 'inclusive') and
exact fractions for the groups: the students tied at a group's edge are a block of sorted
positions [a, b); each counts |[a, b) & [0, g)| / (b - a) in a group of g places.
Run: python3 tests/examforge/itemanalysis_reference.py
"""
from fractions import Fraction
import statistics as st

KEYS = [2, 13, 4, 1, 3, 5]
ANSWERS = [
    [2, 13, 4, 1, 3, 0],
    [2, 13, 4, 1, 2, 0],
    [2, 13, 4, 3, 2, 0],
    [2, 13, 3, 1, 2, 0],
    [2, 1, 4, 2, 3, 0],
    [2, 13, 2, 2, 1, 0],
    [2, 3, 1, 3, 4, 0],
    [2, 123, 0, 2, 0, 0],
    [1, 0, 3, 0, 3, 0],
    [3, 1, 0, 0, 4, 0],
]


def weights(totals, g, top):
    order = sorted(range(len(totals)), key=lambda i: -totals[i] if top else totals[i])
    w = [Fraction(0)] * len(totals)
    pos = 0
    while pos < len(order):
        end = pos
        while end < len(order) and totals[order[end]] == totals[order[pos]]:
            end += 1
        overlap = max(0, min(end, g) - pos)
        for i in order[pos:end]:
            w[i] = Fraction(overlap, end - pos)
        pos = end
    return w


def analyse(marks):
    n, k = len(ANSWERS), len(KEYS)
    item = [[marks[j] if ANSWERS[i][j] == KEYS[j] else 0 for j in range(k)] for i in range(n)]
    totals = [sum(r) for r in item]
    g = round(0.27 * n)
    top, bottom = weights(totals, g, True), weights(totals, g, False)
    print("marks", marks, "totals", totals, "g", g)
    print(" mean %.6f median %.6f sd %.6f" % (st.mean(totals), st.median(totals), st.stdev(totals)))
    print(" quartiles", ["%.6f" % q for q in st.quantiles(totals, n=4, method="inclusive")])
    itemvar = sum(st.variance([item[i][j] for i in range(n)]) for j in range(k))
    alpha = k / (k - 1) * (1 - itemvar / st.variance(totals))
    sem = st.stdev(totals) * (1 - alpha) ** 0.5
    print(" reliability %.6f sem %.6f" % (alpha, sem))
    for j in range(k):
        right = [1 if ANSWERS[i][j] == KEYS[j] else 0 for i in range(n)]
        p = sum(right) / n
        d = (sum(top[i] * right[i] for i in range(n)) - sum(bottom[i] * right[i] for i in range(n))) / g
        x = [item[i][j] for i in range(n)]
        rest = [totals[i] - x[i] for i in range(n)]
        try:
            r = "%.6f" % st.correlation(x, rest)
        except st.StatisticsError:
            r = "-"
        codes = sorted({a[j] for a in ANSWERS}, key=lambda c: (c == 0, c))
        table = ["%s:%d/%s/%s" % (c, sum(1 for a in ANSWERS if a[j] == c),
                                  sum(top[i] for i in range(n) if ANSWERS[i][j] == c),
                                  sum(bottom[i] for i in range(n) if ANSWERS[i][j] == c)) for c in codes]
        print(" Q%d p %.2f D %s = %.6f r %s %s" % (j + 1, p, d, float(d), r, " ".join(table)))


analyse([1, 1, 1, 1, 1, 1])
analyse([1, 2, 2, 1, 1, 1])
