// The XDXF dictionary reader: an XML file (dict.xdxf, or gzip-compressed
// .xdxf.dz), visual or logical format, old layout (<full_name>,
// <description> under the root) or new (<meta_info>, <lexicon>).
//
// Each <ar> becomes one article; its <k> elements are its headwords (an <opt>
// part gives a form with and one without it). The article is the card's
// markup: <tr> as a transcription, <abr>/<abbr> as an abbreviation (a link
// to its expansion when <abbreviations> defines it, a plain label otherwise),
// <kref> as a word link, <iref href> as a web link, <rref> as a picture,
// sound or file from the folder of the .xdxf, <ex> and <co> in their colours,
// <def> as indented blocks, <b> <i> <u> <sup> <sub> <c c="..."> and <br> as
// themselves; other elements keep their text. In the visual format line ends
// are line breaks; in the logical format they are blanks.
//
// The XML is read with expat: entities and CDATA sections are resolved, no
// external entity or DTD is ever loaded, and an entity that only an outside
// DTD could define (&nbsp;) reaches the article as an HTML entity. Malformed
// XML fails the import with the line and byte of the fault.
#ifndef LEXORA_IMPORT_XDXF_READER_H_
#define LEXORA_IMPORT_XDXF_READER_H_

#include <cstdint>
#include <span>
#include <string>

#include "import/import_sink.h"

namespace lexora::import {

class MediaSource;

bool read_xdxf_dictionary(const std::string& path, ImportSink* sink, ImportError* error);

// The same on XML in memory (tests, fuzzing); `media` may be null (no media),
// `file_name` names the source in *error.
bool read_xdxf_bytes(std::span<const std::uint8_t> xml, MediaSource* media,
                     const std::string& file_name, ImportSink* sink, ImportError* error);

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_XDXF_READER_H_
