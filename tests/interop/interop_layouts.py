"""What our exports of a measurement should hold, worked out from the measurement itself (the
JSON that `make_interop_stores dump` prints), and the comparisons of what other programs read
from those exports with it.

Every check returns a list of problems, one readable sentence each; an empty list means the
export, or the reader's view of it, is right.
"""

import csv
import io
import itertools
import math
import re
from dataclasses import dataclass, field

import pandas as pd

# The export's numbers have six significant digits; a correctly rounded one is off by at most
# half a unit in the sixth digit.
PRINTED_RELATIVE = 5e-6 * (1 + 1e-9)
# X values a reader gives back must match to this fraction of the value (or of the axis step
# there, for values near zero).
X_RELATIVE = 1e-6
# How many offending points a problem sentence lists.
SHOWN = 3


def kind(name):
    """The kind word of a property or dimension name: the text before the first blank."""
    return re.split(r"[ \0]", name, maxsplit=1)[0]


def finite(v):
    return v is not None and math.isfinite(v)


class Measurement:
    """A dump: title, texts, properties, dimensions and the value block in store order."""

    def __init__(self, dump):
        self.title = dump["title"]
        self.remarks = dump["remarks"]
        self.options = dump["options"]
        self.history = dump["history"]
        self.properties = dump["properties"]
        self.dim_names = [d["name"] for d in dump["dimensions"]]
        self.axes = [[float(v) for v in d["values"]] for d in dump["dimensions"]]
        self.steps = [len(a) for a in self.axes]
        self.values = [float(v) for v in dump["values"]]
        self.per_property = math.prod(self.steps)
        if len(self.values) != len(self.properties) * self.per_property:
            raise ValueError("dump holds %d values, its axes call for %d"
                             % (len(self.values), len(self.properties) * self.per_property))

    def value(self, p, at):
        """Property p at the steps `at` (one per dimension)."""
        offset, stride = p * self.per_property, 1
        for k, i in enumerate(at):
            offset += i * stride
            stride *= self.steps[k]
        return self.values[offset]

    def file_title(self):
        return self.title if self.title else "Export Data"


# ---------------------------------------------------------------------------------------------
# JCAMP-DX

def x_dimension(steps):
    """The dimension a JCAMP-DX block runs along: the only one; of two, the one with more steps
    (the first on a tie); of more, the first of those with most steps among the dimensions of
    more than one step (the first dimension when none has more than one)."""
    n = len(steps)
    if n == 1:
        return 0
    if n == 2:
        return 1 if steps[1] > steps[0] else 0
    candidates = [k for k in range(n) if steps[k] > 1]
    if not candidates:
        return 0
    return max(candidates, key=lambda k: (steps[k], -k))


def evenly_spaced(axis):
    """True for an evenly spaced axis, False for an uneven one, None when a writer may call it
    either: one point, or float rounding too large to tell (steps of 1e-7 s at 1e-4 s)."""
    if len(axis) < 2:
        return None
    mean = (axis[-1] - axis[0]) / (len(axis) - 1)
    if mean == 0:
        return False
    deviation = max(abs((b - a) - mean) for a, b in zip(axis, axis[1:])) / abs(mean)
    if deviation <= 1e-9:
        return True
    if deviation > 1e-3:
        return False
    return None


@dataclass
class Block:
    """One block of a JCAMP-DX export: one property along the X dimension at fixed outer steps."""
    prop: str
    outer: list            # (kind, value, steps) of each outer dimension, in dimension order
    x: list
    y: list                # every value, finite or not
    local_step: list       # per point, the distance to its nearest neighbour on the axis
    even: object           # evenly_spaced() of the X axis

    def points(self):
        """The points a reader should give back: those with a finite value."""
        return [(x, y, s) for x, y, s in zip(self.x, self.y, self.local_step) if finite(y)]

    def form(self):
        """XYDATA, XYPOINTS, or None when either is right."""
        if not all(finite(v) for v in self.y):
            return "XYPOINTS"
        if self.even is None:
            return None
        return "XYDATA" if self.even else "XYPOINTS"


