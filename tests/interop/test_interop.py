"""Our exports handed to programs we did not write.

Every bundled example and every measurement `make_interop_stores make` writes is converted by
kynconvert to JCAMP-DX, VarnixCSV, SimpleCSV, VarnixTSV and VarnixTSV with German numbers. The
JCAMP-DX files are read by jcampconverter (node) and by JSpecView (Java), the spreadsheet texts
by pandas and by Python's csv module; what they read is compared with the measurement as our
own loader reads it (`make_interop_stores dump`). interop_layouts.py holds the expectations.

Run with Debian's Python (python3-pandas, python3-pytest):
    /usr/bin/python3 -m pytest -q tests/interop
Programs: KYN_CLI (kynconvert), KYN_INTEROP_TOOL (make_interop_stores), default in build/;
KYN_NODE (default node). KYN_INTEROP_WORK names a folder to keep the files in (default: a
temporary folder, removed at the end).
"""

import atexit
import copy
import json
import os
import shutil
import subprocess
import tempfile
from pathlib import Path

import pytest

import interop_layouts as L

HERE = Path(__file__).resolve().parent
ROOT = HERE.parents[1]
CLI = Path(os.environ.get("KYN_CLI") or ROOT / "build" / "cli" / "kynconvert")
TOOL = Path(os.environ.get("KYN_INTEROP_TOOL") or ROOT / "build" / "tests" / "interop" / "make_interop_stores")
NODE = os.environ.get("KYN_NODE") or "node"
FIXTURES = HERE / "fixtures"

# kynconvert's targets under test: options and the extension of what they write.
EXPORTS = {
    "jdx": (["-t", "jdx"], ".jdx"),
    "csv": (["-t", "csv"], ".csv"),
    "simple": (["-t", "csv", "--simple"], ".csv"),
    "tsv": (["-t", "tsv"], ".txt"),
    "euro": (["-t", "tsv", "--euro"], ".txt"),
}


def run(args, **kwargs):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True, **kwargs)


def work_folder():
    kept = os.environ.get("KYN_INTEROP_WORK")
    if kept:
        path = Path(kept)
        path.mkdir(parents=True, exist_ok=True)
        return path
    path = Path(tempfile.mkdtemp(prefix="kyn-interop-"))
    atexit.register(shutil.rmtree, path, True)
    return path


def inputs():
    """The files to convert by name: the bundled examples and the made stores."""
    for program, variable in ((CLI, "KYN_CLI"), (TOOL, "KYN_INTEROP_TOOL")):
        if not program.is_file():
            raise RuntimeError("%s not found: build it (cmake --build build --target kynconvert make_interop_stores)"
                               " or name it in %s" % (program, variable))
    found = {p.stem: p for p in sorted((ROOT / "examples" / "data").iterdir())}
    made = run([TOOL, "make", WORK / "stores"])
    if made.returncode != 0:
        raise RuntimeError("make_interop_stores make failed: " + made.stderr)
    for name in made.stdout.split():
        if name in found:
            raise RuntimeError("a made store and an example are both named " + name)
        found[name] = WORK / "stores" / (name + ".dsb")
    return found


WORK = work_folder()
INPUTS = inputs()
NAMES = sorted(INPUTS)
FIXTURE_NAMES = sorted(p.stem for p in FIXTURES.glob("*.jdx"))
# The JCAMP-DX cases: every export, and the hand-made files of the same layout, whose sources
# are stored beside them as dumps.
JCAMP_CASES = NAMES + ["fixture-" + n for n in FIXTURE_NAMES]


def report(problems):
    return "\n".join(problems[:20]) + ("\n... %d more" % (len(problems) - 20) if len(problems) > 20 else "")


@pytest.fixture(scope="session")
def exported():
    """Runs kynconvert once per target on every input; the path of each output by target and
    name (None where kynconvert wrote nothing), with kynconvert's messages."""
    files = [INPUTS[n] for n in NAMES]
    out = {}
    for target, (options, ext) in EXPORTS.items():
        folder = WORK / target
        shutil.rmtree(folder, ignore_errors=True)  # no output of an earlier run passes for this one's
        folder.mkdir()
        # The owner record comes from USERNAME: fixed, so that every run writes the same files.
        done = run([CLI, "-q", "--overwrite", "-o", folder] + options + files, env=dict(os.environ, USERNAME="interop"))
        paths = {n: folder / (n + ext) for n in NAMES}
        out[target] = ({n: p if p.is_file() else None for n, p in paths.items()}, done.stderr)
    return out


def export_of(exported, target, name):
    paths, messages = exported[target]
    if paths[name] is None:
        pytest.fail("kynconvert wrote no %s file for %s:\n%s" % (target, name, messages))
    return paths[name]


@pytest.fixture(scope="session")
def measurements():
    """What our loader reads from each input (and, for the hand-made files, their stored dumps)."""
    out = {}
    for name in NAMES:
        dumped = run([TOOL, "dump", INPUTS[name]])
        assert dumped.returncode == 0, dumped.stderr
        out[name] = L.Measurement(json.loads(dumped.stdout))
    for name in FIXTURE_NAMES:
        out["fixture-" + name] = L.Measurement(json.loads((FIXTURES / (name + ".json")).read_text(encoding="utf-8")))
    return out


