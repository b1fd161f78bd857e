#include "import/xdxf_reader.h"

#include <expat.h>
#include <zlib.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "import/markup_pieces.h"
#include "import/media_source.h"
#include "import/xdxf_article.h"
#include "platform/nls.h"

namespace lexora::import {
namespace {

constexpr std::uint64_t kCardsPerProgress = 1024;
constexpr unsigned kReadChunk = 1u << 18;

struct EncodingName {
  std::string_view name;
  std::uint32_t code_page;
};
// 8-bit encodings that expat does not know itself.
constexpr EncodingName kEncodings[] = {
    {"windows-1250", 1250}, {"windows-1251", 1251}, {"windows-1252", 1252}, {"windows-1253", 1253},
    {"windows-1254", 1254}, {"windows-1257", 1257}, {"cp1250", 1250},       {"cp1251", 1251},
    {"cp1252", 1252},       {"koi8-r", 20866},      {"koi8-u", 21866},
};

bool equal_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

int XMLCALL unknown_encoding(void*, const XML_Char* name, XML_Encoding* info) {
  for (const EncodingName& e : kEncodings) {
    if (!equal_ascii_case(name, e.name)) continue;
    for (int byte = 0; byte < 256; ++byte) {
      const char c = static_cast<char>(byte);
      std::u16string wide;
      info->map[byte] = byte < 0x80 ? byte
                        : to_wide(std::string_view(&c, 1), e.code_page, &wide) && wide.size() == 1
                            ? wide[0]
                            : 0xFFFD;
    }
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
  }
  return XML_STATUS_ERROR;
}

class XdxfParser {
 public:
  XdxfParser(MediaSource* media, ImportSink* sink)
      : parser_(XML_ParserCreate(nullptr)), sink_(sink), article_(&abbreviations_, media, sink) {
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, on_start, on_end);
    XML_SetCharacterDataHandler(parser_, on_text);
    XML_SetSkippedEntityHandler(parser_, on_skipped_entity);
    XML_SetUnknownEncodingHandler(parser_, unknown_encoding, nullptr);
    // Entities of an outside DTD stay unknown: nothing is fetched.
    XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
  }
  ~XdxfParser() { XML_ParserFree(parser_); }
  XdxfParser(const XdxfParser&) = delete;
  XdxfParser& operator=(const XdxfParser&) = delete;

  // Feeds the next piece of XML; `done` and `total` are for the progress.
  bool feed(const char* data, std::size_t size, bool last, std::uint64_t done, std::uint64_t total,
            const std::string& file_name, ImportError* error);

 private:
  static void XMLCALL on_start(void* self, const XML_Char* name, const XML_Char** attributes) {
    static_cast<XdxfParser*>(self)->start(name, attributes);
  }
  static void XMLCALL on_end(void* self, const XML_Char* name) {
    static_cast<XdxfParser*>(self)->end(name);
  }
  static void XMLCALL on_text(void* self, const XML_Char* text, int length) {
    static_cast<XdxfParser*>(self)->text(std::string_view(text, static_cast<std::size_t>(length)));
  }
  static void XMLCALL on_skipped_entity(void* self, const XML_Char* name, int parameter) {
    if (parameter == 0) static_cast<XdxfParser*>(self)->article_.unknown_entity(name);
  }

  void start(std::string_view name, const char** attributes);
  void end(std::string_view name);
  void text(std::string_view text);
  void begin_capture(std::string* target) {
    capture_ = target;
    capture_->clear();
  }

  XML_Parser parser_;
  ImportSink* sink_;
  std::unordered_set<std::string> abbreviations_;
  XdxfArticleBuilder article_;
  bool logical_ = false;
  bool in_article_ = false;
  int article_depth_ = 0;  // elements open inside the <ar>
  bool in_abbreviations_ = false;
  std::vector<std::string> abbreviation_keys_;
  std::string abbreviation_key_, abbreviation_value_;
  std::string full_title_, short_title_;
  std::string* capture_ = nullptr;  // meta text being collected
  std::uint64_t cards_ = 0;
  std::uint64_t done_ = 0, total_ = 0;
  bool cancelled_ = false;

