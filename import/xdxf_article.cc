#include "import/xdxf_article.h"

#include <algorithm>
#include <cstring>

#include "import/markup_pieces.h"
#include "import/media_source.h"

namespace lexora::import {
namespace {

constexpr std::string_view kIndentOpen = "<div style=\"margin-left:1em\">";
constexpr int kMaxOptionalParts = 4;
constexpr std::size_t kMaxEntityName = 16;

std::string_view attribute(const char** attributes, std::string_view name) {
  for (const char** a = attributes; a != nullptr && a[0] != nullptr; a += 2) {
    if (name == a[0]) return a[1];
  }
  return {};
}

void trim_markup(std::string* markup) {
  static constexpr std::string_view kBreak = "<br>";
  std::string_view m = *markup;
  for (;;) {
    const std::string_view before = m;
    m = trim_blanks(m);
    if (m.starts_with(kBreak)) m.remove_prefix(kBreak.size());
    if (m.ends_with(kBreak)) m.remove_suffix(kBreak.size());
    if (m.size() == before.size()) break;
  }
  *markup = std::string(m);
}

}  // namespace

void XdxfArticleBuilder::begin(bool logical) {
  logical_ = logical;
  markup_.clear();
  stack_.clear();
  def_depth_ = 0;
  drop_closing_bracket_ = false;
  key_pieces_.clear();
  keys_.clear();
  key_displays_.clear();
  capture_.clear();
  capture_depth_ = 0;
}

void XdxfArticleBuilder::open_element(std::string_view name, const char** attributes) {
  drop_closing_bracket_ = false;
  if (capture_depth_ > 0) {
    ++capture_depth_;
    if (name == "opt" && !key_pieces_.empty()) key_pieces_.push_back({"", true});
    stack_.push_back(Open{std::string(name), "", Capture::kNone});
    return;
  }
  Open open{std::string(name), "", Capture::kNone};
  if (name == "k") {
    key_pieces_.assign(1, KeyPiece{});
    open_capture(Capture::kKey, "", name);
    return;
  }
  if (name == "abr" || name == "abbr") return open_capture(Capture::kAbbreviation, "", name);
  if (name == "kref") return open_capture(Capture::kWordLink, "", name);
  if (name == "rref") return open_capture(Capture::kMedia, "", name);
  if (name == "iref") {
    const std::string_view href = attribute(attributes, "href");
    if (href.empty()) return open_capture(Capture::kLink, "", name);
    markup_.append("<a href=\"");
    append_html_attribute(href, &markup_);
    markup_.append("\">");
    open.close_html = "</a>";
  } else if (name == "tr") {
    if (!markup_.empty() && markup_.back() == '[') {
      markup_.pop_back();
      open.bracketed = true;
    }
    markup_.append("<t>");
    open.close_html = "</t>";
    open.content_start = markup_.size();
  } else if (name == "b" || name == "i" || name == "u" || name == "sup" || name == "sub") {
    markup_.append("<").append(open.name).append(">");
    open.close_html.assign("</").append(open.name).append(">");
  } else if (name == "c" || name == "ex" || name == "co" || name == "gr" || name == "pos") {
    const std::string_view colour = name == "c"
                                        ? safe_colour(attribute(attributes, "c"), kDefaultColour)
                                    : name == "ex" ? kExampleColour
                                    : name == "co" ? kCommentColour
                                                   : kDefaultColour;
    markup_.append("<font color=\"").append(colour).append("\">");
    open.close_html = "</font>";
  } else if (name == "def" || name == "blockquote") {
    if (name == "def") ++def_depth_;
    markup_.append(name == "def" && def_depth_ == 1 ? "<div>" : kIndentOpen);
    open.close_html = "</div>";
  } else if (name == "br") {
    markup_.append("<br>");
  }
  stack_.push_back(std::move(open));
}

void XdxfArticleBuilder::open_capture(Capture capture, std::string href, std::string_view name) {
  capture_.clear();
  capture_depth_ = 1;
  stack_.push_back(Open{std::string(name), "", capture, std::move(href)});
}

void XdxfArticleBuilder::close_element(std::string_view name) {
  if (stack_.empty()) return;  // expat pairs the tags; this is only a guard
  const Open open = std::move(stack_.back());
  stack_.pop_back();
  if (capture_depth_ > 0) {
    --capture_depth_;
    if (open.capture != Capture::kNone) {
      close_capture(open);
    } else if (name == "opt" && !key_pieces_.empty()) {
      key_pieces_.push_back({"", false});
    }
    return;
  }
  if (name == "tr") {
    close_transcription(open);
    return;
  }
  if (name == "def" && def_depth_ > 0) --def_depth_;
  markup_.append(open.close_html);
}

void XdxfArticleBuilder::close_capture(const Open& open) {
  const std::string plain = collapse_blanks(capture_);
  capture_.clear();
  switch (open.capture) {
    case Capture::kKey: {
      int optional_count = 0;
      for (const KeyPiece& p : key_pieces_) optional_count += p.optional ? 1 : 0;
      const int expanded = std::min(optional_count, kMaxOptionalParts);
      for (int mask = (1 << expanded) - 1; mask >= 0; --mask) {
        std::string key;
        int index = 0;
        for (const KeyPiece& p : key_pieces_) {
          const bool keep = !p.optional || index >= expanded || ((mask >> index) & 1);
          if (p.optional) ++index;
          if (keep) key.append(p.text);
        }
        key = collapse_blanks(key);
        if (key.empty() || std::find(keys_.begin(), keys_.end(), key) != keys_.end()) continue;
        if (mask == (1 << expanded) - 1) key_displays_.push_back(key);
        keys_.push_back(std::move(key));
      }
      key_pieces_.clear();
      break;
    }
    case Capture::kAbbreviation:
      if (plain.empty()) break;
      if (abbreviations_ != nullptr && abbreviations_->contains(plain)) {
        markup_.append("<i><abr>");
        append_html_attribute(plain, &markup_);
        markup_.append("</abr></i>");
      } else {
        markup_.append(kLabelOpen);
        append_escaped(plain, &markup_);
        markup_.append(kLabelClose);
      }
      break;
    case Capture::kWordLink:
      if (!plain.empty()) append_headword_link(plain, plain, &markup_);
      break;
    case Capture::kMedia:
      if (!plain.empty() && media_ != nullptr && media_->provide(plain, sink_)) {
        append_media_markup(plain, &markup_);
      } else if (!plain.empty() && media_ == nullptr) {
        sink_->skip(SkipReason{"media file missing"});
      }
      break;
    case Capture::kLink:
      if (plain.empty()) break;
      markup_.append("<a href=\"");
      append_html_attribute(plain, &markup_);
      markup_.append("\">");
      append_escaped(plain, &markup_);
      markup_.append("</a>");
      break;
    case Capture::kNone:
      break;
  }
}

void XdxfArticleBuilder::close_transcription(const Open& open) {
  // "<tr>[...]</tr>": the brackets inside go, <t> shows its own.
  if (open.content_start < markup_.size() && markup_[open.content_start] == '[' &&
      markup_.back() == ']' && markup_.size() - open.content_start >= 2) {
    markup_.pop_back();
    markup_.erase(open.content_start, 1);
  }
  markup_.append(open.close_html);
  drop_closing_bracket_ = open.bracketed;
}

void XdxfArticleBuilder::text(std::string_view text) {
  if (capture_depth_ > 0) {
    if (!key_pieces_.empty()) {
      key_pieces_.back().text.append(text);
    } else {
      capture_.append(text);
    }
    return;
  }
  if (drop_closing_bracket_ && !text.empty()) {
    if (text[0] == ']') text.remove_prefix(1);
    drop_closing_bracket_ = false;
  }
  for (char c : text) {
    if (c == '\n') {
      markup_.append(logical_ ? " " : "<br>");
    } else if (c != '\r') {
      append_escaped(std::string_view(&c, 1), &markup_);
    }
  }
}

void XdxfArticleBuilder::unknown_entity(std::string_view name) {
  if (capture_depth_ > 0 || name.empty() || name.size() > kMaxEntityName) return;
  for (char c : name) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alnum) return;
  }
  markup_.append("&").append(name).append(";");
}

void XdxfArticleBuilder::end() {
  while (!stack_.empty()) close_element(stack_.back().name);
  if (keys_.empty()) {
    sink_->skip(SkipReason{"empty headword"});
    return;
  }
  trim_markup(&markup_);
  if (markup_.empty()) {
    sink_->skip(SkipReason{"headword without article"});
    return;
  }
  std::string article;
  if (key_displays_.size() > 1) {
    std::string joined;
    for (const std::string& d : key_displays_) joined.append(joined.empty() ? d : ", " + d);
    article = "<div><b>";
    append_escaped(joined, &article);
    article.append("</b></div>");
  }
  article.append(markup_);
  sink_->add_article(std::move(keys_), std::move(article));
  keys_.clear();
}

}  // namespace lexora::import
