"""kyndata: measurement files of optical spectrometers and stopped-flow instruments in Python.

The same readers, writers and conversion job as the ``kynconvert`` command line::

    import kyndata
    m = kyndata.load("melt.dsb")           # any format the loader recognises
    m.values                               # numpy float32, no copy: (steps of each dimension..., properties)
    m.axes["Wavelength"]                   # the axis values of a dimension
    ds = m.to_xarray()                     # an xarray.Dataset, one variable per property
    kyndata.save(m, "melt.jdx", to="jdx")  # any target of kynconvert --to
    kyndata.convert(["a.dsb", "b.dsx"], to="csv")   # the batch job; one FileResult per input

``xarray.open_dataset("melt.dsb", engine="kyndata")`` works once the package is installed (or on
PYTHONPATH with its metadata). ``kyndata.dask`` runs batches on a Dask cluster.
"""
from __future__ import annotations

import errno
import os
import warnings
from dataclasses import dataclass, field
from typing import TYPE_CHECKING, Any, Dict, Iterable, List, Optional, Sequence, Tuple, Union

import numpy as np

from . import _kyndata
from ._kyndata import KynError

if TYPE_CHECKING:  # pragma: no cover
    import xarray

__all__ = ["KynError", "KynDataWarning", "Property", "FileResult", "Measurement", "load", "save", "convert", "plan",
           "formats", "__version__"]
__version__: str = _kyndata.__version__

PathLike = Union[str, "os.PathLike[str]"]


class KynDataWarning(UserWarning):
    """What a target format could not hold of a measurement that was still written."""


@dataclass(frozen=True)
class Property:
    """A measured quantity: its entry as stored, its kind, and what the vocabulary says it is measured as."""

    name: str  # the entry as stored, flags and all: "CircularDichroism -mrme"
    kind: str  # the name up to the first blank: "CircularDichroism"
    unit: str  # "Mean Residue Molar Ellipticity"; "" when the vocabulary has no row for it


@dataclass
class FileResult:
    """What became of one input of a conversion (the keys of ``kynconvert --report``)."""

    input: str
    output: str = ""  # "" for an input that was never read
    format: str = ""  # the input's format, once read
    target: str = ""  # the --to key
    outcome: str = ""  # converted, converted with warnings, skipped, failed, passed over
    reason: str = ""  # why it was not converted, when known
    warnings: List[str] = field(default_factory=list)  # what a file converted with warnings could not carry
    verified: bool = False  # read back and compared with its data (verify=True)
    values: int = 0
    bytes: int = 0
    seconds: float = 0.0

    @property
    def ok(self) -> bool:
        """True when the file was written (with or without warnings)."""
        return self.outcome in ("converted", "converted with warnings")


def _unique(names: Sequence[str], fallback: str) -> List[str]:
    """Names usable as xarray dimension and variable names: empty ones get `fallback` and their
    position, repeated ones a number."""
    out: List[str] = []
    for k, name in enumerate(names):
        base = name or f"{fallback}{k}"
        candidate, n = base, 2
        while candidate in out:
            candidate, n = f"{base}_{n}", n + 1
        out.append(candidate)
    return out