def local_steps(axis):
    out = []
    for i in range(len(axis)):
        near = [abs(axis[j] - axis[i]) for j in (i - 1, i + 1) if 0 <= j < len(axis)]
        near = [d for d in near if d > 0]
        out.append(min(near) if near else 0.0)
    return out


def jcamp_blocks(m):
    """The blocks of the export in file order: the outer steps with the first outer dimension
    changing fastest, and the properties in order at each."""
    x = x_dimension(m.steps)
    outer = [k for k in range(len(m.steps)) if k != x]
    axis = m.axes[x]
    steps_of_x = local_steps(axis)
    even = evenly_spaced(axis)
    blocks = []
    for combo in itertools.product(*[range(m.steps[k]) for k in reversed(outer)]):
        combo = combo[::-1]
        at = [0] * len(m.steps)
        for k, i in zip(outer, combo):
            at[k] = i
        for p, name in enumerate(m.properties):
            ys = []
            for i in range(len(axis)):
                at[x] = i
                ys.append(m.value(p, at))
            blocks.append(Block(kind(name), [(kind(m.dim_names[k]), m.axes[k][i], m.steps[k]) for k, i in zip(outer, combo)],
                                list(axis), ys, steps_of_x, even))
    return blocks


@dataclass
class JdxBlock:
    """Records from one ##TITLE= to the next, as our own parse of the file finds them: the
    file's header, a block, or (in a file of one block) both."""
    records: list = field(default_factory=list)   # (label, value) in order
    data: list = field(default_factory=list)      # the lines after the data record

    def get(self, label):
        for lab, value in self.records:
            if lab == label:
                return value
        return None

    def yfactor(self):
        try:
            return float(self.get("YFACTOR"))
        except (TypeError, ValueError):
            return None

    def dataclass(self):
        value = self.get("DATACLASS")
        return value.strip() if value is not None else None


@dataclass
class JdxFile:
    groups: list       # record groups, each starting at a ##TITLE=
    blocks: list       # the groups (or, for one block, the single group) that hold data
    problems: list


DATA_LABELS = ("XYDATA", "XYPOINTS")


def parse_jdx(raw):
    """Our export's records, grouped at each ##TITLE=. Lines must end in CR LF."""
    problems = []
    text = raw.decode("latin-1")
    if re.search(r"(?<!\r)\n", text) or re.search(r"\r(?!\n)", text):
        problems.append("not every line ends in CR LF")
    lines = re.split(r"\r?\n", text)
    if lines and lines[-1] == "":
        lines.pop()
    groups, current, in_data = [], None, False
    for line in lines:
        if line.startswith("##"):
            label, _, value = line[2:].partition("=")
            if label == "TITLE" or current is None:
                if label != "TITLE":
                    problems.append("a record before the first ##TITLE=")
                current = JdxBlock()
                groups.append(current)
            current.records.append((label, value))
            in_data = label in DATA_LABELS
        elif in_data:
            current.data.append(line)
        elif line.strip():
            problems.append("a line outside any data record: %r" % line[:60])
    blocks = [g for g in groups if any(lab in DATA_LABELS for lab, _ in g.records)]
    return JdxFile(groups, blocks, problems)


def numbers_close(got, want, relative):
    if not finite(want):
        return got == want or (math.isnan(want) and math.isnan(got))
    return abs(got - want) <= relative * abs(want)


def ascii_pattern(text):
    """A pattern for `text` as a JCAMP-DX text record holds it: in ASCII, each character outside
    ASCII written as some ASCII text of its own (a close form such as "deg", or nothing)."""
    return "".join(re.escape(c) if ord(c) < 0x80 else "[ -~]*?" for c in text)


def title_matches(got, text):
    return got is not None and re.fullmatch(ascii_pattern(text), got.strip()) is not None


