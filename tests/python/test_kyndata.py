"""kyndata against the command line and against what Python users rely on.

Run with Debian's Python, the package on PYTHONPATH (the build tree's python/ folder):
    PYTHONPATH=build/python /usr/bin/python3 -m pytest -q tests/python
KYN_CLI names kynconvert (default build/cli/kynconvert).
"""

import os
import struct
import subprocess
import warnings
from pathlib import Path

import numpy as np
import pytest

import kyndata

ROOT = Path(__file__).resolve().parents[2]
CLI = Path(os.environ.get("KYN_CLI") or ROOT / "build" / "cli" / "kynconvert")
EXAMPLES = sorted((ROOT / "examples" / "data").iterdir())


def kynconvert(*args):
    return subprocess.run([str(CLI), *map(str, args)], capture_output=True, text=True)


def same_bits(a, b):
    """Equal shape and equal float32 bits, any NaN for a NaN."""
    a, b = np.asarray(a, dtype=np.float32), np.asarray(b, dtype=np.float32)
    return a.shape == b.shape and bool(np.all((a.view(np.uint32) == b.view(np.uint32)) | (np.isnan(a) & np.isnan(b))))


def made_stores(folder):
    """Measurements of our own making, written with our own writers: awkward values, three
    dimensions, two properties, a single step."""
    import xarray as xr

    rng = np.random.default_rng(7)
    cube = rng.normal(size=(5, 4, 3, 2)).astype(np.float32)
    cube[0, 0, 0, 0] = np.nan
    cube[1, 0, 0, 0] = np.inf
    cube[2, 0, 0, 1] = -np.inf
    cube[3, 0, 0, 1] = np.float32(1e-45)
    cube[4, 0, 0, 1] = -0.0
    cube = np.asfortranarray(cube)
    stores = {
        "cube": xr.Dataset(
            {"CircularDichroism": (("Wavelength", "Time", "Repeat"), cube[..., 0], {"long_name": "CircularDichroism -mrme"}),
             "HT": (("Wavelength", "Time", "Repeat"), cube[..., 1])},
            coords={"Wavelength": np.float32([250, 249.5, 249, 248.5, 248]), "Time": np.float32([0, 0.01, 0.1, 1]),
                    "Repeat": np.float32([1, 2, 3])},
            attrs={"title": "made cube", "remarks": "first\nsecond, with comma"}),
        "trace": xr.Dataset({"Absorbance": (("Time",), np.linspace(1, 0, 200, dtype=np.float32))},
                            coords={"Time": np.geomspace(1e-3, 10, 200).astype(np.float32)}, attrs={"title": "trace"}),
        "single": xr.Dataset({"Fluorescence": (("Temperature",), np.float32([3.5]))},
                             coords={"Temperature": np.float32([25])}),
    }
    paths = []
    for name, ds in stores.items():
        path = folder / f"{name}.dsx"
        kyndata.save(ds, path, to="dsx")
        paths.append(path)
    return paths


@pytest.fixture(scope="module")
def made(tmp_path_factory):
    return made_stores(tmp_path_factory.mktemp("made"))


def test_values_and_axes_are_those_of_the_command_lines_dsb(tmp_path, made):
    for source in EXAMPLES + made:
        out = tmp_path / source.name
        out.mkdir()
        r = kynconvert("-q", "-t", "dsb", "-o", out, source)
        assert r.returncode == 0, r.stderr
        written = out / (source.stem + ".dsb")
        m, w = kyndata.load(source), kyndata.load(written)
        assert same_bits(m.values, w.values), source
        assert m.dims == w.dims and m.values.shape == tuple(len(a) for a in m.axes.values()) + (len(m.properties),)
        for name in m.dims:
            assert same_bits(m.axes[name], w.axes[name]), (source, name)
        assert [p.name for p in m.properties] == [p.name for p in w.properties]
        # The array is the file's value block in its flat order, dimension 0 fastest: the bytes
        # follow their byte count in the file as they lie in memory.
        block = m.values.tobytes(order="F")
        assert struct.pack("<i", len(block)) + block in written.read_bytes(), source


def test_values_share_the_stores_memory_and_keep_it_alive(tmp_path, made):
    m = kyndata.load(made[0])
    values = m.values
    assert values.base is m._store and not values.flags["OWNDATA"] and values.flags["WRITEABLE"]
    assert np.shares_memory(values, m.values) and np.shares_memory(m.axes["Wavelength"], m._store.axis(0))
    values[1, 2, 0, 1] = 42.5
    kyndata.save(m, tmp_path / "changed.dsb", to="dsb")
    assert kyndata.load(tmp_path / "changed.dsb").values[1, 2, 0, 1] == np.float32(42.5)
    # The array outlives the measurement it came from.
    del m
    import gc

    gc.collect()
    assert values[1, 2, 0, 1] == np.float32(42.5)


