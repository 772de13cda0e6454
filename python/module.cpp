// _kyndata: the Python extension under the kyndata package. It gives Python the library the
// command line uses: a loaded DataStore whose value block numpy sees without a copy, the writers
// of every target, the output plan and the conversion job with its per-file results. The package
// (python/kyndata) builds the friendly layer on it: Measurement, xarray, Dask.
//
// Long work (loading, writing, a whole job) runs without the GIL. Every failure reaches Python as
// an exception with the reader's or the system's words; nothing here ends the interpreter.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "conversion/ConversionJob.h"
#include "conversion/OutputNaming.h"
#include "conversion/SafeOutput.h"
#include "conversion/TargetFormat.h"
#include "datastore/DataStore.h"
#include "datastore/Errors.h"
#include "datastore/Vocabulary.h"
#include "formats/Load.h"
#include "formats/Registry.h"
#include "util/Notifier.h"
#include "util/ProgressLog.h"

namespace py = pybind11;

namespace kyn::python {
namespace {

// A failure to read or write a measurement: kyndata.KynError.
struct KynFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

// A loaded (or built) store, shared with every array that looks into it.
struct Store {
    std::shared_ptr<DataStore> ds = std::make_shared<DataStore>(true);
    std::string path;
};

Store Load(const std::string& path) {
    Store s;
    s.path = path;
    std::string error;
    bool loaded = false;
    {
        py::gil_scoped_release release;
        loaded = LoadWithReason([&] { return s.ds->Load(path, false); }, error);
    }
    if (!loaded) {
        if (error.empty()) {
            const std::string kind = NotARegularFile(path);
            error = kind.empty() ? "The file cannot be read." : "This is " + kind + ", not a measurement file.";
        }
        throw KynFailure(path + ": " + Trimmed(error));
    }
    return s;
}

// The value block as an array of shape (steps of dimension 0, ..., of the last, properties):
// dimension 0 varies fastest in memory, so the array is in Fortran order; its base is the store.
py::array Values(py::object self) {
    Store& s = self.cast<Store&>();
    DataStore& ds = *s.ds;
    std::vector<py::ssize_t> shape, strides;
    py::ssize_t stride = sizeof(float);
    for (int d = 0; d < ds.dimensions.Count(); ++d) {
        shape.push_back(ds.dimensions.At(d).Steps());
        strides.push_back(stride);
        stride *= ds.dimensions.At(d).Steps();
    }
    shape.push_back(ds.properties.Count());
    strides.push_back(stride);
    const std::int64_t n = ds.ValueCount();
    // A store without values (a header, a dimension of no steps): an empty array.
    if (n <= 0 || ds.data.Count() < n) return py::array(py::dtype::of<float>(), std::vector<py::ssize_t>{0});
    return py::array(py::dtype::of<float>(), shape, strides, ds.data.Data(), self);
}

// One dimension's axis values, a view into the store.
py::array Axis(py::object self, int d) {
    Store& s = self.cast<Store&>();
    if (d < 0 || d >= s.ds->dimensions.Count()) throw py::index_error("no dimension " + std::to_string(d));
    Dimension& dim = s.ds->dimensions.At(d);
    if (dim.Steps() == 0) return py::array(py::dtype::of<float>(), std::vector<py::ssize_t>{0});
    return py::array(py::dtype::of<float>(), {static_cast<py::ssize_t>(dim.Steps())},
                     {static_cast<py::ssize_t>(sizeof(float)) * dim.values.Stride()}, dim.values.Data(), self);
}

std::vector<std::string> Texts(const Array<std::string>& a) {
    std::vector<std::string> out;
    for (int i = 0; i < a.Count(); ++i) out.push_back(a.At(i));
    return out;
}

std::string UnitOf(const std::string& entry) {
    const std::optional<UnitRow> row = FindUnitRow(entry);
    return row ? row->fullLabel : "";
}

// A store made from Python data: the properties' names, the dimensions' names and axis values,
// and the values in the order of Values (dimension 0 fastest, the property slowest).
Store FromArrays(const std::string& title, const std::vector<std::string>& remarks,
                 const std::vector<std::string>& properties, const std::vector<std::string>& dimensionNames,
                 const std::vector<py::array_t<float, py::array::forcecast>>& axes,
                 py::array_t<float, py::array::f_style | py::array::forcecast> values,
                 const std::vector<std::string>& options) {
    if (dimensionNames.size() != axes.size()) throw py::value_error("one axis is needed for each dimension");
    if (properties.empty()) throw py::value_error("a measurement needs at least one property");
    Store s;
    DataStore& ds = *s.ds;
    ds.title = title;
    ds.remarks.Resize(static_cast<int>(remarks.size()));
    for (std::size_t i = 0; i < remarks.size(); ++i) ds.remarks.At(static_cast<int>(i)) = remarks[i];
    ds.options.Resize(static_cast<int>(options.size()));
    for (std::size_t i = 0; i < options.size(); ++i) ds.options.At(static_cast<int>(i)) = options[i];
    ds.properties.Resize(static_cast<int>(properties.size()));
    for (std::size_t i = 0; i < properties.size(); ++i) ds.properties.At(static_cast<int>(i)) = properties[i];
    ds.dimensions.Resize(static_cast<int>(axes.size()));
    std::int64_t expected = static_cast<std::int64_t>(properties.size());
    for (std::size_t d = 0; d < axes.size(); ++d) {
        const auto axis = axes[d].unchecked<1>();
        if (axis.shape(0) < 1) throw py::value_error("dimension '" + dimensionNames[d] + "' has no steps");
        Dimension dim(dimensionNames[d], static_cast<int>(axis.shape(0)));
        for (py::ssize_t i = 0; i < axis.shape(0); ++i) dim.values.At(static_cast<int>(i)) = axis(i);
        ds.dimensions.At(static_cast<int>(d)) = dim;
        expected *= axis.shape(0);
    }
    if (values.size() != expected)
        throw py::value_error("the values hold " + std::to_string(values.size()) + " numbers; the dimensions and properties call for " +
                              std::to_string(expected));
    ds.Initialize();
    if (expected > 0) std::memcpy(ds.data.Data(), values.data(), static_cast<std::size_t>(expected) * sizeof(float));
    ds.ComputeDataRange();
    return s;
}

const TargetFormat& TargetByKey(const std::string& key) {
    std::string lower = key;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const TargetFormat* t = FindTargetByKey(TargetFormats(), lower);
    if (!t) {
        std::string keys;
        for (const TargetFormat& f : TargetFormats()) keys += (keys.empty() ? "" : ", ") + std::string(f.key);
        throw py::value_error("no target format '" + key + "' (one of " + keys + ")");
    }
    return *t;
}

// Writes the store as `to` into `path` through a temporary that takes the name only when
// complete; an existing file is replaced only with `overwrite`. Returns what the target could not
// hold, one sentence each.
std::vector<std::string> Save(Store& s, const std::string& path, const std::string& to, bool simple, bool extra, bool euro,
                              bool overwrite) {
    const TargetFormat& target = TargetByKey(to);
    LossNotes losses;
    std::string error;
    bool exists = false;
    {
        py::gil_scoped_release release;
        struct stat st {};
        if (!overwrite && ::stat(path.c_str(), &st) == 0) {
            exists = true;
        } else {
            SafeOutputFile output;
            if (!output.Open(path, target.mode)) {
                error = output.Error();
            } else {
                WriterOptions options{simple ? 1 : 0, extra ? 1 : 0, euro ? 1 : 0, &losses};
                errno = 0;
                try {
                    // The writers' boxes (SimpleCSV's warning) are loss notes here.
                    const NoticesMuted muted;
                    target.write(*s.ds, output.Stream(), options);
                } catch (const std::exception& e) {
                    error = e.what();
                    output.Stream().setstate(std::ios_base::failbit);
                }
                if (!output.Close() && error.empty()) error = output.Error();
                if (error.empty()) {
                    const auto result = output.Commit(overwrite);
                    if (result == SafeOutputFile::CommitResult::TargetExists) exists = true;
                    if (result == SafeOutputFile::CommitResult::Failed) error = output.Error();
                    if (result != SafeOutputFile::CommitResult::Committed) output.Discard();
                }
            }
        }
    }
    if (exists) throw py::value_error(path + " exists (overwrite=True replaces it)");
    if (!error.empty()) throw KynFailure(path + ": not saved: " + Trimmed(error));
    return losses;
}

// The job's platform for a library call: nobody to ask (an existing output is kept unless
// overwriting was asked, a file that fails is skipped), no progress display, no waiting.
class QuietPlatform : public JobPlatform {
public:
    void Post(JobMessage, std::int64_t, std::int64_t) override {}
    bool PollStop() override { return false; }
    OverwriteAnswer AskOverwrite(const std::string&) override { return OverwriteAnswer::No; }
    FailureAnswer AskReadFailure(const std::string&) override { return FailureAnswer::Ok; }
    FailureAnswer AskSaveFailure(const std::string&, const std::string&, const std::string&) override {
        return FailureAnswer::Ok;
    }
    void SetStatus(const JobStatus&) override {}
    void Sleep(std::chrono::milliseconds) override {}
    void FileDone(const FileResult& r) override { results.push_back(r); }

