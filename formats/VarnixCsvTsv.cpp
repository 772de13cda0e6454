// VarnixCSV (comma-separated, .csv) and VarnixTSV (tab-separated, .txt): write-only spreadsheet
// texts of a whole DataStore. One algorithm serves both; the differences are gathered in Style.
//
// Layout (each "\n" reaches the disk as CR LF through the text-mode stream):
//
//   VarnixCSV|VarnixTSV \n\n
//   Title: <title>\n\n
//   Remarks:\n <one line per remark> \n
//   Last Modified: <ctime> by <user>.\n\n
//   Options:\n <one line per option> \n
//   [TSV] History: \n <one block per history entry, each + \n> \n
//   Available Dimensions:<sep><n>\n        (n = 0: one warning line and the file ends)
//   [truncation warning, three lines, when n > 3]
//   <kind>[(*)]<sep><description>\n ... \n       most significant dimension first
//   Available Properties: <sep><P>\n <kind><sep><description>\n ... \n
//   Data:\n\n
//   <tables: 1-D rows "x,y"; 2-D grid; 3-D/4-D one grid per block value>
//   [k >= 2: \n] \n
//   [CSV] History: \n <blocks without "\.."> \n
//   [CSV + extra info] the raw properties, dimensions, options and value blocks
//
// Text cells that hold the separator, a double quote or a line end are quoted as RFC 4180 says
// (history lines each on their own); every other cell is written as it is.
//
// Numbers are %g with six significant digits and a three-digit exponent; the TSV "Euro" option
// spells them the German way (decimal comma, "." between thousands) with our own formatter, so
// the process locale, which the user-interface thread shares, is never touched.
#include <string>
#include <string_view>

#include "datastore/DataStore.h"
#include "datastore/Descriptions.h"
#include "formats/ExportHelpers.h"
#include "formats/io/ChunkWriter.h"
#include "util/StringUtil.h"
#include "formats/Registry.h"