@pytest.fixture(scope="session")
def jdx_files(exported):
    paths, _ = exported["jdx"]
    files = {name: path for name, path in paths.items() if path is not None}
    files.update({"fixture-" + n: FIXTURES / (n + ".jdx") for n in FIXTURE_NAMES})
    return files


def read_all(command, files):
    """One run of a reader over every file; its answer by the file's path."""
    done = run(command + [str(p) for p in files.values()], cwd=HERE)
    assert done.returncode == 0, "%s failed:\n%s" % (command[-1], done.stderr[-3000:])
    by_path = {r["file"]: r for r in json.loads(done.stdout)}
    return {name: by_path[str(path)] for name, path in files.items()}


@pytest.fixture(scope="session")
def jcampconverter(jdx_files):
    return read_all([NODE, HERE / "read_jcamp.mjs"], jdx_files)


@pytest.fixture(scope="session")
def jspecview(jdx_files):
    return read_all([HERE / "jspecview.sh"], jdx_files)


def jdx_case(name, jdx_files):
    if name not in jdx_files:
        pytest.fail("kynconvert wrote no JCAMP-DX file for " + name)
    return L.parse_jdx(jdx_files[name].read_bytes())


# ---------------------------------------------------------------------------------------------
# JCAMP-DX


@pytest.mark.parametrize("name", JCAMP_CASES)
def test_jcamp_file_follows_the_layout(name, measurements, jdx_files):
    problems = L.jcamp_layout_problems(measurements[name], jdx_case(name, jdx_files))
    assert not problems, report(problems)


@pytest.mark.parametrize("name", JCAMP_CASES)
def test_jcampconverter_reads_every_block(name, measurements, jdx_files, jcampconverter):
    problems = L.jcampconverter_problems(measurements[name], jdx_case(name, jdx_files), jcampconverter[name])
    assert not problems, report(problems)


@pytest.mark.parametrize("name", JCAMP_CASES)
def test_jspecview_reads_every_block(name, measurements, jdx_files, jspecview):
    problems = L.jspecview_problems(measurements[name], jdx_case(name, jdx_files), jspecview[name])
    assert not problems, report(problems)


def test_blocks_follow_the_outer_steps_and_the_x_choice():
    """The expected blocks themselves: the first outer dimension changes fastest, the
    properties innermost; X is the dimension with most steps, ties to the lower number."""
    dims = [{"name": "Wavelength", "values": [1, 2, 3]}, {"name": "Temperature -ramp", "values": [20, 30]},
            {"name": "Repeat", "values": [1, 2]}]
    m = L.Measurement({"title": "", "remarks": [], "options": [], "history": [], "properties": ["Absorbance", "Fluorescence"],
                       "dimensions": dims, "values": list(range(24))})
    blocks = L.jcamp_blocks(m)
    assert [(b.prop, [o[:2] for o in b.outer]) for b in blocks[:3]] == [
        ("Absorbance", [("Temperature", 20), ("Repeat", 1)]), ("Fluorescence", [("Temperature", 20), ("Repeat", 1)]),
        ("Absorbance", [("Temperature", 30), ("Repeat", 1)])]
    assert blocks[3].y == [15, 16, 17] and blocks[4].y == [6, 7, 8]
    choices = {(5,): 0, (4, 4): 0, (2, 5): 1, (1, 1, 1): 0, (1, 3, 1): 1, (3, 5, 5, 1): 1, (2, 1, 2): 0}
    assert {steps: L.x_dimension(list(steps)) for steps in choices} == choices


def shift(values, i, by):
    values[i] += by


# Each fault made in a correct reading must be reported: the checks above can fail.
FAULTS = {
    "a value off by two YFACTORs": ("jspecview", lambda r: shift(r["spectra"][0]["y"], 1, 2 * 0.0001)),
    "an X value off by 1e-5 of itself": ("jspecview", lambda r: shift(r["spectra"][1]["x"], 2, 232 * 1e-5)),
    "a block missing": ("jspecview", lambda r: r["spectra"].pop()),
    "blocks in another order": ("jspecview", lambda r: r["spectra"].reverse()),
    "a number where the source is NaN": ("jspecview", lambda r: (r["spectra"][3]["x"].append(236.0),
                                                                  r["spectra"][3]["y"].append(-6.0))),
    "a finite value read as missing": ("jspecview", lambda r: r["spectra"][0]["y"].__setitem__(0, None)),
    "a wrong block title": ("jspecview", lambda r: r["spectra"][2].__setitem__("title", "Absorbance at Temperature=20")),
    "a spectrum from an XYPOINTS block": ("jcampconverter", lambda r: r["entries"][4]["spectra"].append({"x": [], "y": []})),
    "no spectrum from an XYDATA block": ("jcampconverter", lambda r: r["entries"][1]["spectra"].clear()),
    "no LINK entry": ("jcampconverter", lambda r: r["entries"].pop(0)),
    "the reader failed": ("jspecview", lambda r: r.update(error="JSVException")),
}