 public:
  // The best title found, once the document is read.
  std::string title() const { return full_title_.empty() ? short_title_ : full_title_; }
};

void XdxfParser::start(std::string_view name, const char** attributes) {
  if (in_article_) {
    ++article_depth_;
    article_.open_element(name, attributes);
    return;
  }
  if (name == "ar") {
    in_article_ = true;
    article_depth_ = 0;
    article_.begin(logical_);
  } else if (name == "xdxf") {
    std::string from, to;
    for (const char** a = attributes; a[0] != nullptr; a += 2) {
      const std::string_view key = a[0];
      if (key == "lang_from") from = a[1];
      if (key == "lang_to") to = a[1];
      if (key == "format") logical_ = std::string_view(a[1]) == "logical";
    }
    if (!from.empty() || !to.empty()) sink_->set_languages(from, to);
  } else if (name == "abbreviations") {
    in_abbreviations_ = true;
  } else if (in_abbreviations_ && (name == "abr_def" || name == "abbr_def")) {
    abbreviation_keys_.clear();
    abbreviation_value_.clear();
  } else if (in_abbreviations_ && (name == "k" || name == "abbr_k")) {
    begin_capture(&abbreviation_key_);
  } else if (in_abbreviations_ && (name == "v" || name == "abbr_v")) {
    begin_capture(&abbreviation_value_);
  } else if (name == "full_name" || name == "full_title") {
    begin_capture(&full_title_);
  } else if (name == "title") {
    begin_capture(&short_title_);
  }
}

void XdxfParser::end(std::string_view name) {
  if (in_article_) {
    if (article_depth_ > 0) {
      --article_depth_;
      article_.close_element(name);
      return;
    }
    in_article_ = false;
    article_.end();
    if (++cards_ % kCardsPerProgress == 0 && !sink_->progress(done_, total_)) {
      cancelled_ = true;
      XML_StopParser(parser_, XML_FALSE);
    }
    return;
  }
  capture_ = nullptr;
  if (name == "abbreviations") {
    in_abbreviations_ = false;
  } else if (in_abbreviations_ && (name == "k" || name == "abbr_k")) {
    std::string key = collapse_blanks(abbreviation_key_);
    if (!key.empty()) abbreviation_keys_.push_back(std::move(key));
  } else if (in_abbreviations_ && (name == "abr_def" || name == "abbr_def")) {
    const std::string value = collapse_blanks(abbreviation_value_);
    if (value.empty()) return;
    for (const std::string& key : abbreviation_keys_) {
      if (abbreviations_.insert(key).second) sink_->add_abbreviation(key, value);
    }
  } else if (name == "full_name" || name == "full_title") {
    full_title_ = collapse_blanks(full_title_);
  } else if (name == "title") {
    short_title_ = collapse_blanks(short_title_);
  }
}

void XdxfParser::text(std::string_view text) {
  if (in_article_) {
    article_.text(text);
  } else if (capture_ != nullptr) {
    capture_->append(text);
  }
}

bool XdxfParser::feed(const char* data, std::size_t size, bool last, std::uint64_t done,
                      std::uint64_t total, const std::string& file_name, ImportError* error) {
  done_ = done;
  total_ = total;
  const XML_Status status = XML_Parse(parser_, data, static_cast<int>(size), last ? 1 : 0);
  if (cancelled_) {
    *error = ImportError{file_name, XML_GetCurrentLineNumber(parser_),
                         static_cast<std::uint64_t>(XML_GetCurrentByteIndex(parser_)),
                         "import cancelled"};
    return false;
  }
  if (status != XML_STATUS_OK) {
    *error = ImportError{file_name, XML_GetCurrentLineNumber(parser_),
                         static_cast<std::uint64_t>(XML_GetCurrentByteIndex(parser_)),
                         std::string("XML error: ") + XML_ErrorString(XML_GetErrorCode(parser_))};
    return false;
  }
  if (last) {
    if (const std::string t = title(); !t.empty()) sink_->set_title(t);
    sink_->progress(total, total);
  }
  return true;
}

}  // namespace

bool read_xdxf_bytes(std::span<const std::uint8_t> xml, MediaSource* media,
                     const std::string& file_name, ImportSink* sink, ImportError* error) {
  XdxfParser parser(media, sink);
  const char* data = reinterpret_cast<const char*>(xml.data());
  std::size_t at = 0;
  do {
    const std::size_t n = std::min<std::size_t>(kReadChunk, xml.size() - at);
    if (!parser.feed(data + at, n, at + n == xml.size(), at + n, xml.size(), file_name, error)) {
      return false;
    }
    at += n;
  } while (at < xml.size());
  return true;
}

bool read_xdxf_dictionary(const std::string& path, ImportSink* sink, ImportError* error) {
  std::error_code ec;
  const std::uintmax_t file_size = std::filesystem::file_size(path, ec);
  gzFile file = ec ? nullptr : gzopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = ImportError{path, 0, 0, "cannot open the file"};
    return false;
  }
  // Pictures and sounds named by <rref> lie in the folder of the .xdxf.
  std::string message;
  std::unique_ptr<MediaSource> media =
      MediaSource::open("", std::filesystem::path(path).parent_path().string(), &message);
  XdxfParser parser(media.get(), sink);
  std::vector<char> buffer(kReadChunk);
  bool ok = true;
  for (;;) {
    const int got = gzread(file, buffer.data(), kReadChunk);
    if (got < 0) {
      int code = 0;
      *error = ImportError{path, 0, static_cast<std::uint64_t>(gzoffset(file)),
                           std::string("damaged compressed data: ") + gzerror(file, &code)};
      ok = false;
      break;
    }
    const std::uint64_t done = std::min<std::uint64_t>(gzoffset(file), file_size);
    if (!parser.feed(buffer.data(), static_cast<std::size_t>(got), got == 0, done, file_size, path,
                     error)) {
      ok = false;
      break;
    }
    if (got == 0) break;
  }
  gzclose(file);
  return ok;
}

}  // namespace lexora::import
