// SimpleCSV (.csv): rows of numbers without any header, for the simplest spreadsheet or plotting
// tool. Write-only.
//
//   one dimension:   "x,y\n" per axis value of the most significant dimension, one empty line
//                    after each property;
//   two dimensions, the smaller holding one value: "r,v1,...\n" per regular row value, no empty
//                    line between properties.
//
// A DataStore with more than one significant dimension is written along its most significant one
// after a warning box; one without dimensions gets a stop box and an empty file. Both boxes go
// through the process-wide notifier (standard error on the command line).
#include "datastore/DataStore.h"
#include "formats/ExportHelpers.h"
#include "formats/io/ChunkWriter.h"
#include "util/Notifier.h"
#include "formats/Registry.h"

namespace kyn {

namespace {

constexpr const char* kBoxCaption = "Belmora";
constexpr const char* kNoDataText = "Sorry. The current dataset does not contain any data to save.\n";
constexpr const char* kManyDimensionsText =
    "Warning!\nThe current dataset contains more than one Dimension.\n"
    "The saved data file will contain only the most significant\nDimension.\n";

}  // namespace

std::ostream& DataStore::WriteSimpleCSV(std::ostream& os, LossNotes* losses) {
    formatName = "SimpleCSV";
    const DimensionOrder order = SortDimensionsBySize(*this);
    const int n = dimensions.Count();
    if (n == 0) {
        Notify(kBoxCaption, kNoDataText, notice::kIconStop | notice::kTopmost);
        NoteKept(losses, 0, ValueCount(), "SimpleCSV has nothing to write for a DataStore without dimensions");
        return os;
    }
    ChunkWriter w(os);
    const bool twoDimensional = n == 2 && order.size[1] == 1;
    if (!twoDimensional && n >= 2 && order.size[1] > 1)
        Notify(kBoxCaption, kManyDimensionsText,
               notice::kIconExclamation | notice::kSystemModal | notice::kTaskModal | notice::kTopmost);

    if (twoDimensional) {
        int row = 0, col = 1;
        const int rc0 = RegularCount(*this, 0), rc1 = RegularCount(*this, 1);
        if (rc0 < rc1) std::swap(row, col);
        const int rows = row == 0 ? rc0 : rc1;
        NoteKept(losses, std::int64_t{properties.Count()} * rows * dimensions[col].Steps(), ValueCount(),
                 "the rows of '" + GetDimensionName(row, true) + "' beyond its stored range are left out");
        for (int p = 0; p < properties.Count(); ++p) {
            for (int i = 0; i < rows; ++i) {
                w.Number(dimensions[row].values[i]).Put(',');
                SetDimensionCurrent(row, i);
                const Array<float> slice = GetSlice(col, p);
                for (int j = 0; j < slice.Count(); ++j) {
                    if (j) w.Put(',');
                    w.Number(slice.At(j));
                }
                w.Newline();
            }
        }
    } else {
        const int d = order.index[0];
        const Dimension& dim = dimensions[d];
        NoteKept(losses, std::int64_t{properties.Count()} * dim.Steps(), ValueCount(),
                 "SimpleCSV holds one dimension ('" + GetDimensionName(d, true) +
                     "'); the others are taken at their current step");
        for (int p = 0; p < properties.Count(); ++p) {
            const Array<float> slice = GetSlice(d, p);
            for (int k = 0; k < dim.Steps(); ++k) w.Number(dim.values.At(k)).Put(',').Number(slice[k]).Newline();
            w.Newline();
        }
    }
    w.Flush();
    return os;
}

namespace {
void WriteSimpleCsvFile(DataStore& ds, std::ostream& os, const WriterOptions& o) { ds.WriteSimpleCSV(os, o.losses); }
}  // namespace

// No target of its own: the CSV target writes it when the header is to be stripped.
constinit const FormatInfo kSimpleCsvFormat = {
    .name = "SimpleCSV",
    .fuzzKey = "",
    .accepts = {},
    .refuses = {FirstLines::Match::WholeLine, "SimpleCSV", {}},
    .refusal = "CSV is an export only format.\nIt cannot be imported.\n",
    .probe = nullptr,
    .readsFrom = ReadsFrom::TextFromStart,
    .read = nullptr,
    .write = WriteSimpleCsvFile,
    .mode = StreamMode::Text,
    .holds = {1, true, false, false},
    .target = {},
};

}  // namespace kyn