@pytest.mark.parametrize("fault", FAULTS)
def test_reader_checks_notice_a_fault(fault, measurements, jdx_files, jcampconverter, jspecview):
    reader, spoil = FAULTS[fault]
    name = "fixture-compound"
    result = copy.deepcopy({"jspecview": jspecview, "jcampconverter": jcampconverter}[reader][name])
    check = {"jspecview": L.jspecview_problems, "jcampconverter": L.jcampconverter_problems}[reader]
    jdx = jdx_case(name, jdx_files)
    assert not check(measurements[name], jdx, result), "the hand-made file itself does not pass"
    spoil(result)
    assert check(measurements[name], jdx, result)


def reader_limit_files(tmp_path, cases):
    files = {}
    for label, content in cases.items():
        files[label] = tmp_path / (label.replace(" ", "_") + ".jdx")
        files[label].write_bytes(content)
    return files


def test_jspecview_refuses_short_files_and_non_utf8_openings(tmp_path):
    """Not about our files: what JSpecView cannot read, whoever wrote it. It takes a file whose
    first 400 characters are not all there, or hold a byte that is not UTF-8, for something
    other than JCAMP-DX and fails on it; an export that is that short, or has a Windows-1252 text
    near its start, fails with this reader for that reason alone."""
    text = (FIXTURES / "lines.jdx").read_bytes()
    short = b"".join(line for line in text.splitlines(keepends=True)
                     if not line.startswith((b"##XLABEL", b"##YLABEL", b"##MAXX", b"##MINX")))
    assert len(short) < 400 <= len(text)
    cases = {"as made": text, "short": short,
             "degree sign in title": text.replace(b"Mercury lines", b"Mercury lines 25 \xb0C")}
    read = read_all([HERE / "jspecview.sh"], reader_limit_files(tmp_path, cases))
    failed = {label: "error" in read[label] for label in cases}
    assert failed == {"as made": False, "short": True, "degree sign in title": True}


def test_jcampconverter_misreads_exponents_in_xydata_lines(tmp_path):
    """Not about our files: jcampconverter takes the letter of an exponent in an XYDATA line
    ("1E-07", "1e-07") for a compressed-digit character, and reads more points than the line
    holds. An X of an XYDATA line must be written without an exponent."""
    text = (FIXTURES / "fast.jdx").read_bytes()
    cases = {"as made": text, "upper": text.replace(b"0.0000001 ", b"1E-07 "),
             "lower": text.replace(b"0.0000001 ", b"1e-07 ")}
    read = read_all([NODE, HERE / "read_jcamp.mjs"], reader_limit_files(tmp_path, cases))
    counts = {label: len(read[label]["entries"][0]["spectra"][0]["x"]) for label in cases}
    assert counts["as made"] == 5 and counts["upper"] > 5 and counts["lower"] > 5, counts


# ---------------------------------------------------------------------------------------------
# VarnixCSV, VarnixTSV, SimpleCSV

TEXT_TARGETS = {"csv": (True, False), "tsv": (False, False), "euro": (False, True)}


@pytest.mark.parametrize("target", TEXT_TARGETS)
@pytest.mark.parametrize("name", NAMES)
def test_pandas_reads_the_tables(name, target, measurements, exported):
    csv_style, euro = TEXT_TARGETS[target]
    raw = export_of(exported, target, name).read_bytes()
    problems = L.varnix_problems(measurements[name], raw, csv_style, euro)
    assert not problems, report(problems)


@pytest.mark.parametrize("name", NAMES)
def test_pandas_reads_simple_csv(name, measurements, exported):
    problems = L.simple_csv_problems(measurements[name], export_of(exported, "simple", name).read_bytes())
    assert not problems, report(problems)


@pytest.mark.parametrize("target", ["csv", "tsv"])
@pytest.mark.parametrize("name", NAMES)
def test_csv_module_keeps_header_texts(name, target, measurements, exported):
    raw = export_of(exported, target, name).read_bytes()
    problems = L.header_text_problems(measurements[name], raw, "," if target == "csv" else "\t")
    assert not problems, report(problems)


def test_table_checks_notice_a_fault():
    """A value off in its fifth significant digit, a German number read the English way and a
    missing row are each reported; the sixth digit's rounding is not."""
    rows = [L.Row([None, 1.0, 2.0, None]), L.Row([10.0, 0.1234567, -1234.5]), L.Row([20.0, float("nan"), float("inf")])]
    good = ["\t1\t2\t", "10\t0,123457\t-1.234,5", "20\tnan\tinf"]
    assert L.compare_rows(good, rows, "\t", True, "t") == []
    assert L.compare_rows([good[0], "10\t0,123467\t-1.234,5", good[2]], rows, "\t", True, "t")
    assert L.compare_rows(good, rows, "\t", False, "t")
    assert L.compare_rows(good[:2], rows, "\t", True, "t")
    assert L.compare_rows([good[0], good[1], "20\t0\tinf"], rows, "\t", True, "t")