def block_title_problems(got, block, single_title):
    """The title a reader (or the file) gives a block: the file's title for a file of one block,
    else the property kind, followed by " at Kind=value, ..." naming the outer steps (all outer
    dimensions, or only those of more than one step)."""
    if got is None:
        return ["no title"]
    got = got.strip()
    if single_title is not None:
        return [] if title_matches(got, single_title) else ["title %r, expected %r" % (got, single_title)]
    match = re.fullmatch("(%s)(?: at (.*))?" % ascii_pattern(block.prop), got)
    if not match:
        return ["title %r, expected %r followed by the outer steps" % (got, block.prop)]
    parts = match.group(2).split(", ") if match.group(2) is not None else []
    named = [o for o in block.outer if len(parts) == len(block.outer) or o[2] > 1]
    if len(parts) != len(named):
        return ["title %r names %d outer steps, expected %d (or %d without those of one step)"
                % (got, len(parts), len(block.outer), sum(o[2] > 1 for o in block.outer))]
    for part, (k, v, _) in zip(parts, named):
        name, _, number = part.partition("=")
        try:
            ok = title_matches(name, k) and numbers_close(float(number), v, PRINTED_RELATIVE)
        except ValueError:
            ok = False
        if not ok:
            return ["title %r: %r where %s=%r was expected" % (got, part, k, v)]
    return []


def point_problems(got_x, got_y, block, yfactor, sort_by_x):
    """A reader's points against the block's finite values: the same number of points, each X
    within X_RELATIVE of the source, each Y within one YFACTOR. Missing values (null) must be
    where the source is not finite; there, numbers must not appear."""
    if yfactor is None or not yfactor > 0:
        return ["no usable ##YFACTOR for this block in the file"]
    if len(got_x) != len(got_y):
        return ["%d X values but %d Y values" % (len(got_x), len(got_y))]
    got = [(x, y) for x, y in zip(got_x, got_y) if y is not None]
    if any(x is None for x, _ in got):
        return ["an X value is missing"]
    want = block.points()
    skipped = len(block.y) - len(want)
    if len(got) != len(want):
        return ["%d points, expected %d (%d of the source's %d values are not finite)"
                % (len(got), len(want), skipped, len(block.y))]
    if sort_by_x:
        got.sort(key=lambda p: p[0])
        want.sort(key=lambda p: p[0])
    bad = []
    for i, ((gx, gy), (wx, wy, step)) in enumerate(zip(got, want)):
        x_ok = abs(gx - wx) <= X_RELATIVE * max(abs(wx), step)
        y_ok = abs(gy - wy) <= yfactor * (1 + 1e-6)
        if not (x_ok and y_ok):
            bad.append("point %d is (%r, %r), expected (%r, %r)" % (i, gx, gy, wx, wy))
    if bad:
        return ["%d of %d points are off (YFACTOR %r): %s" % (len(bad), len(want), yfactor, "; ".join(bad[:SHOWN]))]
    return []


