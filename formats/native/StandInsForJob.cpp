// Temporary stand-ins for the loader and the writers the conversion job calls, so that the job
// and the command line link before the format readers and writers are merged. The whole file is
// deleted at merge; nothing else may depend on it.
//
// Every stand-in fails: the loader throws, the writers leave their stream failed. Tests that
// need real files check KYN_JOB_STAND_IN_FORMATS_LINKED and skip themselves while it is linked.
#include <ios>
#include <ostream>

#include "datastore/DataStore.h"
#include "datastore/Errors.h"
#include "formats/export/JcampDx.h"

extern "C" {
// Present only while these stand-ins are linked.
extern const int KYN_JOB_STAND_IN_FORMATS_LINKED;
const int KYN_JOB_STAND_IN_FORMATS_LINKED = 1;
}

namespace kyn {

namespace {
std::ostream& NotYet(std::ostream& os) {
    os.setstate(std::ios_base::failbit);
    return os;
}
}  // namespace

// Load and the three native writers are real now (formats/native); only the export writers
// remain stand-ins.
std::ostream& DataStore::WriteVarnixCSV(std::ostream& os, bool) { return NotYet(os); }
std::ostream& DataStore::WriteVarnixTSV(std::ostream& os, bool) { return NotYet(os); }
std::ostream& DataStore::WriteSimpleCSV(std::ostream& os) { return NotYet(os); }
std::ostream& DataStore::WriteKynAscii(std::ostream& os, int) { return NotYet(os); }
std::ostream& DataStore::WriteSpectraKinetic(std::ostream& os) { return NotYet(os); }

JcampDxExporter::JcampDxExporter(DataStore&) {}
std::ostream& JcampDxExporter::Write(std::ostream& os) { return NotYet(os); }

}  // namespace kyn
