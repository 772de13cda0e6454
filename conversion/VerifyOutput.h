// Reading a written output back and comparing it with the store it was written from, for a job
// that verifies its outputs (kynconvert --verify).
#pragma once

#include <string>

#include "conversion/TargetFormat.h"

namespace kyn {

class DataStore;

// "" when the file at `path`, which `target` wrote from `written` with `options`, reads back as
// the data; otherwise what differs first. What is compared depends on what the target holds:
//  - dsx, dsb: the same dimensions, axes and values, bit for bit (any NaN for a NaN);
//  - dsa: every axis value and value as its six printed digits read back;
//  - glb: the trace or the spectra the kinetic format holds, as printed, matched by dimension;
//  - jdx: every block, X within the decimals written and Y within one YFACTOR;
//  - csv, tsv (no reader): the same bytes as the writer gives for the store again, the
//    "Last Modified" line excepted; this finds what went wrong between the writer and the disk.
// Moves the store's current steps, as writing does.
std::string VerifyOutput(const std::string& path, const TargetFormat& target, DataStore& written,
                         const WriterOptions& options);

}  // namespace kyn