def jcamp_layout_problems(m, jdx):
    """Our own reading of the export against the layout: header, block records, the form of
    each block, and its points."""
    problems = list(jdx.problems)
    blocks = jcamp_blocks(m)
    count = len(blocks)
    if not jdx.groups:
        return problems + ["no records"]
    header = jdx.groups[0].records
    labels = [lab for lab, _ in header]
    # ##BLOCKS= of a compound file may come before or after its ##DATATYPE=LINK.
    want = ["TITLE", "JCAMP-DX"] + (["BLOCKS"] if count > 1 else []) + ["DATATYPE", "ORIGIN", "OWNER", "DATE", "TIME"]
    also = want[:2] + want[3:4] + want[2:3] + want[4:]
    if labels[:len(want)] not in (want, also):
        problems.append("header records %s, expected %s" % (labels[:len(want)], want))
    head = dict(header)
    if not title_matches(head.get("TITLE"), m.file_title()):
        problems.append("##TITLE=%r, expected %r in ASCII" % (head.get("TITLE"), m.file_title()))
    if re.search(r"[^ -~]", "".join(value for _, value in header)):
        problems.append("header texts outside printable ASCII")
    if head.get("JCAMP-DX") != "5.0    $$ Varnix v. 4.1":
        problems.append("##JCAMP-DX=%r" % head.get("JCAMP-DX"))
    if count > 1:
        if (head.get("BLOCKS") or "").strip() != str(count):
            problems.append("##BLOCKS=%r, expected %d" % (head.get("BLOCKS"), count))
        if (head.get("DATATYPE") or "").strip() != "LINK":
            problems.append("##DATATYPE=%r in a file of %d blocks, expected LINK" % (head.get("DATATYPE"), count))
        if len(jdx.groups) != count + 1:
            problems.append("%d ##TITLE= records, expected %d (the file's and one per block)" % (len(jdx.groups), count + 1))
    if len(jdx.blocks) != count:
        return problems + ["%d blocks hold data, expected %d" % (len(jdx.blocks), count)]
    for i, (want_block, got) in enumerate(zip(blocks, jdx.blocks)):
        where = "block %d: " % (i + 1)
        labels = [lab for lab, _ in got.records]
        if count > 1:
            if labels[:4] != ["TITLE", "JCAMP-DX", "DATATYPE", "BLOCK_ID"]:
                problems.append(where + "opens with %s" % labels[:4])
            problems += [where + p for p in block_title_problems(got.get("TITLE"), want_block, None)]
            if (got.get("BLOCK_ID") or "").strip() != str(i + 1):
                problems.append(where + "##BLOCK_ID=%r" % got.get("BLOCK_ID"))
        ends = labels[-2:] if count > 1 and i == count - 1 else labels[-1:]
        if ends != ["END"] * len(ends):
            problems.append(where + "does not close with ##END=%s" % (" and the file's ##END=" if len(ends) == 2 else ""))
        problems += [where + p for p in block_record_problems(want_block, got)]
    return problems


def block_record_problems(block, got):
    problems = []
    form = got.dataclass()
    if form not in DATA_LABELS:
        return ["##DATACLASS=%r" % form]
    if block.form() is not None and form != block.form():
        why = "values that are not finite" if not all(finite(v) for v in block.y) else \
            ("an evenly spaced axis" if block.even else "an uneven axis")
        problems.append("##DATACLASS=%s for %s, expected %s" % (form, why, block.form()))
    spelled = {"XYDATA": "(X++(Y..Y))", "XYPOINTS": "(XY..XY)"}[form]
    if (got.get(form) or "").strip() != spelled:
        problems.append("##%s=%r, expected %s" % (form, got.get(form), spelled))
    yfactor = got.yfactor()
    try:
        npoints = int(got.get("NPOINTS"))
    except (TypeError, ValueError):
        npoints = None
    if npoints != len(got.data):
        problems.append("##NPOINTS=%r but %d data lines" % (got.get("NPOINTS"), len(got.data)))
    xs, ys = [], []
    for line in got.data:
        fields = line.split(",") if form == "XYPOINTS" else line.split()
        try:
            if len(fields) != 2:
                raise ValueError
            xs.append(float(fields[0]))
            ys.append(int(fields[1]) * yfactor if yfactor else None)
        except (ValueError, TypeError):
            return problems + ["data line %r is not \"x%s integer\"" % (line, "," if form == "XYPOINTS" else "")]
    if form == "XYDATA" and xs:
        for label, x in (("FIRSTX", xs[0]), ("LASTX", xs[-1])):
            try:
                v = float(got.get(label))
            except (TypeError, ValueError):
                problems.append("no ##%s=" % label)
                continue
            step = block.local_step[0] if label == "FIRSTX" else block.local_step[-1]
            if abs(v - x) > X_RELATIVE * max(abs(x), step):
                problems.append("##%s=%s but the data's X is %r" % (label, got.get(label), x))
    return problems + point_problems(xs, ys, block, yfactor, sort_by_x=False)