class Measurement:
    """One measurement file as loaded: its values, axes, properties and header.

    ``values`` has one axis per dimension, in the file's order, and the property axis last:
    ``values[i0, i1, ..., p]``. It shares the loaded store's memory (writing through it changes
    what ``save`` writes); the array keeps the store alive.
    """

    def __init__(self, store: "_kyndata.Store") -> None:
        self._store = store

    @property
    def values(self) -> np.ndarray:
        """The values, float32, shape (steps of each dimension..., properties), without a copy."""
        return self._store.values

    @property
    def dims(self) -> Tuple[str, ...]:
        """The dimensions' names as used for ``axes`` and xarray: each kind ("Time" for "Time -log"),
        made unique."""
        return tuple(_unique(self._store.dimension_kinds, "dim"))

    @property
    def axes(self) -> Dict[str, np.ndarray]:
        """Each dimension's axis values by name (in the order of ``dims``), without a copy."""
        return {name: self._store.axis(d) for d, name in enumerate(self.dims)}

    @property
    def dimension_units(self) -> Dict[str, str]:
        """What each dimension is measured in, by name ("" when the vocabulary has no row)."""
        return dict(zip(self.dims, self._store.dimension_units))

    @property
    def properties(self) -> List[Property]:
        """The measured quantities, in the order of the last axis of ``values``."""
        s = self._store
        return [Property(n, k, u) for n, k, u in zip(s.property_names, s.property_kinds, s.property_units)]

    @property
    def title(self) -> str:
        return self._store.title

    @property
    def remarks(self) -> List[str]:
        return self._store.remarks

    @property
    def history(self) -> List[str]:
        """The processing history, each entry's text as the text exports print it."""
        return self._store.history

    @property
    def format(self) -> str:
        """The format the loader recognised ("VarnixBinary", "JCAMP-DX", ...)."""
        return self._store.format

    @property
    def path(self) -> str:
        return self._store.path

    @property
    def attributes(self) -> Dict[str, Any]:
        """The rest of the header: options, keyed options, the dimension entries as stored, the last
        modification, the file attributes and the value range."""
        s = self._store
        return {
            "options": s.options,
            "keyed_options": s.keyed_options,
            "dimension_names": s.dimension_names,
            "last_modified": s.last_modified,
            "modified_by": s.modified_by,
            "value_range": s.value_range,
            **s.file_attributes,
        }

    def to_xarray(self) -> "xarray.Dataset":
        """An ``xarray.Dataset``: one variable per property over the dimensions, each dimension a
        coordinate with its axis values; units and the header in ``attrs``. The variables share the
        measurement's memory."""
        import xarray as xr

        dims = self.dims
        values = self.values
        full = self._store.dimension_names
        coords = {
            name: (name, self._store.axis(d), {"units": unit, "long_name": full[d]})
            for d, (name, unit) in enumerate(zip(dims, self._store.dimension_units))
        }
        data_vars = {}
        props = self.properties
        for p, (var, prop) in enumerate(zip(_unique([q.kind for q in props], "property"), props)):
            part = values[..., p] if values.size else np.zeros([0] * len(dims), dtype=np.float32)
            data_vars[var] = (dims, part, {"units": prop.unit, "long_name": prop.name})
        attrs = {
            "title": self.title,
            "remarks": "\n".join(self.remarks),
            "history": "\n".join(self.history),
            "format": self.format,
            "source": self.path,
            "options": "\n".join(self._store.options),
            "last_modified": self._store.last_modified,
        }
        return xr.Dataset(data_vars, coords=coords, attrs=attrs)

    def __repr__(self) -> str:
        shape = " x ".join(f"{n}={len(a)}" for n, a in self.axes.items()) or "no dimensions"
        kinds = ", ".join(p.kind for p in self.properties)
        return f"<kyndata.Measurement {self.format} {self.title!r}: {kinds} over {shape}>"


def load(path: PathLike) -> Measurement:
    """Reads a measurement file of any format the loader recognises.

    Raises FileNotFoundError for a missing file and KynError, with the reader's message, for one
    that cannot be read (not a measurement, cut off, corrupt, a folder, an export-only format)."""
    path = os.fspath(path)
    if not os.path.lexists(path):
        raise FileNotFoundError(errno.ENOENT, os.strerror(errno.ENOENT), path)
    return Measurement(_kyndata.load(path))


