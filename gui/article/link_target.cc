#include "gui/article/link_target.h"

#include "engine/media.h"

namespace lexora {
namespace {

constexpr std::u16string_view kAbbreviationPrefix = u"!@";
constexpr std::u16string_view kSoundPrefix = u"!%";
// "!@" and "!%" need something after them beyond one character.
constexpr std::size_t kShortestPrefixedTarget = 4;
constexpr std::size_t kShortestAnchor = 2;
constexpr std::u16string_view kAddressPrefixes[] = {u"http://", u"mailto:", u"ftp://"};
constexpr std::u16string_view kPackedFilePrefix = u"file://";

char16_t ascii_lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c;
}

}  // namespace

bool starts_with_ignoring_case(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (ascii_lower(text[i]) != ascii_lower(prefix[i])) return false;
  }
  return true;
}

LinkTarget classify_link(std::u16string_view target) {
  if (target.size() >= kShortestPrefixedTarget) {
    if (target.starts_with(kAbbreviationPrefix)) {
      return {LinkKind::kAbbreviation, target.substr(kAbbreviationPrefix.size())};
    }
    if (target.starts_with(kSoundPrefix)) {
      return {LinkKind::kSound, target.substr(kSoundPrefix.size())};
    }
  }
  if (sound_type_of(target) != kSoundTypeNone) return {LinkKind::kSound, target};
  if (image_type_of(target) != kImageTypeNone) return {LinkKind::kPicture, target};
  if (target.size() >= kShortestAnchor && target.front() == u'#') {
    return {LinkKind::kAnchor, target.substr(1)};
  }
  for (std::u16string_view prefix : kAddressPrefixes) {
    if (starts_with_ignoring_case(target, prefix)) return {LinkKind::kAddress, target};
  }
  if (!starts_with_ignoring_case(target, kPackedFilePrefix)) return {LinkKind::kWord, target};
  return {LinkKind::kPackedFile, target.substr(kPackedFilePrefix.size())};
}

}  // namespace lexora
