"""The xarray backend: ``xarray.open_dataset("melt.dsb", engine="kyndata")``.

Registered as the entry point ``kyndata`` of the group ``xarray.backends`` in the package's
metadata.
"""
from __future__ import annotations

import os
from typing import Any, Iterable, Optional

from xarray.backends import BackendEntrypoint

# The extensions our writers give and the instruments' own; anything else is left to other engines
# unless engine="kyndata" is named.
_EXTENSIONS = {".dsx", ".dsb", ".dsa", ".glb", ".jdx", ".dx", ".asc"}


class KynDataBackendEntrypoint(BackendEntrypoint):
    """Opens any measurement file the kyndata loader recognises as an xarray.Dataset."""

    description = "Measurement files of optical spectrometers and stopped-flow instruments (kyndata)"
    open_dataset_parameters = ("filename_or_obj", "drop_variables")

    def open_dataset(self, filename_or_obj: Any, *, drop_variables: Optional[Iterable[str]] = None, **_: Any):
        from . import load

        ds = load(os.fspath(filename_or_obj)).to_xarray()
        if drop_variables:
            ds = ds.drop_vars(list(drop_variables))
        return ds

    def guess_can_open(self, filename_or_obj: Any) -> bool:
        try:
            _, ext = os.path.splitext(os.fspath(filename_or_obj))
        except TypeError:
            return False
        return ext.lower() in _EXTENSIONS