def _store_from_dataset(ds: "xarray.Dataset") -> "_kyndata.Store":
    """A store from an xarray.Dataset: every data variable a property over the first one's
    dimensions, the coordinates the axes (a dimension without one is numbered from 0)."""
    names = list(ds.data_vars)
    if not names:
        raise ValueError("the dataset has no data variable to save")
    dims = ds[names[0]].dims
    for name in names:
        if set(ds[name].dims) != set(dims):
            raise ValueError(f"variable {name!r} has dimensions {ds[name].dims}, not {dims}: a measurement "
                             "holds every property over the same dimensions")
    axes = [np.asarray(ds[d].values if d in ds.coords else np.arange(ds.sizes[d]), dtype=np.float32) for d in dims]
    stacked = np.stack([np.asarray(ds[n].transpose(*dims).values, dtype=np.float32) for n in names], axis=-1)
    props = [str(ds[n].attrs.get("long_name", n)) for n in names]
    dim_names = [str(ds[d].attrs.get("long_name", d)) if d in ds.coords else str(d) for d in dims]
    remarks = str(ds.attrs.get("remarks", "")).splitlines()
    options = str(ds.attrs.get("options", "")).splitlines()
    return _kyndata.from_arrays(str(ds.attrs.get("title", "")), remarks, props, dim_names, axes,
                                np.asfortranarray(stacked), options)


def save(data: Union[Measurement, "xarray.Dataset"], path: PathLike, to: str = "dsx", *, simple: bool = False,
         extra: bool = False, euro: bool = False, overwrite: bool = False) -> List[str]:
    """Writes a measurement (or an xarray.Dataset shaped like ``Measurement.to_xarray()``) in a target
    format: ``to`` is a ``kynconvert --to`` key (dsx, dsb, dsa, csv, glb, tsv, jdx), with the same
    options (``simple``: SimpleCSV; ``extra``: the raw data after VarnixCSV; ``euro``: German numbers in
    TSV). The file appears only when complete; an existing one is replaced only with ``overwrite``.

    Returns what the target could not hold, one sentence each, and warns (KynDataWarning) with each.
    Raises KynError when the file cannot be written (the reason in the message)."""
    store = data._store if isinstance(data, Measurement) else _store_from_dataset(data)
    path = os.fspath(path)
    losses = _kyndata.save(store, path, to, simple, extra, euro, overwrite)
    for loss in losses:
        warnings.warn(KynDataWarning(f"{path}: {loss}"), stacklevel=2)
    return losses


def _options(**flags: Any) -> Dict[str, bool]:
    return {name: bool(value) for name, value in flags.items()}


def convert(paths: Iterable[PathLike], to: str = "dsa", output_dir: Optional[PathLike] = None, overwrite: bool = False,
            *, jobs: int = 1, verify: bool = False, simple: bool = False, extra: bool = False, euro: bool = False,
            txt_extension: bool = False, strip_acorn: bool = False, in_place: bool = False,
            delete_originals: bool = False, output_paths: Optional[Sequence[PathLike]] = None) -> List[FileResult]:
    """Runs the conversion job of ``kynconvert`` over ``paths`` and returns one FileResult per input, in
    the order the files ended. Nothing is asked: an existing output is kept unless ``overwrite``, a file
    that cannot be read or written is reported with its reason. ``jobs`` files are converted at once.
    ``output_paths`` (one per input) replaces the planned names, for a batch planned as a whole
    (``plan``)."""
    paths = [os.fspath(p) for p in paths]
    options = _options(overwrite=overwrite, verify=verify, simple=simple, extra=extra, euro=euro,
                       txt_extension=txt_extension, strip_acorn=strip_acorn, in_place=in_place,
                       delete_originals=delete_originals)
    results = _kyndata.convert(paths, to, os.fspath(output_dir) if output_dir else "", jobs,
                               [os.fspath(p) for p in output_paths] if output_paths else [], options)
    return [FileResult(**r) for r in results]


def plan(paths: Iterable[PathLike], to: str = "dsa", output_dir: Optional[PathLike] = None, *,
         txt_extension: bool = False, strip_acorn: bool = False, in_place: bool = False) -> List[str]:
    """The output path each input would get from ``convert`` (clashes resolved with numbered names, as
    the job resolves them); "" for an input named earlier in the list. Nothing is read or written."""
    options = _options(txt_extension=txt_extension, strip_acorn=strip_acorn, in_place=in_place)
    return _kyndata.plan([os.fspath(p) for p in paths], to, os.fspath(output_dir) if output_dir else "", options)


def formats() -> List[Dict[str, Any]]:
    """Every format: name, --to key and extension (targets), whether it is read and written, and what
    it holds (dimensions, all properties, history, exact values)."""
    return _kyndata.formats()
