// Reads dictd databases: NAME.index (headword, offset and length of each
// entry in base-64 digits) and NAME.dict or NAME.dict.dz (the entries' text).
//
// Entries sharing one piece of text (dictd indexes a text under every word
// it defines) become one article with all their headwords; the texts are
// read in file order, so a ".dz" inflates each chunk once, and the sink is
// handed the text as an ArticleSource (dictd_text.h) to make the articles
// again when it writes them rather than hold them. Entries named
// "00-database-..." (or "00database...") describe the database: the short
// one gives the title, "utf8" says the text is UTF-8 (otherwise text that
// is not well-formed UTF-8 is read as Windows-1252, Latin-1's superset), and none of them becomes
// an article. The text is plain and laid out by lines, so it is kept preformatted; "{word}"
// cross-references become word links.
#ifndef LEXORA_IMPORT_DICTD_READER_H_
#define LEXORA_IMPORT_DICTD_READER_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "import/import_sink.h"

namespace lexora::import {

// `path` is the .index, .dict or .dict.dz file; the others are found beside
// it. False with *error set (file, line of the index or offset of the text,
// message) when the database cannot be read or the sink cancelled.
bool read_dictd_dictionary(const std::string& path, ImportSink* sink, ImportError* error);

// A number in dictd's base-64 digits (A-Z a-z 0-9 + /, most significant
// first); false for an empty text, another character or a value past 2^63.
bool decode_dictd_number(std::string_view digits, std::uint64_t* value);

// Article markup of an entry's text (UTF-8): "&", "<", ">" escaped and each
// "{word}" a link to the word (<r>word</r> when the word needs no escaping);
// a "{" without its "}" stays as it is.
std::string dictd_markup(std::string_view text);
// The same, appended to *out.
void append_dictd_markup(std::string_view text, std::string* out);

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_DICTD_READER_H_