    std::vector<FileResult> results;
};

py::dict ResultDict(const FileResult& r) {
    py::dict d;
    VisitResult(r, [&d](const char* key, const auto& value) { d[key] = value; });
    return d;
}

ConversionJob MakeJob(const std::vector<std::string>& paths, const std::string& to, const std::string& outputDir,
                      const py::dict& o) {
    ConversionJob job;
    job.settings.DefaultFileType = TargetByKey(to).index;
    const auto flag = [&o](const char* name) { return o.contains(name) && o[name].cast<bool>() ? 1 : 0; };
    job.settings.StripHeaderInformation = flag("simple");
    job.settings.SaveExtraInfo = flag("extra");
    job.settings.EuroLocale = flag("euro");
    job.settings.UseSensibleExtensions = flag("txt_extension") ? 0 : 1;
    job.settings.StripAcornFileTypes = flag("strip_acorn");
    job.settings.SaveInPlace = flag("in_place");
    job.settings.DeleteOriginals = flag("delete_originals");
    job.settings.SilentlyOverwrite = flag("overwrite");
    job.settings.SkipBadFilesSilently = 1;
    job.Verify = flag("verify") != 0;
    job.OutputDirectory = outputDir;
    job.paths.assign(paths.begin(), paths.end());
    return job;
}

// Runs the conversion job over `paths`; every input's result as a dict (the report's keys).
std::vector<py::dict> Convert(const std::vector<std::string>& paths, const std::string& to, const std::string& outputDir,
                              int jobs, const std::vector<std::string>& outputPaths, const py::dict& options) {
    ConversionJob job = MakeJob(paths, to, outputDir, options);
    if (!outputPaths.empty() && outputPaths.size() != paths.size())
        throw py::value_error("output_paths needs one path for each input");
    job.OutputPaths = outputPaths;
    QuietPlatform platform;
    {
        py::gil_scoped_release release;
        RunConversionJobParallel(job, platform, jobs < 1 ? DefaultJobCount() : jobs);
    }
    std::vector<py::dict> out;
    for (const FileResult& r : platform.results) out.push_back(ResultDict(r));
    return out;
}

// The output each input of a job would get (the job's own plan, clashes resolved); "" for an
// input named earlier in the list.
std::vector<std::string> Plan(const std::vector<std::string>& paths, const std::string& to, const std::string& outputDir,
                              const py::dict& options) {
    const ConversionJob job = MakeJob(paths, to, outputDir, options);
    const TargetFormat& target = TargetByKey(to);
    const std::vector<FilePlan> plans =
        PlanJobOutputs(job.paths, TargetExtension(target, job.settings.UseSensibleExtensions),
                       {job.settings.StripAcornFileTypes, job.settings.SaveInPlace, job.OutputDirectory});
    std::vector<std::string> out;
    for (const FilePlan& p : plans) out.push_back(p.duplicateOf >= 0 ? std::string() : p.names.outputPath);
    return out;
}

std::vector<py::dict> FormatRows() {
    std::vector<py::dict> out;
    for (const FormatInfo* f : kyn::Formats()) {
        py::dict d;
        d["name"] = f->name;
        d["key"] = f->target.index >= 0 ? f->target.key : "";
        d["extension"] = f->target.index >= 0 ? f->target.extension : "";
        d["reads"] = f->read != nullptr;
        d["writes"] = f->write != nullptr;
        d["dimensions"] = f->holds.dimensions;
        d["all_properties"] = f->holds.allProperties;
        d["history"] = f->holds.history;
        d["exact_values"] = f->holds.exactValues;
        out.push_back(d);
    }
    return out;
}

}  // namespace
}  // namespace kyn::python