def test_to_xarray_and_the_backend_entry_point(made):
    import xarray as xr

    assert "kyndata" in xr.backends.list_engines()
    for source in EXAMPLES + made:
        m = kyndata.load(source)
        ds = xr.open_dataset(source, engine="kyndata")
        assert tuple(ds.dims) == m.dims
        for p, (name, var) in enumerate(ds.data_vars.items()):
            assert var.dims == m.dims
            assert same_bits(var.values, m.values[..., p])
            assert var.attrs["long_name"] == m.properties[p].name
        for name in m.dims:
            assert same_bits(ds[name].values, m.axes[name])
        assert ds.attrs["title"] == m.title and ds.attrs["format"] == m.format
    cd = kyndata.load(ROOT / "examples/data/melt.dsb").to_xarray()
    assert cd["CircularDichroism"].attrs["units"] == "Mean Residue Molar Ellipticity"
    assert cd["Temperature"].attrs["units"] == "Temperature (C)"
    assert xr.open_dataset(made[0], engine="kyndata", drop_variables=["HT"]).data_vars.keys() == {"CircularDichroism"}


def test_every_broken_file_is_an_exception_with_the_readers_words(tmp_path):
    cases = {
        "missing.dsa": (None, FileNotFoundError, "No such file"),
        "notes.dsa": (b"no measurement here\n", kyndata.KynError, "unrecognised format"),
        "empty.dsb": (b"", kyndata.KynError, ""),
        "cut.dsa": (b"VarnixStore\r\ncut off\r\n", kyndata.KynError, "corrupt"),
        "export.csv": (b"VarnixCSV\r\n\r\nTitle: x\r\n", kyndata.KynError, "export only"),
        "cut.dsb": (None, kyndata.KynError, ""),
    }
    good = (ROOT / "examples/data/melt.dsb").read_bytes()
    for name, (content, error, words) in cases.items():
        path = tmp_path / name
        if name == "cut.dsb":
            content = good[:60]
        if content is not None:
            path.write_bytes(content)
        with pytest.raises(error) as caught:
            kyndata.load(path)
        assert words in str(caught.value), (name, caught.value)
        if error is kyndata.KynError:
            assert str(path) in str(caught.value)
    (tmp_path / "folder").mkdir()
    with pytest.raises(kyndata.KynError, match="folder"):
        kyndata.load(tmp_path / "folder")
    os.mkfifo(tmp_path / "pipe.dsa")  # refused by what it is, never opened: no hang
    with pytest.raises(kyndata.KynError, match="named pipe"):
        kyndata.load(tmp_path / "pipe.dsa")


def test_save_takes_the_command_lines_targets_options_and_warnings(tmp_path, made):
    m = kyndata.load(made[0])
    with pytest.warns(kyndata.KynDataWarning, match="not finite"):
        losses = kyndata.save(m, tmp_path / "cube.jdx", to="JDX")
    assert losses and "not finite" in losses[0]
    assert kyndata.load(tmp_path / "cube.jdx").format == "JCAMP-DX"  # the format, not the file's first line
    with pytest.raises(ValueError, match="exists"):
        kyndata.save(m, tmp_path / "cube.jdx", to="jdx")
    with pytest.raises(kyndata.KynError, match="needs a dimension named Time"):
        kyndata.save(kyndata.load(ROOT / "examples/data/melt.dsb"), tmp_path / "melt.glb", to="glb")
    assert not (tmp_path / "melt.glb").exists()
    with pytest.raises(ValueError, match="no target format"):
        kyndata.save(m, tmp_path / "x", to="pdf")
    # The same bytes as kynconvert writes, for a format without a time stamp in it.
    kyndata.save(m, tmp_path / "cube.dsb", to="dsb")
    (tmp_path / "cli").mkdir()
    assert kynconvert("-q", "-t", "dsb", "-o", tmp_path / "cli", made[0]).returncode == 0
    assert same_bits(kyndata.load(tmp_path / "cli/cube.dsb").values, kyndata.load(tmp_path / "cube.dsb").values)
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert kyndata.save(m, tmp_path / "cube.csv", to="csv", extra=True) == []
    assert "Original DataStore data below:" in (tmp_path / "cube.csv").read_text()
    # An xarray dataset back into a store: the round trip keeps values, axes and names.
    back = kyndata.load(made[1]).to_xarray()
    kyndata.save(back, tmp_path / "again.dsx", to="dsx")
    again = kyndata.load(tmp_path / "again.dsx")
    assert same_bits(again.values, kyndata.load(made[1]).values) and again.title == "trace"


