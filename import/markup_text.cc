#include "import/markup_text.h"

namespace lexora::import {
namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

void append_escaped(std::string_view text, std::string* out) {
  std::size_t plain = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const char* entity = c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : nullptr;
    if (entity == nullptr) continue;
    out->append(text.substr(plain, i - plain));
    out->append(entity);
    plain = i + 1;
  }
  out->append(text.substr(plain));
}

void append_word_link(std::string_view target, std::string_view text, std::string* out) {
  out->append("<a href=\"");
  bool pending_space = false;
  bool started = false;
  for (char c : target) {
    if (is_blank(c)) {
      pending_space = started;
      continue;
    }
    if (pending_space) out->push_back(' ');
    pending_space = false;
    started = true;
    switch (c) {
      case '"':
        out->append("&quot;");
        break;
      case '&':
        out->append("&amp;");
        break;
      case '<':
        out->append("&lt;");
        break;
      case '>':
        out->append("&gt;");
        break;
      default:
        out->push_back(c);
    }
  }
  out->append("\">");
  out->append(text);
  out->append("</a>");
}

}  // namespace lexora::import