def jcampconverter_problems(m, jdx, result):
    """jcampconverter's entries: one LINK entry for a compound file, then one entry per block;
    an XYDATA block gives exactly its one spectrum, an XYPOINTS block none (the reader does not
    take ##XYPOINTS= data)."""
    if "error" in result:
        return ["jcampconverter failed: " + result["error"].splitlines()[0]]
    blocks = jcamp_blocks(m)
    entries = result["entries"]
    links = [e for e in entries if (e["dataType"] or "").strip().upper() == "LINK"]
    data = [e for e in entries if e not in links]
    problems = []
    if len(blocks) > 1:
        if len(links) != 1 or entries[0] is not links[0] or links[0]["children"] != len(blocks):
            problems.append("expected one LINK entry with %d children first, got %s"
                            % (len(blocks), [(e["dataType"], e["children"]) for e in links]))
        elif not title_matches(links[0]["title"], m.file_title()):
            problems.append("LINK entry titled %r, expected %r" % (links[0]["title"], m.file_title()))
    elif links:
        problems.append("a LINK entry in a file of one block")
    if len(data) != len(blocks):
        return problems + ["%d blocks, expected %d" % (len(data), len(blocks))]
    single = m.file_title() if len(blocks) == 1 else None
    for i, (block, entry) in enumerate(zip(blocks, data)):
        where = "block %d: " % (i + 1)
        problems += [where + p for p in block_title_problems(entry["title"], block, single)]
        filed = jdx.blocks[i] if i < len(jdx.blocks) else None
        form = filed.dataclass() if filed else None
        spectra = entry["spectra"]
        if form == "XYPOINTS":
            if spectra:
                problems.append(where + "an XYPOINTS block gave %d spectra, this reader used to give none" % len(spectra))
        elif len(spectra) != 1:
            problems.append(where + "%s block gave %d spectra, expected 1" % (form or "a missing", len(spectra)))
        else:
            problems += [where + p for p in point_problems(spectra[0]["x"], spectra[0]["y"], block,
                                                           filed.yfactor() if filed else None, sort_by_x=False)]
    return problems


def jspecview_problems(m, jdx, result):
    """JSpecView's spectra: one per block, in order, each with every point of the block (it
    keeps them in ascending X, so the points are compared in that order)."""
    if "error" in result:
        return ["JSpecView failed: " + result["error"]]
    blocks = jcamp_blocks(m)
    spectra = result["spectra"]
    if len(spectra) != len(blocks):
        return ["%d spectra, expected %d" % (len(spectra), len(blocks))]
    problems = []
    single = m.file_title() if len(blocks) == 1 else None
    for i, (block, spectrum) in enumerate(zip(blocks, spectra)):
        where = "block %d: " % (i + 1)
        filed = jdx.blocks[i] if i < len(jdx.blocks) else None
        problems += [where + p for p in block_title_problems(spectrum["title"], block, single)]
        problems += [where + p for p in point_problems(spectrum["x"], spectrum["y"], block,
                                                       filed.yfactor() if filed else None, sort_by_x=True)]
    return problems


# ---------------------------------------------------------------------------------------------
# VarnixCSV, VarnixTSV and SimpleCSV

@dataclass
class Row:
    """One expected line of a table: each cell a text (compared as it is) or a number (None for
    an empty cell)."""
    cells: list

    def numeric(self):
        return all(not isinstance(c, str) for c in self.cells)


def text_row(*cells):
    return Row(list(cells))


def order_by_size(steps):
    """Dimensions by descending step count, equal counts in dimension order."""
    return sorted(range(len(steps)), key=lambda k: -steps[k])


def grid_rows(m, p, row, col, at):
    """A grid: a line of column values between empty cells, then per row value that value and
    the values of property p along the columns."""
    rows = [Row([None] + m.axes[col] + [None])]
    for i, r in enumerate(m.axes[row]):
        at[row] = i
        cells = [r]
        for j in range(m.steps[col]):
            at[col] = j
            cells.append(m.value(p, at))
        rows.append(Row(cells))
    return rows


