#include "import/import_dictionary.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "import/dictd_reader.h"
#include "import/stardict_reader.h"

#if __has_include("import/dsl_reader.h")
#include "import/dsl_reader.h"
#define LEXORA_HAS_DSL_READER 1
#endif
#if __has_include("import/xdxf_reader.h")
#include "import/xdxf_reader.h"
#define LEXORA_HAS_XDXF_READER 1
#endif

namespace lexora::import {
namespace {

bool ends_with(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size()) return false;
  return std::equal(suffix.rbegin(), suffix.rend(), text.rbegin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
}

// The first bytes of a file, for recognising it by content; those of its
// unpacked text when it is gzip-compressed (dictzip included), since zlib
// passes a file without a gzip header through unchanged. Empty when the
// file cannot be read.
std::string file_start(const std::string& path, std::size_t size) {
  gzFile file = gzopen(path.c_str(), "rb");
  if (file == nullptr) return {};
  std::string bytes(size, '\0');
  const int got = gzread(file, bytes.data(), static_cast<unsigned>(size));
  gzclose(file);
  bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return bytes;
}

using Reader = bool (*)(const std::string&, ImportSink*, ImportError*);

Reader reader_of(SourceFormat format) {
  switch (format) {
    case SourceFormat::kDictd:
      return &read_dictd_dictionary;
    case SourceFormat::kStardict:
      return &read_stardict_dictionary;
#ifdef LEXORA_HAS_DSL_READER
    case SourceFormat::kDsl:
      return &read_dsl_dictionary;
#endif
#ifdef LEXORA_HAS_XDXF_READER
    case SourceFormat::kXdxf:
      return &read_xdxf_dictionary;
#endif
    default:
      return nullptr;
  }
}

// A fresh name beside `path` for writing before the rename.
std::string temporary_beside(const std::string& path) {
  return path + ".part-" + std::to_string(::getpid());
}

void remove_quietly(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

}  // namespace

const char* format_name(SourceFormat format) {
  switch (format) {
    case SourceFormat::kDictd:
      return "dictd";
    case SourceFormat::kStardict:
      return "stardict";
    case SourceFormat::kDsl:
      return "dsl";
    case SourceFormat::kXdxf:
      return "xdxf";
    default:
      return "";
  }
}

SourceFormat format_of_name(const std::string& name) {
  for (SourceFormat f :
       {SourceFormat::kDictd, SourceFormat::kStardict, SourceFormat::kDsl, SourceFormat::kXdxf})
    if (name == format_name(f)) return f;
  return SourceFormat::kUnknown;
}

SourceFormat detect_format(const std::string& path) {
  if (ends_with(path, ".index") || ends_with(path, ".dict.dz") || ends_with(path, ".dict"))
    return SourceFormat::kDictd;
  if (ends_with(path, ".ifo")) return SourceFormat::kStardict;
  if (ends_with(path, ".dsl") || ends_with(path, ".dsl.dz")) return SourceFormat::kDsl;
  if (ends_with(path, ".xdxf") || ends_with(path, ".xdxf.dz") || ends_with(path, ".xdxf.gz"))
    return SourceFormat::kXdxf;
  const std::string start = file_start(path, 1024);
  if (start.rfind("StarDict's dict ifo file", 0) == 0) return SourceFormat::kStardict;
  if (start.find("<xdxf") != std::string::npos) return SourceFormat::kXdxf;
  return SourceFormat::kUnknown;
}

bool can_read(SourceFormat format) {
  return reader_of(format) != nullptr;
}

std::vector<FormatFilter> import_filters() {
  std::vector<FormatFilter> filters;
  filters.push_back({"StarDict dictionaries", {"*.ifo"}});
  filters.push_back({"dictd databases", {"*.index"}});
  if (can_read(SourceFormat::kDsl)) filters.push_back({"DSL dictionaries", {"*.dsl", "*.dsl.dz"}});
  if (can_read(SourceFormat::kXdxf))
    filters.push_back({"XDXF dictionaries", {"*.xdxf", "*.xdxf.dz"}});
  return filters;
}

std::string pack_path_beside(const std::string& dictionary_path) {
  const std::size_t slash = dictionary_path.rfind('/');
  const std::size_t dot = dictionary_path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return dictionary_path + ".zpak";
  return dictionary_path.substr(0, dot) + ".zpak";
}

std::string describe(const ImportError& error) {
  std::string text = error.file.empty() ? std::string() : error.file + ": ";
  if (error.line != 0)
    text += "line " + std::to_string(error.line) + ": ";
  else if (error.offset != 0)
    text += "offset " + std::to_string(error.offset) + ": ";
  return text + error.message;
}

bool import_dictionary(const std::string& source, const std::string& output,
                       const ImportOptions& options, ImportStats* stats, ImportError* error) {
  SourceFormat format = options.format;
  if (format == SourceFormat::kUnknown) format = detect_format(source);
  const Reader reader = reader_of(format);
  if (reader == nullptr) {
    *error = ImportError{source, 0, 0,
                         format == SourceFormat::kUnknown
                             ? "not a dictionary format that can be imported"
                             : std::string("no reader for the ") + format_name(format) + " format"};
    return false;
  }
  DictionaryCollector collector(options.conversion);
  collector.stats().format = format_name(format);
  if (!reader(source, &collector, error)) {
    if (error->file.empty()) error->file = source;
    return false;
  }
  const std::string pack = pack_path_beside(output);
  const std::string temp_dictionary = temporary_beside(output);
  const std::string temp_pack = temporary_beside(pack);
  std::string message;
  bool ok = collector.write(temp_dictionary, temp_pack, &message);
  std::error_code failure;
  if (ok && collector.has_media()) {
    std::filesystem::rename(temp_pack, pack, failure);
    ok = !failure;
    if (!ok) message = "cannot write " + pack + ": " + failure.message();
  }
  if (ok) {
    std::filesystem::rename(temp_dictionary, output, failure);
    ok = !failure;
    if (!ok) {
      message = "cannot write " + output + ": " + failure.message();
      if (collector.has_media()) remove_quietly(pack);
    }
  }
  if (!ok) {
    remove_quietly(temp_dictionary);
    remove_quietly(temp_pack);
    *error = ImportError{output, 0, 0, message};
    return false;
  }
  // A pack left from an earlier import of a source that had media would
  // otherwise be opened with the new dictionary.
  if (!collector.has_media()) remove_quietly(pack);
  collector.stats().dictionary_bytes = std::filesystem::file_size(output, failure);
  if (collector.has_media())
    collector.stats().pack_bytes = std::filesystem::file_size(pack, failure);
  if (stats != nullptr) *stats = collector.stats();
  return true;
}

}  // namespace lexora::import
