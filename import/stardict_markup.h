// StarDict article fields in the article markup the renderer reads.
#ifndef LEXORA_IMPORT_STARDICT_MARKUP_H_
#define LEXORA_IMPORT_STARDICT_MARKUP_H_

#include <string>
#include <string_view>

namespace lexora::import {

// Plain text (types m, l, and the ones shown as text): escaped, line breaks
// kept.
void append_plain_field(std::string_view text, std::string* out);

// HTML (type h): copied, with StarDict's link schemes turned into Lexora's:
// "bword://WORD" looks the word up, "sound://NAME" plays a sound of the pack,
// "file://NAME" and other resource names address pack entries directly.
void append_html_field(std::string_view html, std::string* out);

// Pango markup (type g): <span> attributes become HTML styles, the
// pango-only tags become their HTML relatives, line breaks are kept.
void append_pango_field(std::string_view pango, std::string* out);

// XDXF (type x): <k> headword, <tr> transcription, <abr> label, <kref> and
// <iref> links, <ex> examples, <co> comments, <c c="..."> colours, <rref>
// resources; unknown tags are dropped, their text kept.
void append_xdxf_field(std::string_view xdxf, std::string* out);

// Resource list (type r): "img:NAME" pictures, "snd:NAME" sounds, other
// kinds as links to the pack entry.
void append_resource_field(std::string_view list, std::string* out);

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_STARDICT_MARKUP_H_
