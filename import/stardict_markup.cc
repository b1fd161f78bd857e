#include "import/stardict_markup.h"

#include <array>
#include <cctype>
#include <optional>

#include "import/markup_pieces.h"

namespace lexora::import {
namespace {

// A tag of an XML-like markup: name without "/", attributes text, and
// whether it closes.
struct Tag {
  std::string_view name;
  std::string_view attributes;
  bool closing = false;
  bool self_closing = false;
};

// Parses the tag at text[i] == '<'; *end gets the position after its ">".
std::optional<Tag> parse_tag(std::string_view text, std::size_t i, std::size_t* end) {
  const std::size_t close = text.find('>', i + 1);
  if (close == std::string_view::npos) return std::nullopt;
  std::string_view inside = text.substr(i + 1, close - i - 1);
  Tag tag;
  if (!inside.empty() && inside.front() == '/') {
    tag.closing = true;
    inside.remove_prefix(1);
  }
  if (!inside.empty() && inside.back() == '/') {
    tag.self_closing = true;
    inside.remove_suffix(1);
  }
  std::size_t n = 0;
  while (n < inside.size() &&
         (std::isalnum(static_cast<unsigned char>(inside[n])) || inside[n] == '_'))
    ++n;
  if (n == 0) return std::nullopt;
  tag.name = inside.substr(0, n);
  tag.attributes = inside.substr(n);
  *end = close + 1;
  return tag;
}

// The value of attribute `name` in `attributes` (quoted with ' or ").
std::optional<std::string_view> attribute(std::string_view attributes, std::string_view name) {
  std::size_t at = 0;
  while ((at = attributes.find(name, at)) != std::string_view::npos) {
    const bool starts = at == 0 || std::isspace(static_cast<unsigned char>(attributes[at - 1]));
    std::size_t k = at + name.size();
    while (k < attributes.size() && attributes[k] == ' ') ++k;
    if (starts && k < attributes.size() && attributes[k] == '=') {
      ++k;
      while (k < attributes.size() && attributes[k] == ' ') ++k;
      if (k < attributes.size() && (attributes[k] == '"' || attributes[k] == '\'')) {
        const std::size_t q = attributes.find(attributes[k], k + 1);
        if (q != std::string_view::npos) return attributes.substr(k + 1, q - k - 1);
      }
    }
    at += name.size();
  }
  return std::nullopt;
}

// Text between tags of a markup that is XML already: copied as it is (its
// entities stay), line breaks become <br>.
void append_xml_text(std::string_view text, std::string* out) {
  for (char c : text) {
    if (c == '\n')
      out->append("<br>");
    else if (c != '\r')
      out->push_back(c);
  }
}

bool is_picture_name(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string ext;
  for (char c : name.substr(dot + 1))
    ext += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == "png" || ext == "jpg" || ext == "jpeg" || ext == "gif" || ext == "bmp";
}

void append_resource(std::string_view name, std::string* out) {
  if (is_picture_name(name)) {
    out->append("<img src=\"").append(name).append("\">");
  } else {
    out->append("<wav>").append(name).append("</wav>");
  }
}

// Rewrites one attribute value of an HTML field.
std::string rewrite_link(std::string_view value) {
  constexpr std::string_view kWord = "bword://";
  constexpr std::string_view kSound = "sound://";
  constexpr std::string_view kFile = "file://";
  if (value.substr(0, kWord.size()) == kWord) return std::string(value.substr(kWord.size()));
  if (value.substr(0, kSound.size()) == kSound)
    return "!%" + std::string(value.substr(kSound.size()));
  if (value.substr(0, kFile.size()) == kFile) return std::string(value.substr(kFile.size()));
  return std::string(value);
}

}  // namespace

void append_plain_field(std::string_view text, std::string* out) {
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t nl = text.find('\n', start);
    std::string_view line = text.substr(start, nl == std::string_view::npos ? nl : nl - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    append_escaped(line, out);
    if (nl == std::string_view::npos) break;
    out->append("<br>");
    start = nl + 1;
  }
}

void append_html_field(std::string_view html, std::string* out) {
  std::size_t plain = 0;
  std::size_t i = 0;
  while ((i = html.find('<', i)) != std::string_view::npos) {
    std::size_t end = 0;
    const std::optional<Tag> tag = parse_tag(html, i, &end);
    if (!tag || tag->closing) {
      ++i;
      continue;
    }
    const bool anchor = tag->name == "a" || tag->name == "A";
    const bool picture = tag->name == "img" || tag->name == "IMG";
    const std::optional<std::string_view> target = anchor    ? attribute(tag->attributes, "href")
                                                   : picture ? attribute(tag->attributes, "src")
                                                             : std::nullopt;
    if (!target) {
      i = end;
      continue;
    }
    const std::string rewritten = rewrite_link(*target);
    if (rewritten == *target) {
      i = end;
      continue;
    }
    // Copy up to the value, the new value, and on from its end.
    const std::size_t value_at = static_cast<std::size_t>(target->data() - html.data());
    out->append(html.substr(plain, value_at - plain));
    out->append(rewritten);
    plain = value_at + target->size();
    i = end;
  }
  out->append(html.substr(plain));
}

void append_pango_field(std::string_view pango, std::string* out) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kStyles{{
      {"foreground", "color"},
      {"fgcolor", "color"},
      {"color", "color"},
      {"background", "background-color"},
      {"bgcolor", "background-color"},
      {"weight", "font-weight"},
      {"style", "font-style"},
      {"font_family", "font-family"},
  }};
  std::size_t plain = 0;
  std::size_t i = 0;
  while ((i = pango.find('<', i)) != std::string_view::npos) {
    std::size_t end = 0;
    const std::optional<Tag> tag = parse_tag(pango, i, &end);
    if (!tag) {
      ++i;
      continue;
    }
    append_xml_text(pango.substr(plain, i - plain), out);
    const std::string_view n = tag->name;
    const std::string html_name(n);
    if (n == "span") {
      if (tag->closing) {
        out->append("</span>");
      } else {
        std::string style;
        for (const auto& [pango_name, css] : kStyles)
          if (auto v = attribute(tag->attributes, pango_name))
            style.append(css).append(":").append(*v).append(";");
        if (auto u = attribute(tag->attributes, "underline"); u && *u != "none")
          style.append("text-decoration:underline;");
        out->append("<span style=\"").append(style).append("\">");
      }
    } else if (n == "b" || n == "i" || n == "u" || n == "s" || n == "sub" || n == "sup" ||
               n == "big" || n == "small" || n == "tt") {
      out->append(tag->closing ? "</" : "<").append(html_name).append(">");
    }
    // Other tags are dropped; their text stays.
    i = plain = end;
  }
  append_xml_text(pango.substr(plain), out);
}

