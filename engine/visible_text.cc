#include "engine/visible_text.h"

#include <array>

namespace lexora {
namespace visible_detail {

bool is_break_tag(std::u16string_view name) {
  static constexpr std::array<std::u16string_view, 21> kBreaking = {
      u"br", u"p",  u"div", u"li", u"tr", u"td", u"th", u"dd",  u"dt",    u"ul",        u"ol",
      u"h1", u"h2", u"h3",  u"h4", u"h5", u"h6", u"hr", u"pre", u"table", u"blockquote"};
  // Most tags are short inline ones ("b", "i", "a"): only "p" is one letter.
  if (name.size() == 1) return name[0] == u'p';
  if (name.size() > 10) return false;
  for (std::u16string_view tag : kBreaking)
    if (tag == name) return true;
  return false;
}

char16_t named_entity(std::u16string_view name) {
  struct Entity {
    std::u16string_view name;
    char16_t value;
  };
  static constexpr std::array<Entity, 6> kEntities = {{{u"amp", u'&'},
                                                       {u"lt", u'<'},
                                                       {u"gt", u'>'},
                                                       {u"quot", u'"'},
                                                       {u"apos", u'\''},
                                                       {u"nbsp", u'\u00A0'}}};
  for (const Entity& e : kEntities)
    if (e.name == name) return e.value;
  return 0;
}

}  // namespace visible_detail

std::u16string visible_text(std::u16string_view article, std::vector<std::uint32_t>* source) {
  std::u16string out;
  append_visible_text(article.data(), article.size(), Utf16Units{}, &out, source);
  return out;
}

}  // namespace lexora
