// The DSL dictionary reader: NAME.dsl or NAME.dsl.dz (UTF-16 or UTF-8, see
// dsl_text.h), with the abbreviations of NAME_abrv.dsl[.dz] and the media of
// NAME.dsl.files.zip or the folder NAME.dsl.files beside it.
//
// Each card becomes one article whose headwords are every lookup form of its
// headword lines (dsl_text.h); a card's "@ word" sub-entries become articles
// of their own, linked from the card. The article starts with the headwords
// as written when they say more than the lookup form (several lines,
// {unsorted} parts), then the body (dsl_markup.h). Cards without a usable
// headword or without a body are skipped with a reason, as are media files
// that cannot be had; a damaged media archive costs the media, not the
// articles.
#ifndef LEXORA_IMPORT_DSL_READER_H_
#define LEXORA_IMPORT_DSL_READER_H_

#include <cstdint>
#include <span>
#include <string>

#include "import/import_sink.h"

namespace lexora::import {

class MediaSource;

bool read_dsl_dictionary(const std::string& path, ImportSink* sink, ImportError* error);

// The same on sources in memory (tests, fuzzing): the bytes of the .dsl and
// of its abbreviation file (empty when there is none), and the media source
// (null for none). `file_name` names the source in *error. The only failure
// is a cancel from the sink.
bool read_dsl_bytes(std::span<const std::uint8_t> dsl, std::span<const std::uint8_t> abbreviations,
                    MediaSource* media, const std::string& file_name, ImportSink* sink,
                    ImportError* error);

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_DSL_READER_H_