void append_xdxf_field(std::string_view xdxf, std::string* out) {
  std::size_t plain = 0;
  std::size_t i = 0;
  std::string kref_target;
  while ((i = xdxf.find('<', i)) != std::string_view::npos) {
    std::size_t end = 0;
    const std::optional<Tag> tag = parse_tag(xdxf, i, &end);
    if (!tag) {
      ++i;
      continue;
    }
    append_xml_text(xdxf.substr(plain, i - plain), out);
    const std::string_view n = tag->name;
    const bool close = tag->closing;
    if (n == "k") {
      out->append(close ? "</b></font><br>" : "<font size=\"+1\"><b>");
    } else if (n == "tr") {
      out->append(close ? "</t>" : "<t>");
    } else if (n == "abr" || n == "abbr") {
      out->append(close ? "</font></i>" : "<i><font color=\"green\">");
    } else if (n == "kref" && !close) {
      // The target is the element's text, up to its end tag.
      const std::size_t stop = xdxf.find("</kref>", end);
      const std::string_view word =
          xdxf.substr(end, stop == std::string_view::npos ? stop : stop - end);
      append_word_link(word, word, out);
      end = stop == std::string_view::npos ? xdxf.size() : stop + 7;
    } else if (n == "iref" && !close) {
      out->append("<a href=\"")
          .append(attribute(tag->attributes, "href").value_or(""))
          .append("\">");
    } else if (n == "iref") {
      out->append("</a>");
    } else if (n == "ex") {
      out->append(close ? "</font>" : "<font color=\"#505050\">");
    } else if (n == "co") {
      out->append(close ? "</font>" : "<font color=\"#606060\">");
    } else if (n == "c") {
      out->append(close
                      ? "</font>"
                      : "<font color=\"" +
                            std::string(attribute(tag->attributes, "c").value_or("green")) + "\">");
    } else if (n == "rref" && !close) {
      const std::size_t stop = xdxf.find("</rref>", end);
      append_resource(xdxf.substr(end, stop == std::string_view::npos ? stop : stop - end), out);
      end = stop == std::string_view::npos ? xdxf.size() : stop + 7;
    } else if (n == "b" || n == "i" || n == "u" || n == "sub" || n == "sup" || n == "blockquote") {
      out->append(close ? "</" : "<").append(n).append(">");
    } else if (n == "br") {
      out->append("<br>");
    }
    i = plain = end;
  }
  append_xml_text(xdxf.substr(plain), out);
}

void append_resource_field(std::string_view list, std::string* out) {
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t nl = list.find('\n', start);
    if (nl == std::string_view::npos) nl = list.size();
    const std::string_view line = list.substr(start, nl - start);
    start = nl + 1;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view kind = line.substr(0, colon);
    const std::string_view name = line.substr(colon + 1);
    if (kind == "img")
      out->append("<img src=\"").append(name).append("\">");
    else if (kind == "snd")
      out->append("<wav>").append(name).append("</wav>");
    else
      out->append("<a href=\"").append(name).append("\">").append(name).append("</a>");
  }
}

}  // namespace lexora::import
