#!/usr/bin/python3
"""CIEDE2000 of CIELAB pairs by python3-colormath, one pair per input line "L1 a1 b1 L2 a2 b2".

colormath 3.0.0's delta_e_cie2000() ends in numpy.asscalar(), which numpy 1.23 removed (Debian 12
ships numpy 1.24), so it raises AttributeError. The formula itself lives in
colormath.color_diff_matrix, which that wrapper only calls; it is called here directly and its
one-element result taken with float().
"""
import sys

import numpy
from colormath import color_diff_matrix


def main():
    for line in open(sys.argv[1]):
        values = [float(v) for v in line.split()]
        if len(values) != 6:
            continue
        first = numpy.array(values[0:3])
        second = numpy.array([values[3:6]])
        print(repr(float(color_diff_matrix.delta_e_cie2000(first, second)[0])))


if __name__ == "__main__":
    main()
