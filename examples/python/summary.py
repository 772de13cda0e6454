"""A short tour of kyndata on the bundled examples: load, a summary without plotting, xarray.

    PYTHONPATH=build/python /usr/bin/python3 examples/python/summary.py examples/data/*
"""
import sys

import numpy as np
import xarray as xr

import kyndata

for path in sys.argv[1:]:
    m = kyndata.load(path)
    print(m)
    for p, prop in enumerate(m.properties):
        v = m.values[..., p]
        finite = v[np.isfinite(v)]
        print(f"  {prop.kind} ({prop.unit or 'no unit in the vocabulary'}): {v.size} values, "
              f"{finite.min():.6g} to {finite.max():.6g}, mean {finite.mean():.6g}")
    for name, axis in m.axes.items():
        print(f"  {name}: {len(axis)} steps, {axis[0]:g} to {axis[-1]:g} {m.dimension_units[name]}")

# Any of them as an xarray dataset through the backend entry point.
ds = xr.open_dataset(sys.argv[1], engine="kyndata")
print()
print(f'xarray.open_dataset("{sys.argv[1]}", engine="kyndata"):')
print(ds)
