// article_at, expand_abbreviation and verify_checksum over a fuzzed ".zd"
// file. The first byte picks the input's form: the bytes as a whole file, or
// a valid dictionary with some of its bytes replaced (offset, value pairs) so
// that opening succeeds and the block table and block headers are what the
// fuzzer changes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "compiler/dictionary_writer.h"
#include "engine/dictionary.h"
#include "platform/messages.h"

namespace {

const std::vector<std::uint8_t>& valid_dictionary() {
  static const std::vector<std::uint8_t> bytes = [] {
    lexora::compiler::DictionarySource source;
    for (int i = 0; i < 40; ++i) {
      std::u16string word = u"w" + std::u16string(1, char16_t(u'a' + i % 26)) +
                            std::u16string(1, char16_t(u'a' + i / 26));
      source.entries.emplace_back(word, u"\u0441\u0442\u0430\u0442\u044c\u044f " + word);
    }
    source.abbreviations = {{u"adj", u"adjective"}, {u"n", u"noun"}};
    lexora::compiler::DictionaryOptions options;
    options.articles_per_block = 8;
    options.flags = lexora::FLAG_HAS_CHECKSUM;
    std::string error;
    return lexora::compiler::build_dictionary(source, options, &error);
  }();
  return bytes;
}

// Messages are expected (integrity errors); they are recorded, not printed.
class QuietSink : public lexora::MessageSink {
 public:
  lexora::MessageResult show(const lexora::Message&) override { return lexora::MessageResult::kOk; }
};

std::string temp_path() {
  static const std::string path = "/tmp/lexora-article-fuzz-" + std::to_string(getpid()) + ".zd";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static QuietSink sink;
  lexora::set_message_sink(&sink);
  std::vector<std::uint8_t> bytes;
  if (data[0] % 2 == 0) {
    bytes.assign(data + 1, data + size);
  } else {
    bytes = valid_dictionary();
    for (std::size_t i = 1; i + 2 < size; i += 3) {
      std::size_t at = (data[i] | (data[i + 1] << 8)) % bytes.size();
      bytes[at] = data[i + 2];
    }
  }
  std::FILE* f = std::fopen(temp_path().c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);

  lexora::Dictionary dict;
  if (!dict.open_dictionary(temp_path())) return 0;
  const std::uint32_t count = dict.word_count();
  for (std::uint32_t i : {0u, 1u, 7u, 8u, 17u, 39u, 40u, count, count / 2, 0xFFFFFFFFu}) {
    auto text = dict.article_at(i);
    if (text && !text->empty()) {
      volatile char16_t last = text->back();
      (void)last;
    }
  }
  dict.expand_abbreviation(u"adj");
  dict.expand_abbreviation(u"n");
  dict.verify_checksum();
  return 0;
}