PYBIND11_MODULE(_kyndata, m) {
    using namespace kyn;
    using namespace kyn::python;
    m.doc() = "The compiled core of kyndata: stores, writers and the conversion job.";
    // The readers' progress lines belong to the command line.
    SetProgressQuiet(true);
    py::register_exception<KynFailure>(m, "KynError").doc() =
        "A measurement file could not be read or written; the message is the reader's or the system's.";

    py::class_<Store>(m, "Store", "A loaded DataStore; arrays made from it keep it alive.")
        .def_property_readonly("values", &Values, "The value block without a copy: shape (steps of each dimension..., properties).")
        .def("axis", &Axis, py::arg("dimension"), "One dimension's axis values, without a copy.")
        .def_property_readonly("path", [](const Store& s) { return s.path; })
        .def_property_readonly("format", [](const Store& s) { return ReadFormatName(*s.ds); })
        .def_property(
            "title", [](const Store& s) { return s.ds->title; }, [](Store& s, const std::string& t) { s.ds->title = t; })
        .def_property_readonly("remarks", [](const Store& s) { return Texts(s.ds->remarks); })
        .def_property_readonly("options", [](const Store& s) { return Texts(s.ds->options); })
        .def_property_readonly("keyed_options", [](const Store& s) { return Texts(s.ds->keyedOptions.entries); })
        .def_property_readonly("property_names", [](const Store& s) { return Texts(s.ds->properties); })
        .def_property_readonly("property_units", [](const Store& s) {
            std::vector<std::string> units;
            for (int p = 0; p < s.ds->properties.Count(); ++p) units.push_back(UnitOf(s.ds->properties.At(p)));
            return units;
        })
        .def_property_readonly("property_kinds", [](const Store& s) {
            std::vector<std::string> kinds;
            for (int p = 0; p < s.ds->properties.Count(); ++p) kinds.push_back(s.ds->GetPropertyName(p, true));
            return kinds;
        })
        .def_property_readonly("dimension_names", [](const Store& s) {
            std::vector<std::string> names;
            for (int d = 0; d < s.ds->dimensions.Count(); ++d) names.push_back(s.ds->dimensions.At(d).name);
            return names;
        })
        .def_property_readonly("dimension_kinds", [](const Store& s) {
            std::vector<std::string> kinds;
            for (int d = 0; d < s.ds->dimensions.Count(); ++d) kinds.push_back(s.ds->dimensions.At(d).Kind());
            return kinds;
        })
        .def_property_readonly("dimension_units", [](const Store& s) {
            std::vector<std::string> units;
            for (int d = 0; d < s.ds->dimensions.Count(); ++d) units.push_back(UnitOf(s.ds->dimensions.At(d).name));
            return units;
        })
        .def_property_readonly("history", [](const Store& s) { return s.ds->GetHistoryText(); })
        .def_property_readonly("last_modified", [](const Store& s) { return s.ds->lastModified; })
        .def_property_readonly("modified_by", [](const Store& s) { return s.ds->modifiedBy; })
        .def_property_readonly("file_attributes", [](const Store& s) {
            const FileAttributes& a = s.ds->fileAttributes;
            py::dict d;
            d["as_acquired"] = a.asAcquired;
            d["cfr_compliant"] = a.cfrCompliant;
            d["time_stamp"] = a.timeStamp;
            d["file_id"] = a.fileId;
            return d;
        })
        .def_property_readonly("value_range", [](const Store& s) { return py::make_tuple(s.ds->minValue, s.ds->maxValue); });

    m.def("load", &Load, py::arg("path"), "Reads a measurement file of any format the loader recognises.");
    m.def("from_arrays", &FromArrays, py::arg("title"), py::arg("remarks"), py::arg("properties"), py::arg("dimension_names"),
          py::arg("axes"), py::arg("values"), py::arg("options"),
          "A store from names, axes and values (dimension 0 fastest, the property slowest).");
    m.def("save", &Save, py::arg("store"), py::arg("path"), py::arg("to"), py::arg("simple") = false, py::arg("extra") = false,
          py::arg("euro") = false, py::arg("overwrite") = false,
          "Writes the store in the target format; returns what the target could not hold.");
    m.def("convert", &Convert, py::arg("paths"), py::arg("to"), py::arg("output_dir") = "", py::arg("jobs") = 1,
          py::arg("output_paths") = std::vector<std::string>{}, py::arg("options") = py::dict(),
          "Runs the conversion job; one result dict per input.");
    m.def("plan", &Plan, py::arg("paths"), py::arg("to"), py::arg("output_dir") = "", py::arg("options") = py::dict(),
          "The output each input would get.");
    m.def("formats", &FormatRows, "Every format: what it reads and writes and what it holds.");
    m.attr("__version__") = KYN_VERSION;
}
