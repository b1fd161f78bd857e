// Reads StarDict dictionaries: NAME.ifo (the description), NAME.idx or
// NAME.idx.gz (headwords with the offset and size of their data),
// NAME.dict or NAME.dict.dz (the data), NAME.syn (synonyms) and the res/
// folder beside them (pictures and sounds, into the pack).
//
// Each entry's data is a sequence of typed fields: with sametypesequence the
// types come from the .ifo and the last field runs to the entry's end;
// without it every field starts with its type letter. Lower-case types are
// text ending in a 0 byte, upper-case ones binary data after a big-endian
// u32 size. Text types become article markup (stardict_markup.h); W (WAV)
// and P (picture) data go into the pack under a generated name.
#ifndef LEXORA_IMPORT_STARDICT_READER_H_
#define LEXORA_IMPORT_STARDICT_READER_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "import/import_sink.h"

namespace lexora::import {

// `path` is the .ifo file. False with *error set (file, byte offset or .ifo
// line, message) when the dictionary cannot be read or the sink cancelled.
bool read_stardict_dictionary(const std::string& path, ImportSink* sink, ImportError* error);

// The article markup of one entry's data. `types` is the sametypesequence
// ("" when the fields carry their own types); `media_prefix` names the media
// it holds ("<prefix>.wav", "<prefix>-2.png", ...), which go to the sink.
// False with *message set when the data is malformed.
bool stardict_entry_markup(std::string_view data, std::string_view types,
                           const std::string& media_prefix, ImportSink* sink, std::string* markup,
                           std::string* message);

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_STARDICT_READER_H_
