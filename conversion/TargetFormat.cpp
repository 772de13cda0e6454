#include "conversion/TargetFormat.h"

#include "datastore/DataStore.h"
#include "formats/JcampDx.h"

namespace kyn {

namespace {

void WriteCsv(DataStore& ds, std::ostream& os, const WriterOptions& o) {
    if (o.StripHeaderInformation == 1)
        ds.WriteSimpleCSV(os, o.losses);
    else
        ds.WriteVarnixCSV(os, o.SaveExtraInfo != 0, o.losses);
}

// One extension for two formats: a wavelength-by-time data set goes out spectrakinetic, any
// other data set with a time axis as kinetic traces; without a time axis there is nothing this
// target can hold, which the job reports as a failed save.
void WriteKinetic(DataStore& ds, std::ostream& os, const WriterOptions& o) {
    if (ds.IsSpectraKinetic())
        ds.WriteSpectraKinetic(os, o.losses);
    else if (ds.HasTimeDimension())
        ds.WriteKynAscii(os, ds.FindDimension("Time"), o.losses);
    else
        throw KynError("KYN-ASCII needs a dimension named Time, and this DataStore has none");
}

void WriteJcamp(DataStore& ds, std::ostream& os, const WriterOptions& o) {
    JcampDxExporter exporter(ds);
    exporter.Write(os, o.losses);
}

}  // namespace

const TargetTable& TargetFormats() {
    static const TargetTable table = {
        {0, "dsx", "VarnixBinaryX", ".dsx", StreamMode::Binary,
         [](DataStore& ds, std::ostream& os, const WriterOptions&) { ds.WriteVarnixBinaryX(os, false); }},
        {1, "dsb", "VarnixBinary", ".dsb", StreamMode::Binary,
         [](DataStore& ds, std::ostream& os, const WriterOptions&) { ds.WriteVarnixBinary(os, false); }},
        {2, "dsa", "VarnixStore (ASCII)", ".dsa", StreamMode::Text,
         [](DataStore& ds, std::ostream& os, const WriterOptions&) { ds.WriteVarnixStore(os, false); }},
        {3, "csv", "VarnixCSV (SimpleCSV with --simple)", ".csv", StreamMode::Text, WriteCsv},
        {4, "glb", "KYN-ASCII-SPECTRAKINETIC or KYN-ASCII", ".glb", StreamMode::Text, WriteKinetic},
        {5, "tsv", "VarnixTSV (tab-separated text)", ".txt", StreamMode::Text,
         [](DataStore& ds, std::ostream& os, const WriterOptions& o) {
             ds.WriteVarnixTSV(os, o.EuroLocale != 0, o.losses);
         }},
        {6, "jdx", "JCAMP-DX", ".jdx", StreamMode::Text, WriteJcamp},
    };
    return table;
}

const TargetFormat* FindTarget(const TargetTable& table, int index) {
    for (const auto& t : table)
        if (t.index == index) return &t;
    return nullptr;
}

const TargetFormat* FindTargetByKey(const TargetTable& table, std::string_view key) {
    for (const auto& t : table)
        if (key == t.key) return &t;
    return nullptr;
}

std::string TargetExtension(const TargetFormat& target, int useSensibleExtensions) {
    return useSensibleExtensions == 0 ? ".txt" : target.extension;
}

}  // namespace kyn
