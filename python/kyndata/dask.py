"""Batches on Dask: conversions mapped over a ``distributed`` cluster, and many files of one shape
as one lazy xarray dataset.

Scheduling, retries and scaling are Dask's. Any client works: a ``LocalCluster`` on one machine,
or the address of a scheduler whose workers can import kyndata and reach the files::

    from distributed import Client, LocalCluster
    results = kyndata.dask.convert(paths, to="csv", client=Client(LocalCluster(n_workers=2)))
    results = kyndata.dask.convert(paths, to="csv", client="tcp://scheduler:8786")
"""
from __future__ import annotations

import os
from typing import Any, Dict, Iterable, List, Optional, Sequence, Union

import numpy as np

import kyndata

__all__ = ["convert", "open_mfdataset"]


def _convert_part(paths: List[str], outputs: List[str], to: str, options: Dict[str, Any]) -> List[Dict[str, Any]]:
    """Some files on a worker, each to the output the whole batch planned for it, in the order
    given; plain dicts travel back."""
    results = {r.input: r for r in kyndata.convert(paths, to=to, output_paths=outputs, jobs=1, **options)}
    return [dict(results[p].__dict__) for p in paths]


def _client(client: Any):
    from distributed import Client, get_client

    if client is None:
        try:
            return get_client(), False
        except ValueError:
            return Client(), True  # a local cluster of this machine's cores, closed afterwards
    if isinstance(client, str):
        return Client(client), True
    return client, False


def convert(paths: Iterable[Union[str, "os.PathLike[str]"]], to: str = "dsa", client: Any = None,
            output_dir: Optional[Union[str, "os.PathLike[str]"]] = None, overwrite: bool = False,
            files_per_task: Optional[int] = None, **options: Any) -> List[kyndata.FileResult]:
    """Converts the files on a Dask cluster and returns one FileResult per input in
    the order given. The outputs are planned once for the whole batch (clashes get numbered names,
    exactly as ``kyndata.convert`` and ``kynconvert`` name them), so the result is the same whichever
    worker takes which file. ``client`` is a ``distributed.Client``, a scheduler address, or None for
    the current client (a local cluster when there is none). ``options`` are those of
    ``kyndata.convert`` (verify, simple, extra, euro, txt_extension, strip_acorn, in_place,
    delete_originals).

    Files go to the workers in tasks of ``files_per_task`` (by default enough for about four tasks
    per worker, at most 64 files each): a task of one small file would cost the scheduler more than
    the conversion."""
    paths = [os.fspath(p) for p in paths]
    naming = {k: options[k] for k in ("txt_extension", "strip_acorn", "in_place") if k in options}
    outputs = kyndata.plan(paths, to, output_dir, **naming)
    options = dict(options, overwrite=overwrite)
    dask_client, owned = _client(client)
    try:
        todo = [k for k, output in enumerate(outputs) if output]
        if files_per_task is None:
            workers = max(1, len(dask_client.scheduler_info().get("workers", {})))
            files_per_task = min(64, max(1, len(todo) // (4 * workers)))
        parts = [todo[i:i + files_per_task] for i in range(0, len(todo), files_per_task)]
        futures = dask_client.map(_convert_part, [[paths[k] for k in part] for part in parts],
                                  [[outputs[k] for k in part] for part in parts], to=to, options=options, pure=False)
        done = {}
        for part, results in zip(parts, dask_client.gather(futures)):
            done.update(zip(part, results))
    finally:
        if owned:
            dask_client.close()
    results = []
    for k, path in enumerate(paths):
        if k in done:
            results.append(kyndata.FileResult(**done[k]))
        else:
            results.append(kyndata.FileResult(input=path, target=to, outcome="passed over",
                                              reason="it is named earlier in this job"))
    return results


def _values(path: str, shape: Sequence[int]) -> np.ndarray:
    m = kyndata.load(path)
    values = np.array(m.values)  # a copy: it leaves the worker
    if values.shape != tuple(shape):
        raise ValueError(f"{path}: values of shape {values.shape}, not {tuple(shape)} like the first file")
    return values


def open_mfdataset(paths: Iterable[Union[str, "os.PathLike[str]"]], dim: str = "file"):
    """Many files of one shape as one lazy ``xarray.Dataset`` along a new dimension ``dim`` (its
    coordinate the paths): the first file gives the coordinates and attributes, each file is read
    only when its part is computed, as one Dask chunk. A file of another shape fails the computation
    with its path."""
    import dask
    import dask.array as da
    import xarray as xr

    paths = [os.fspath(p) for p in paths]
    if not paths:
        raise ValueError("no files to open")
    first = kyndata.load(paths[0])
    template = first.to_xarray()
    shape = first.values.shape
    blocks = [da.from_delayed(dask.delayed(_values)(p, shape), shape=shape, dtype=np.float32) for p in paths]
    stacked = da.stack(blocks, axis=0)
    data_vars = {}
    for p, name in enumerate(template.data_vars):
        var = template[name]
        data_vars[name] = ((dim,) + var.dims, stacked[..., p], var.attrs)
    coords = {name: template.coords[name] for name in template.coords}
    coords[dim] = (dim, np.array(paths, dtype=object))
    return xr.Dataset(data_vars, coords=coords, attrs=template.attrs)
