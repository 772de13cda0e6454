#!/usr/bin/env python3
"""The Python peers of bench/run: numpy's savetxt/loadtxt and pandas' to_csv/read_csv on the
first COUNT values of the benchmark's float32 block, shaped as rows of 1024 like the converter's
grids, each number as six-digit %g text. Only the calls themselves are timed (not the start of
the interpreter or the imports). Prints "<name>_ns <ns per value>" lines, the median of REPEATS.

Usage: peers.py VALUES.f32 WORKDIR [COUNT] [REPEATS]
"""
import os
import statistics
import sys
import time

import numpy as np
import pandas as pd


def timed(fn, repeats):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    values_path, work = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 1 << 21
    repeats = int(sys.argv[4]) if len(sys.argv) > 4 else 3
    values = np.fromfile(values_path, dtype="<f4", count=count).reshape(-1, 1024)
    n = values.size
    np_txt = os.path.join(work, "peer_numpy.csv")
    pd_txt = os.path.join(work, "peer_pandas.csv")
    frame = pd.DataFrame(values)

    results = {
        "savetxt": timed(lambda: np.savetxt(np_txt, values, fmt="%g", delimiter=","), repeats),
        "to_csv": timed(lambda: frame.to_csv(pd_txt, header=False, index=False, float_format="%g"), repeats),
    }
    results["loadtxt"] = timed(lambda: np.loadtxt(np_txt, dtype=np.float32, delimiter=","), repeats)
    results["read_csv"] = timed(lambda: pd.read_csv(pd_txt, header=None, dtype=np.float32), repeats)

    back = np.loadtxt(np_txt, dtype=np.float32, delimiter=",")
    if back.shape != values.shape:
        print("peers: numpy read back a different shape", file=sys.stderr)
        return 1
    print(f"values {n}")
    for name, seconds in results.items():
        print(f"{name}_ns {seconds * 1e9 / n:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