namespace kyn {

namespace {

struct Style {
    bool csv;               // VarnixCSV; otherwise VarnixTSV
    bool extraInfo = false;  // VarnixCSV: raw DataStore contents after the history
    bool euro = false;       // VarnixTSV: German numbers
    LossNotes* losses = nullptr;
    char sep() const { return csv ? ',' : '\t'; }
    const char* name() const { return csv ? "VarnixCSV" : "VarnixTSV"; }
};

// A text cell: as it is, or, when it holds the separator, a double quote or a line end, in double
// quotes with its quotes doubled, so that a spreadsheet reader takes it as one cell whatever it
// holds (RFC 4180). Cells without those characters are written exactly as they are.
void PutCell(ChunkWriter& w, std::string_view text, char sep) {
    const char special[] = {sep, '"', '\n', '\r', '\0'};
    if (text.find_first_of(special) == std::string_view::npos) {
        w.Put(text);
        return;
    }
    w.Put('"');
    for (char c : text) {
        if (c == '"') w.Put('"');
        w.Put(c);
    }
    w.Put('"');
}

// A block of text lines (a history entry) whose lines are rows: each line is a cell of its own,
// its line end kept outside the quotes.
void PutLines(ChunkWriter& w, std::string_view block, char sep) {
    for (;;) {
        const std::size_t end = block.find('\n');
        std::string_view line = block.substr(0, end);
        std::size_t crs = 0;
        while (crs < line.size() && line[line.size() - 1 - crs] == '\r') ++crs;
        PutCell(w, line.substr(0, line.size() - crs), sep);
        w.Put(line.substr(line.size() - crs));
        if (end == std::string_view::npos) return;
        w.Put('\n');
        block.remove_prefix(end + 1);
    }
}

// Writes the slice of property p along dimension d: values separated by sep, then a line break.
void WriteSliceRow(ChunkWriter& w, DataStore& ds, int d, int p, char sep) {
    const Array<float> slice = ds.GetSlice(d, p);
    const int n = slice.Count();
    for (int i = 0; i < n; ++i) {
        if (i) w.Put(sep);
        w.Number(slice.At(i));
    }
    w.Newline();
}

// The grid of a two-dimensional table: a header of column values, then one row per row value.
// `rows` and `cols` limit the axis values used as row heads and header cells.
void WriteGrid(ChunkWriter& w, DataStore& ds, int p, int row, int col, int rows, int cols, char sep,
               const std::vector<Marker>* columnMarkers) {
    const Dimension& colDim = ds.dimensions[col];
    w.Put(sep);
    for (int j = 0; j < cols; ++j) w.Number(colDim.values[j]).Put(sep);
    if (columnMarkers)
        for (const Marker& m : *columnMarkers)
            if (m.visible) {
                PutCell(w, m.label, sep);
                w.Put(sep);
            }
    w.Newline();
    for (int i = 0; i < rows; ++i) {
        w.Number(ds.dimensions[row].values[i]).Put(sep);
        ds.SetDimensionCurrent(row, i);
        WriteSliceRow(w, ds, col, p, sep);
    }
}

const std::vector<Marker>* MarkersOf(const DataStore& ds, int d) {
    const auto& lists = ds.viewState.markers;
    if (d < static_cast<int>(lists.size()) && d < ds.viewState.dimensionCount)
        return &lists[static_cast<std::size_t>(d)];
    return nullptr;
}

// Writes the two-dimensional tables; returns the number of values written per property.
std::int64_t WriteTwoDimensional(ChunkWriter& w, DataStore& ds, const Style& style) {
    const char sep = style.sep();
    int row = 0, col = 1, rows, cols;
    const std::vector<Marker>* colMarkers = nullptr;
    const std::vector<Marker>* rowMarkers = nullptr;
    if (style.csv) {
        const int rc0 = RegularCount(ds, 0), rc1 = RegularCount(ds, 1);
        if (rc0 < rc1) std::swap(row, col);
        rows = row == 0 ? rc0 : rc1;
        cols = col == 0 ? rc0 : rc1;
        colMarkers = MarkersOf(ds, col);
        rowMarkers = MarkersOf(ds, row);
    } else {
        if (ds.dimensions[0].Steps() < ds.dimensions[1].Steps()) std::swap(row, col);
        rows = ds.dimensions[row].Steps();
        cols = ds.dimensions[col].Steps();
    }
    std::int64_t rowsWritten = rows;
    for (int p = 0; p < ds.properties.Count(); ++p) {
        w.Newline();
        PutCell(w, ds.GetPropertyName(p, true), sep);
        w.Newline();
        PutCell(w, ds.GetDimensionName(row, true), sep);
        w.Put(sep);
        PutCell(w, ds.GetDimensionName(col, true), sep);
        w.Newline();
        WriteGrid(w, ds, p, row, col, rows, cols, sep, colMarkers);
        if (!rowMarkers) continue;
        const int steps = ds.dimensions[row].Steps();
        rowsWritten = rows;
        for (std::size_t j = 0; j < rowMarkers->size(); ++j) {
            const Marker& m = (*rowMarkers)[j];
            if (!m.visible) continue;
            // A marker row lives at step (regular count + position); a view state that does not
            // match the axis would point past it, and such a row is left out.
            const long long step = static_cast<long long>(rows) + static_cast<long long>(j);
            if (step >= steps) continue;
            PutCell(w, m.label, sep);
            w.Put(sep);
            ds.SetDimensionCurrent(row, static_cast<int>(step));
            WriteSliceRow(w, ds, col, p, sep);
            ++rowsWritten;
        }
    }
    return rowsWritten * ds.dimensions[col].Steps();
}

void WriteBlocks(ChunkWriter& w, DataStore& ds, const DimensionOrder& order, int k, char sep) {
    const int row = order.index[0], col = order.index[1], block = order.index[2];
    const Dimension& rowDim = ds.dimensions[row];
    const Dimension& colDim = ds.dimensions[col];
    const Dimension& blockDim = ds.dimensions[block];
    for (int p = 0; p < ds.properties.Count(); ++p) {
        w.Newline();
        PutCell(w, ds.GetPropertyName(p, true), sep);
        w.Newline();
        for (int j = 0; j < blockDim.Steps(); ++j) {
            if (k == 4) {
                const int fourth = order.index[3];
                PutCell(w, ds.GetDimensionName(fourth, true) + ':', sep);
                w.Put(sep).Number(ds.dimensions[fourth].values[0]).Newline();
            }
            PutCell(w, ds.GetDimensionName(block, true) + ':', sep);
            w.Put(sep).Number(blockDim.values[j]).Newline();
            ds.SetDimensionCurrent(block, j);
            PutCell(w, ds.GetDimensionName(row, true), sep);
            w.Put(sep);
            PutCell(w, ds.GetDimensionName(col, true), sep);
            w.Newline();
            WriteGrid(w, ds, p, row, col, rowDim.Steps(), colDim.Steps(), sep, nullptr);
        }
    }
}

// One property's values in storage order: along dimension 0 a comma-separated run, and for each
// step of a higher dimension a line break followed by the block of the dimension below.
void WriteRawBlock(ChunkWriter& w, const float* values, const DataStore& ds, int d) {
    if (d == 0) {
        const int n = ds.dimensions.At(0).Steps();
        for (int i = 0; i < n; ++i) {
            if (i) w.Put(',');
            w.Number(values[i]);
        }
        return;
    }
    long long inner = 1;
    for (int k = 0; k < d; ++k) inner *= ds.dimensions.At(k).Steps();
    for (int i = 0; i < ds.dimensions.At(d).Steps(); ++i) {
        w.Newline();
        WriteRawBlock(w, values + i * inner, ds, d - 1);
    }
}

void WriteExtraInfo(ChunkWriter& w, DataStore& ds) {
    w.Put("Original DataStore data below:\n\n");
    w.Flush();
    w.Put("Properties:\n").Integer(ds.properties.Count()).Newline();
    for (int p = 0; p < ds.properties.Count(); ++p) {
        PutCell(w, ds.properties.At(p), ',');
        w.Newline();
    }
    w.Put("Dimensions:\n").Integer(ds.dimensions.Count()).Newline();
    for (int d = 0; d < ds.dimensions.Count(); ++d) {
        const Dimension& dim = ds.dimensions.At(d);
        PutCell(w, dim.name, ',');
        w.Newline().Integer(dim.Steps()).Newline();
        for (int i = 0; i < dim.Steps(); ++i) {
            if (i) w.Put(',');
            w.Number(dim.values.At(i));
        }
        w.Newline();
    }
    for (int i = 0; i < ds.options.Count(); ++i) {
        PutCell(w, ds.options.At(i), ',');
        w.Newline();
    }
    const long long perProperty = ds.ValueCount() / (ds.properties.Count() > 0 ? ds.properties.Count() : 1);
    // The blocks are read straight from the value block: it must hold what the axes announce.
    if (ds.ValueCount() < 0 || ds.ValueCount() > ds.data.Count()) Fail(msg::kDPointerIndex);
    for (int p = 0; p < ds.properties.Count(); ++p) {
        WriteRawBlock(w, ds.data.Data() + p * perProperty, ds, ds.dimensions.Count() - 1);
        w.Newline();
    }
    w.Flush();
}

// Title, remarks, the last modification, options and (VarnixTSV) the history.
void WriteHeader(ChunkWriter& w, DataStore& ds, const Style& style) {
    w.Put(style.name()).Put("\n\n");
    if (style.csv) ds.formatName = "VarnixCSV";
    const char sep = style.sep();
    PutCell(w, "Title: " + ds.title, sep);
    w.Put("\n\n");
    w.Put("Remarks:\n");
    for (int i = 0; i < ds.remarks.Count(); ++i) {
        PutCell(w, ds.remarks.At(i), sep);
        w.Newline();
    }
    w.Newline();
    ds.StampLastModified();
    if (ds.modifiedBy.empty()) ds.modifiedBy = "unknown";
    PutCell(w, "Last Modified: " + ds.lastModified + " by " + ds.modifiedBy + ".", sep);
    w.Put("\n\n");
    w.Put("Options:\n");
    for (int i = 0; i < ds.options.Count(); ++i) {
        PutCell(w, ds.options.At(i), sep);
        w.Newline();
    }
    w.Newline();
    if (!style.csv) {
        w.Put("History: \n");
        for (const std::string& block : ds.GetHistoryText()) {
            PutLines(w, block, sep);
            w.Newline();
        }
        w.Newline();
    }
}

// The truncation warning (more than three dimensions, or four when the fourth has one step) and
// the list of dimensions, the left-out ones marked "(*)", then the properties. Returns how many
// dimensions the tables write.
int WriteDimensionsAndProperties(ChunkWriter& w, DataStore& ds, const DimensionOrder& order, char sep) {
    const int n = ds.dimensions.Count();
    int written = n;
    if (n > 3) {
        written = order.size[3] == 1 ? 4 : 3;
        w.Put(written == 4 ? "Warning! This DataStore contains four or more Dimensions.\n"
                             "Output will be truncated to the four most significant Dimensions.\n"
                           : "Warning! This DataStore contains more than three Dimensions.\n"
                             "Output will be truncated to the three most significant Dimensions.\n");
        w.Put("(Unsaved dimensions are marked below with an asterix.)\n");
    }
    w.Flush();
    for (int i = 0; i < n; ++i) {
        const int d = order.index[static_cast<std::size_t>(i)];
        PutCell(w, ds.GetDimensionName(d, true) + (i >= written ? "(*)" : ""), sep);
        w.Put(sep);
        PutCell(w, DimensionDescription(ds.dimensions[d]), sep);
        w.Newline();
    }
    w.Newline();
    w.Put("Available Properties: ").Put(sep).Integer(ds.properties.Count()).Newline();
    for (int p = 0; p < ds.properties.Count(); ++p) {
        PutCell(w, ds.GetPropertyName(p, true), sep);
        w.Put(sep);
        PutCell(w, PropertyDescription(ds.properties.At(p)), sep);
        w.Newline();
    }
    w.Newline();
    w.Flush();
    return written;
}

// The tables of `written` dimensions; returns the number of values written per property.
std::int64_t WriteTables(ChunkWriter& w, DataStore& ds, const DimensionOrder& order, int written, const Style& style) {
    const char sep = style.sep();
    w.Put("Data:\n\n");
    if (written == 2) return WriteTwoDimensional(w, ds, style);
    if (written > 2) {
        WriteBlocks(w, ds, order, written, sep);
        std::int64_t perProperty = 1;
        for (int i = 0; i < written; ++i) perProperty *= order.size[static_cast<std::size_t>(i)];
        return perProperty;
    }
    const Dimension& dim = ds.dimensions[0];
    for (int p = 0; p < ds.properties.Count(); ++p) {
        PutCell(w, ds.GetDimensionName(0, true), sep);
        w.Put(sep).Newline();
        PutCell(w, ds.GetPropertyName(p, true), sep);
        w.Newline();
        const Array<float> slice = ds.GetSlice(0, p);
        for (int j = 0; j < dim.Steps(); ++j) w.Number(dim.values.At(j)).Put(sep).Number(slice[j]).Newline();
        w.Newline();
    }
    return dim.Steps();
}

// VarnixCSV's history after the data (backslash-dot-dot removed), then the raw contents.
void WriteCsvTrailer(ChunkWriter& w, DataStore& ds, const Style& style) {
    w.Put("History: \n");
    for (std::string block : ds.GetHistoryText()) {
        RemoveAll(block, "\\..");
        PutLines(w, block, style.sep());
        w.Newline();
    }
    w.Newline();
    w.Flush();
    if (style.extraInfo) WriteExtraInfo(w, ds);
}

std::ostream& WriteVarnixText(DataStore& ds, std::ostream& os, const Style& style) {
    ChunkWriter w(os);
    os.setf(std::ios_base::dec, std::ios_base::basefield);
    WriteHeader(w, ds, style);
    const int n = ds.dimensions.Count();
    const DimensionOrder order = SortDimensionsBySize(ds);
    if (style.euro) w.SetStyle(NumberStyle::kGeneralGerman);
    w.Put("Available Dimensions:").Put(style.sep()).Integer(n).Newline();
    if (n == 0) {
        w.Put("Warning! This DataStore doesn't contain any Dimensions.\n");
        w.Flush();
        NoteKept(style.losses, 0, ds.ValueCount(),
                 std::string(style.name()) + " has no table for a DataStore without dimensions");
        return os;
    }
    const int written = WriteDimensionsAndProperties(w, ds, order, style.sep());
    const std::int64_t perProperty = WriteTables(w, ds, order, written, style);
    // The raw contents appended to a VarnixCSV file hold every value.
    if (!style.extraInfo)
        NoteKept(style.losses, std::int64_t{ds.properties.Count()} * perProperty, ds.ValueCount(),
                 written < n ? std::string(style.name()) + " tables hold the " + (written == 4 ? "four" : "three") +
                                   " most significant dimensions; the others are taken at their current step"
                             : "rows beyond the stored range of their dimension are left out");
    if (written >= 2) w.Newline();
    w.Newline();
    w.Flush();
    if (style.csv) WriteCsvTrailer(w, ds, style);
    return os;
}

}  // namespace

std::ostream& DataStore::WriteVarnixCSV(std::ostream& os, bool saveExtraInfo, LossNotes* losses) {
    Style style{true};
    style.extraInfo = saveExtraInfo;
    style.losses = losses;
    return WriteVarnixText(*this, os, style);
}

std::ostream& DataStore::WriteVarnixTSV(std::ostream& os, bool euroLocale, LossNotes* losses) {
    Style style{false};
    style.euro = euroLocale;
    style.losses = losses;
    return WriteVarnixText(*this, os, style);
}

namespace {

constexpr const char* kCsvExportOnly = "CSV is an export only format.\nIt cannot be imported.\n";

void WriteVarnixCsvFile(DataStore& ds, std::ostream& os, const WriterOptions& o) {
    ds.WriteVarnixCSV(os, o.SaveExtraInfo != 0, o.losses);
}

// The CSV target: VarnixCSV, or the header-less SimpleCSV when the header is to be stripped.
void WriteCsvTarget(DataStore& ds, std::ostream& os, const WriterOptions& o) {
    if (o.StripHeaderInformation == 1)
        kSimpleCsvFormat.write(ds, os, o);
    else
        WriteVarnixCsvFile(ds, os, o);
}

void WriteVarnixTsvFile(DataStore& ds, std::ostream& os, const WriterOptions& o) {
    ds.WriteVarnixTSV(os, o.EuroLocale != 0, o.losses);
}

}  // namespace

constinit const FormatInfo kVarnixCsvFormat = {
    .name = "VarnixCSV",
    .fuzzKey = "",
    .accepts = {},
    .refuses = {FirstLines::Match::WholeLine, "VarnixCSV", {}},
    .refusal = kCsvExportOnly,
    .probe = nullptr,
    .readsFrom = ReadsFrom::TextFromStart,
    .read = nullptr,
    .write = WriteVarnixCsvFile,
    .mode = StreamMode::Text,
    .holds = {3, true, true, false},
    .target = {3, "csv", ".csv", "VarnixCSV (SimpleCSV with --simple)",
               "Save in VarnixCSV (spread-sheet friendly CSV format)",
               "Save the converted DataStore in a spread-sheed friendly comma-separated values (CSV) file.",
               WriteCsvTarget},
};

constinit const FormatInfo kVarnixTsvFormat = {
    .name = "VarnixTSV",
    .fuzzKey = "",
    .accepts = {},  // not recognised: its first line falls through to "unrecognised"
    .refuses = {},
    .refusal = nullptr,
    .probe = nullptr,
    .readsFrom = ReadsFrom::TextFromStart,
    .read = nullptr,
    .write = WriteVarnixTsvFile,
    .mode = StreamMode::Text,
    .holds = {3, true, true, false},
    .target = {5, "tsv", ".txt", "VarnixTSV (tab-separated text)", "Save as Tab-Separated text file",
               "Save the converted DataStore in tab-separated values format.", WriteVarnixTsvFile},
};

}  // namespace kyn
