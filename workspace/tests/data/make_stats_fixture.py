#!/usr/bin/env python3
"""Writes the statistics-file fixtures: the measurements the test feeds in
(stats_input.csv, C locale) and the file the program must write for them
(stats_expected.csv with a decimal point, stats_expected_comma.csv with a
decimal comma), laid out with Python's csv writer and computed with Python's
statistics module. Run from this folder; the outputs are committed."""
import csv
import statistics

MEASUREMENTS = [
    [100.0, 2000.5, 3.25, 40.0, 712.0],
    [110.0, 1990.25, 3.75, 44.0, 698.5],
    [105.0, 2010.0, 4.0, 38.5, 703.0],
]
DATE = (2016, 5, 3)
TIME = (9, 7, 30)


def fixed(value, digits, comma):
    text = f"{value:.{digits}f}"
    return text.replace(".", ",") if comma else text


def write(name, comma):
    pixels = len(MEASUREMENTS[0])
    m = len(MEASUREMENTS)
    columns = list(zip(*MEASUREMENTS))
    average = [statistics.mean(c) for c in columns]
    deviation = [statistics.stdev(c) for c in columns]
    maxima = [max(row) for row in MEASUREMENTS]
    f2 = lambda v: fixed(v, 2, comma)
    with open(name, "w", newline="") as out:
        w = csv.writer(out, delimiter=";", lineterminator="\n")
        w.writerow(["Date: %d.%d.%d" % DATE, ""])
        w.writerow([])
        w.writerow(["Time: %d:%d:%d" % TIME, ""])
        w.writerow([])
        w.writerow(["", "AV", "STD"] + [str(k) for k in range(1, m + 1)] + [""])
        w.writerow(["AV(STD)", "", f2(statistics.mean(deviation))] + [""] * m + [""])
        w.writerow(["MAX", f2(max(average)), f2(max(deviation))]
                   + [fixed(v, 0, comma) for v in maxima] + [""])
        for p in range(pixels):
            w.writerow([str(p + 1), f2(average[p]), f2(deviation[p])]
                       + [f2(row[p]) for row in MEASUREMENTS] + [""])


with open("stats_input.csv", "w", newline="") as out:
    csv.writer(out, delimiter=";", lineterminator="\n").writerows(
        [[repr(v) for v in row] for row in MEASUREMENTS])
write("stats_expected.csv", False)
write("stats_expected_comma.csv", True)
