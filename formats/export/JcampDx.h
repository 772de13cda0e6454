// Temporary stand-in for the JCAMP-DX exporter, so that the conversion job links before the
// export formats are merged. Replaced by the real exporter at merge.
#pragma once

#include <ostream>

namespace kyn {

class DataStore;

class JcampDxExporter {
public:
    explicit JcampDxExporter(DataStore& store);
    std::ostream& Write(std::ostream& os);
};

}  // namespace kyn