def test_convert_returns_the_jobs_results(tmp_path, made):
    (tmp_path / "notes.dsa").write_text("no measurement\n")
    inputs = [made[0], made[1], made[0], tmp_path / "notes.dsa", tmp_path / "missing.dsa"]
    results = kyndata.convert(inputs, to="dsa", output_dir=tmp_path, verify=True)
    by_input = {}
    for r in results:
        by_input.setdefault(r.input, []).append(r)
    assert len(results) == 5
    cube = sorted(by_input[str(made[0])], key=lambda r: r.outcome)
    assert [r.outcome for r in cube] == ["converted", "passed over"]
    assert cube[0].verified and cube[0].output == str(tmp_path / "cube.dsa") and cube[0].bytes > 0 and cube[0].ok
    assert by_input[str(tmp_path / "notes.dsa")][0].outcome == "failed"
    assert "unrecognised" in by_input[str(tmp_path / "notes.dsa")][0].reason
    assert "No such file or directory" in by_input[str(tmp_path / "missing.dsa")][0].reason
    # Existing outputs are kept unless overwriting is asked for; nothing is asked.
    again = kyndata.convert([made[1]], to="dsa", output_dir=tmp_path)
    assert again[0].outcome == "skipped"
    assert kyndata.convert([made[1]], to="dsa", output_dir=tmp_path, overwrite=True)[0].outcome == "converted"
    # The plan names what convert then writes, clashes and all.
    (tmp_path / "p").mkdir()
    clashing = [made[0], made[0].with_suffix(".dsb")]
    kyndata.save(kyndata.load(made[1]), clashing[1], to="dsb")
    planned = kyndata.plan(clashing, to="dsa", output_dir=tmp_path / "p")
    assert sorted(Path(p).name for p in planned) == ["cube(2).dsa", "cube.dsa"]
    done = {r.input: r.output for r in kyndata.convert(clashing, to="dsa", output_dir=tmp_path / "p")}
    assert [done[str(p)] for p in clashing] == planned


def test_dask_convert_on_two_worker_processes_gives_kynconverts_outputs(tmp_path, made):
    distributed = pytest.importorskip("distributed")
    import kyndata.dask

    inputs = tmp_path / "in"
    inputs.mkdir()
    names = []
    for k in range(8):
        for source in made[:2]:
            name = f"{source.stem}{k}.dsx"
            (inputs / name).write_bytes(source.read_bytes())
            names.append(inputs / name)
    (inputs / "clash.dsa").write_bytes((ROOT / "examples/data/stopped_flow.dsa").read_bytes())
    (inputs / "clash.dsb").write_bytes((ROOT / "examples/data/melt.dsb").read_bytes())
    names += [inputs / "clash.dsa", inputs / "clash.dsb"]
    (tmp_path / "cli").mkdir()
    (tmp_path / "dask").mkdir()
    r = kynconvert("-q", "-j", "1", "-t", "dsa", "-o", tmp_path / "cli", *names)
    assert r.returncode == 0, r.stderr
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        results = kyndata.dask.convert(names, to="dsa", client=client, output_dir=tmp_path / "dask")
    assert [r.input for r in results] == [str(n) for n in names]
    assert all(r.outcome == "converted" for r in results), [r for r in results if not r.ok]
    written = sorted(p.name for p in (tmp_path / "dask").iterdir())
    assert written == sorted(p.name for p in (tmp_path / "cli").iterdir())
    assert "clash(2).dsa" in written
    for name in written:
        a, b = kyndata.load(tmp_path / "cli" / name), kyndata.load(tmp_path / "dask" / name)
        assert same_bits(a.values, b.values) and a.title == b.title, name


def test_open_mfdataset_is_lazy_and_checks_shapes(tmp_path, made):
    pytest.importorskip("dask")
    import kyndata.dask

    copies = []
    for k in range(3):
        path = tmp_path / f"trace{k}.dsx"
        path.write_bytes(made[1].read_bytes())
        copies.append(path)
    ds = kyndata.dask.open_mfdataset(copies)
    assert ds["Absorbance"].dims == ("file", "Time") and ds["Absorbance"].chunks is not None
    assert same_bits(ds["Absorbance"].values, np.stack([kyndata.load(p).values[..., 0] for p in copies]))
    (tmp_path / "other.dsx").write_bytes(made[0].read_bytes())
    mixed = kyndata.dask.open_mfdataset(copies + [tmp_path / "other.dsx"])
    with pytest.raises(ValueError, match="other.dsx"):
        mixed["Absorbance"].values
