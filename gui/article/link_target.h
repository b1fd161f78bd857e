// What a link target in an article page means. The target is the href text
// exactly as the page wrote it (never a parsed URL, which would rewrite
// "!%house.ogg", "pics\cat.png" or "HTTP://x"). The rules are tried in
// order and the first that applies decides:
//
//   1. "!@KEY" (at least 4 characters): the abbreviation KEY
//   2. "!%NAME" (at least 4 characters): the sound NAME
//   3. a name with a sound extension: that sound
//   4. a name with a picture extension: a page showing that picture
//   5. "#NAME" (at least 2 characters): the anchor NAME in the page
//   6. "http://", "mailto:", "ftp://", any case: an address for the desktop
//   7. anything not beginning with "file://" (any case): a word to look up
//   8. "file://NAME": the pack entry NAME, saved and opened
//
// A "!@" or "!%" target shorter than 4 characters, or "!" followed by any
// other character, falls through to rules 3 to 8. No Qt.
#ifndef LEXORA_GUI_ARTICLE_LINK_TARGET_H_
#define LEXORA_GUI_ARTICLE_LINK_TARGET_H_

#include <string_view>

namespace lexora {

enum class LinkKind {
  kAbbreviation,
  kSound,
  kPicture,
  kAnchor,
  kAddress,
  kWord,
  kPackedFile,
};

struct LinkTarget {
  LinkKind kind = LinkKind::kWord;
  // The part the action works on: the abbreviation key, the sound or picture
  // name, the anchor, the whole address, the word, or the pack entry name.
  // A view into the target given to classify_link.
  std::u16string_view argument;
};

LinkTarget classify_link(std::u16string_view target);

// `text` begins with `prefix`, ASCII letters compared without case.
bool starts_with_ignoring_case(std::u16string_view text, std::u16string_view prefix);

}  // namespace lexora

#endif  // LEXORA_GUI_ARTICLE_LINK_TARGET_H_