def varnix_layout(m, csv_style):
    """The header (each line a test: an exact text, a prefix, or None for a line not checked)
    and the data rows of VarnixCSV / VarnixTSV; and the first line after the data (None: the
    end of the file)."""
    sep = "," if csv_style else "\t"
    n = len(m.steps)
    # The title and remark lines are only counted here: how texts holding separators or quotes
    # are spelled is header_text_problems' business.
    header = ["VarnixCSV" if csv_style else "VarnixTSV", "", None, "", "Remarks:"]
    header += [None] * len(m.remarks) + ["", ("prefix", "Last Modified: "), "", "Options:"] + m.options + [""]
    if not csv_style:
        header.append("History: ")
        for block in m.history:
            header += [None] * (block.count("\n") + 1)
        header.append("")
    header.append(("prefix", "Available Dimensions:" + sep))
    order = order_by_size(m.steps)
    written = n
    if n > 3:
        written = 4 if m.steps[order[3]] == 1 else 3
        header += [None] * 3
    for i, k in enumerate(order):
        header.append(("prefix", kind(m.dim_names[k]) + ("(*)" if i >= written else "") + sep))
    header += ["", ("prefix", "Available Properties: " + sep)]
    header += [("prefix", kind(p) + sep) for p in m.properties]
    header += ["", "Data:", ""]

    rows = []
    at = [0] * n
    if written == 1:
        for p, name in enumerate(m.properties):
            rows += [text_row(kind(m.dim_names[0]), ""), text_row(kind(name))]
            rows += [Row([x, m.value(p, [i])]) for i, x in enumerate(m.axes[0])]
            rows.append(text_row(""))
    elif written == 2:
        row, col = (1, 0) if m.steps[0] < m.steps[1] else (0, 1)
        for p, name in enumerate(m.properties):
            rows += [text_row(""), text_row(kind(name)), text_row(kind(m.dim_names[row]), kind(m.dim_names[col]))]
            rows += grid_rows(m, p, row, col, at)
    else:
        row, col, block = order[:3]
        for p, name in enumerate(m.properties):
            rows += [text_row(""), text_row(kind(name))]
            for j, value in enumerate(m.axes[block]):
                if written == 4:
                    fourth = order[3]
                    rows.append(Row([kind(m.dim_names[fourth]) + ":", m.axes[fourth][0]]))
                rows.append(Row([kind(m.dim_names[block]) + ":", value]))
                rows.append(text_row(kind(m.dim_names[row]), kind(m.dim_names[col])))
                at[block] = j
                rows += grid_rows(m, p, row, col, at)
    if written >= 2:
        rows.append(text_row(""))
    rows.append(text_row(""))
    return header, rows, "History: " if csv_style else None


def simple_csv_rows(m):
    """SimpleCSV: "x,y" along the dimension with most steps (every other at its first step),
    an empty line after each property; a two-dimensional store whose second dimension by size
    has one step is written as rows of the larger one, without empty lines."""
    n = len(m.steps)
    order = order_by_size(m.steps)
    rows = []
    if n == 2 and m.steps[order[1]] == 1:
        row, col = (1, 0) if m.steps[0] < m.steps[1] else (0, 1)
        for p in range(len(m.properties)):
            rows += grid_rows(m, p, row, col, [0, 0])[1:]
        return rows
    d = order[0]
    at = [0] * n
    for p in range(len(m.properties)):
        for i, x in enumerate(m.axes[d]):
            at[d] = i
            rows.append(Row([x, m.value(p, at)]))
        rows.append(text_row(""))
    return rows


def number_text(text, euro):
    if euro:
        text = text.replace(".", "").replace(",", ".")
    return float(text)


def split_lines(raw):
    """The file's lines (ended by CR LF; a history block's own CR before it is dropped)."""
    lines = raw.decode("cp1252", errors="replace").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    return [line.rstrip("\r") for line in lines]


def cell_matches(got, want):
    if want is None:
        return math.isnan(got)
    if math.isnan(want):
        return math.isnan(got)
    if math.isinf(want):
        return got == want
    return abs(got - want) <= PRINTED_RELATIVE * abs(want)


