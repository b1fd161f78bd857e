// DSL article bodies to article markup.
//
// Every body line becomes one block (<div>), indented by its [mN] tag. Inline
// tags become HTML that the article window shows: [b] [i] [u] [sup] [sub],
// [c colour] as a coloured font (green without a colour), [ex] and [com] in
// their own colours, [t] as a transcription (<t>), ['] as a stress mark, [p]
// as an abbreviation (<abr>) when the dictionary's abbreviation list knows
// it, [ref] and <<...>> as word links, [url] as a web link, [s] as a picture,
// a sound button or a file link, [br] as a line break. Tags without a look of
// their own ([trn] [!trs] [trs] [*] [lang] [m]) and unknown tags are dropped
// and their text kept. "~" is the headword; "\x" is x.
//
// Tags are kept well nested whatever the source does: a closing tag closes
// the tags opened after it and opens them again; a closing tag that matches
// nothing is dropped; tags still open at the end of a line are closed there
// and opened again on the next line, and everything is closed at the end.
#ifndef LEXORA_IMPORT_DSL_MARKUP_H_
#define LEXORA_IMPORT_DSL_MARKUP_H_

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "import/import_sink.h"

namespace lexora::import {

class MediaSource;

struct DslBodyContext {
  std::string_view headword;  // what "~" stands for
  // Labels that have an expansion; [p] of any other label is shown as a
  // plain label. May be null.
  const std::unordered_set<std::string>* abbreviations = nullptr;
  // Where [s] files come from; null means no media (each [s] is skipped).
  MediaSource* media = nullptr;
  ImportSink* sink = nullptr;  // receives media files and skip reasons
};

// Appends the markup of the body `lines` (each without its leading indent)
// to *out.
void convert_dsl_body(const std::vector<std::string_view>& lines, const DslBodyContext& context,
                      std::string* out);

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_DSL_MARKUP_H_
