#!/usr/bin/python3
"""The Python package's part of bench/run: kyndata.load against numpy.fromfile on the same bytes,
kyndata.load of a VarnixStore file per number (bench/run compares it with loadtxt and read_csv
from peers.py), and kyndata.dask.convert of many 1 MiB files on one worker and on two.

Only the calls are timed: not the interpreter's start, the imports, or a cluster's start (each
cluster first runs one task per worker, so that every worker has imported kyndata). Prints
"<name> <seconds>" lines, each the median of REPEATS (loads and fromfile taken in turns).

Usage: kyndata_bench.py BIG.dsb STORE.dsa WORKDIR [REPEATS] [FILES]
The package must be importable (PYTHONPATH=build/python).
"""
import os
import statistics
import sys
import time

import numpy as np

import kyndata


def median_of(fn, repeats):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        result = fn()
        times.append(time.perf_counter() - start)
        del result
    return statistics.median(times)


def many_files(folder, count):
    """`count` VarnixBinary files of 1 MiB of values each (256 Ki float32), made with our writer."""
    import xarray as xr

    os.makedirs(folder, exist_ok=True)
    rng = np.random.default_rng(1)
    paths = []
    for k in range(count):
        values = rng.normal(size=(512, 512)).astype(np.float32)
        ds = xr.Dataset({"Absorbance": (("Wavelength", "Time"), values)},
                        coords={"Wavelength": np.arange(200, 712, dtype=np.float32),
                                "Time": np.arange(512, dtype=np.float32) * 0.01},
                        attrs={"title": f"file {k}"})
        path = os.path.join(folder, f"f{k:04d}.dsb")
        kyndata.save(ds, path, to="dsb", overwrite=True)
        paths.append(path)
    return paths


def dask_seconds(paths, workers, out, repeats):
    import shutil

    import kyndata.dask
    from distributed import Client, LocalCluster

    with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        client.wait_for_workers(workers)
        client.run(lambda: __import__("kyndata"))
        times = []
        for _ in range(repeats):
            shutil.rmtree(out, ignore_errors=True)
            os.makedirs(out)
            start = time.perf_counter()
            results = kyndata.dask.convert(paths, to="dsa", client=client, output_dir=out)
            times.append(time.perf_counter() - start)
            if not all(r.ok for r in results):
                sys.exit("kyndata_bench: a file was not converted: " + str([r for r in results if not r.ok][:1]))
        shutil.rmtree(out, ignore_errors=True)
    return statistics.median(times)


def main():
    big, store, work = sys.argv[1], sys.argv[2], sys.argv[3]
    repeats = int(sys.argv[4]) if len(sys.argv) > 4 else 3
    count = int(sys.argv[5]) if len(sys.argv) > 5 else 200
    loads, reads = [], []
    for _ in range(repeats):
        reads.append(median_of(lambda: np.fromfile(big, dtype=np.uint8), 1))
        loads.append(median_of(lambda: kyndata.load(big), 1))
    print(f"fromfile_big {statistics.median(reads):.4f}")
    print(f"load_big {statistics.median(loads):.4f}")
    m = kyndata.load(store)
    print(f"store_values {m.values.size}")
    del m
    print(f"load_store {median_of(lambda: kyndata.load(store), repeats):.4f}")
    paths = many_files(os.path.join(work, "dask_in"), count)
    print(f"dask_files {len(paths)}")
    print(f"dask_bytes {os.path.getsize(paths[0])}")
    print(f"dask_1 {dask_seconds(paths, 1, os.path.join(work, 'dask_out'), repeats):.4f}")
    print(f"dask_2 {dask_seconds(paths, 2, os.path.join(work, 'dask_out'), repeats):.4f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
