// Importing a dictionary of another format: detects the format, runs its
// reader into the conversion, and writes the ".zd" (and ".zpak") under
// temporary names that are renamed into place only when everything has been
// written, so that a failed or cancelled import leaves nothing behind.
#ifndef LEXORA_IMPORT_IMPORT_DICTIONARY_H_
#define LEXORA_IMPORT_IMPORT_DICTIONARY_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "import/dictionary_collector.h"
#include "import/import_sink.h"
#include "import/import_stats.h"

namespace lexora::import {

enum class SourceFormat { kUnknown, kDictd, kStardict, kDsl, kXdxf };

// "dictd", "stardict", "dsl", "xdxf"; "" for kUnknown.
const char* format_name(SourceFormat format);
// The format of that name (as format_name gives it), kUnknown otherwise.
SourceFormat format_of_name(const std::string& name);

// The format of the file at `path`, by its name (.index, .ifo, .dsl,
// .dsl.dz, .xdxf, .xdxf.dz) and, for other names, by its first bytes,
// unpacked first when the file is gzip-compressed (an XML file whose root is
// <xdxf>, a StarDict .ifo first line); kUnknown when none fits.
SourceFormat detect_format(const std::string& path);

// True when this build can read `format` (the DSL and XDXF readers may be
// missing).
bool can_read(SourceFormat format);

// The files the program's file browser offers: one description and glob per
// readable format, e.g. {"StarDict dictionaries", "*.ifo"}.
struct FormatFilter {
  std::string description;
  std::vector<std::string> patterns;
};
std::vector<FormatFilter> import_filters();

// Address space by which a process that runs an import on its own grows
// its heap ahead, asking for huge pages (advise_huge_heap_pages): the
// tables of a large dictionary then fill with a page fault per 2 MiB.
inline constexpr std::size_t kImportHeapReserve = std::size_t{64} << 20;

struct ImportOptions {
  SourceFormat format = SourceFormat::kUnknown;  // kUnknown: detect
  ConversionOptions conversion;
};

// Imports `source` into `output` (a ".zd"; its pack, when the source has
// media, is `output` with the extension ".zpak"). On failure *error names the
// file, the place and the problem, and neither output file exists
// afterwards (an older file of the same name is left untouched).
bool import_dictionary(const std::string& source, const std::string& output,
                       const ImportOptions& options, ImportStats* stats, ImportError* error);

// "FILE: line N: MESSAGE" / "FILE: offset N: MESSAGE" / "FILE: MESSAGE".
std::string describe(const ImportError& error);

// The pack path beside a dictionary path ("x.zd" -> "x.zpak").
std::string pack_path_beside(const std::string& dictionary_path);

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_IMPORT_DICTIONARY_H_