def compare_rows(lines, rows, sep, euro, where):
    """Lines of the file against expected rows: text rows cell by cell, each run of numeric rows
    read by pandas (with decimal commas and '.' thousands for the Euro form)."""
    problems = []
    if len(lines) < len(rows):
        return ["%s: %d lines, expected %d" % (where, len(lines), len(rows))]
    i = 0
    while i < len(rows):
        if not rows[i].numeric():
            got = lines[i].split(sep)
            want = rows[i].cells
            ok = len(got) == len(want)
            for g, w in zip(got, want):
                if isinstance(w, str):
                    ok = ok and g == w
                else:
                    try:
                        ok = ok and cell_matches(number_text(g, euro), w)
                    except ValueError:
                        ok = False
            if not ok:
                problems.append("%s line %d is %r, expected %r" % (where, i + 1, lines[i], want))
                return problems
            i += 1
            continue
        j = i
        while j < len(rows) and rows[j].numeric():
            j += 1
        width = max(len(r.cells) for r in rows[i:j])
        try:
            frame = pd.read_csv(io.StringIO("\n".join(lines[i:j]) + "\n"), sep=sep, header=None, names=range(width),
                                dtype=float, decimal="," if euro else ".", thousands="." if euro else None,
                                skip_blank_lines=False)
        except (ValueError, pd.errors.ParserError) as e:
            return problems + ["%s lines %d-%d: pandas cannot read them as numbers: %s" % (where, i + 1, j, e)]
        if len(frame) != j - i:
            return problems + ["%s lines %d-%d: pandas read %d rows" % (where, i + 1, j, len(frame))]
        bad = []
        for r, row in enumerate(rows[i:j]):
            got = frame.iloc[r].tolist()
            cells = row.cells + [None] * (width - len(row.cells))
            for c, (g, w) in enumerate(zip(got, cells)):
                if not cell_matches(g, w):
                    bad.append("line %d cell %d is %r (%r), expected %r" % (i + r + 1, c + 1, g, lines[i + r].split(sep)[c:c + 1], w))
        if bad:
            problems.append("%s: %d cells differ: %s" % (where, len(bad), "; ".join(bad[:SHOWN])))
        i = j
    return problems


def varnix_problems(m, raw, csv_style, euro=False):
    sep = "," if csv_style else "\t"
    lines = split_lines(raw)
    header, rows, after = varnix_layout(m, csv_style)
    problems = []
    for i, want in enumerate(header):
        got = lines[i] if i < len(lines) else None
        if want is None:
            continue
        ok = got is not None and (got.startswith(want[1]) if isinstance(want, tuple) else got == want)
        if not ok:
            return ["header line %d is %r, expected %r" % (i + 1, got, want)]
    data = lines[len(header):]
    problems += compare_rows(data, rows, sep, euro, "data")
    rest = data[len(rows):]
    if after is None and rest:
        problems.append("%d lines after the tables, starting %r" % (len(rest), rest[0]))
    if after is not None and (not rest or rest[0] != after):
        problems.append("after the tables %r, expected %r" % (rest[0] if rest else None, after))
    return problems


def simple_csv_problems(m, raw):
    lines = split_lines(raw)
    rows = simple_csv_rows(m)
    problems = compare_rows(lines, rows, ",", False, "SimpleCSV")
    if len(lines) > len(rows):
        problems.append("%d lines after the rows, starting %r" % (len(lines) - len(rows), lines[len(rows)]))
    return problems


def header_text_problems(m, raw, sep):
    """The whole file read by Python's csv module (RFC 4180 quoting): the title and every remark
    must come back as one cell holding the text, separators and quotes included."""
    text = raw.decode("cp1252", errors="replace")
    try:
        records = list(csv.reader(io.StringIO(text, newline=""), delimiter=sep))
    except csv.Error as e:
        return ["the csv module cannot read the file: %s" % e]
    problems = []
    # "Title: <title>" as one cell, or "Title:" and the title as two.
    titles = [r for r in records if r and r[0].startswith("Title:")]
    title = titles[0] if titles else None
    if title not in (["Title: " + m.title], ["Title:", m.title], ["Title: ", m.title]):
        problems.append("title record %r, expected the title %r in one cell" % (title, m.title))
    try:
        start = records.index(["Remarks:"]) + 1
    except ValueError:
        return problems + ["no Remarks: record"]
    got = records[start:start + len(m.remarks)]
    # An empty remark is an empty line, which the csv module reads as no cell at all.
    want = [[r] if r else [] for r in m.remarks]
    if [g if g != [""] else [] for g in got] != want:
        problems.append("remark records %r, expected %r" % (got, want))
    return problems
