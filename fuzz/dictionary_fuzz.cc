// open_dictionary, word_at and find_word over a fuzzed ".zd" file. The first
// byte picks the input's form: the bytes as a whole file, or one of several
// valid dictionaries (versions 2 to 5, both collation modes) with some of its
// bytes replaced by (offset, value) pairs, so that the header fields and the
// words stream are what the fuzzer changes. The lookups then run on whatever
// opened, with and without punctuation trimming.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "compiler/dictionary_writer.h"
#include "engine/dictionary.h"
#include "engine/two_pass_lookup.h"
#include "platform/library.h"
#include "platform/messages.h"
#include "testing/library_folder.h"

namespace {

constexpr int kValidForms = 6;

std::vector<std::uint8_t> make_valid(int form) {
  lexora::compiler::DictionarySource source;
  const char16_t* words[] = {u"Bank",    u"bank", u"etc.",     u"etc",      u"house", u"household",
                             u"o'clock", u"-ing", u"\u00E5ra", u"\u00C5re", u"zoo"};
  for (const char16_t* w : words) source.entries.emplace_back(w, w);
  source.abbreviations = {{u"adj.", u"adjective"}};
  lexora::compiler::DictionaryOptions options;
  options.version = static_cast<std::int16_t>(2 + form % 4);
  options.words_code_page = 1252;
  options.locale_id = form >= 4 ? 0x041D : 0x0019;
  options.flags = form == 5 ? lexora::FLAG_LOCALE_COLLATION : 0;
  options.articles_per_block = 4;
  std::string error;
  return lexora::compiler::build_dictionary(source, options, &error);
}

const std::vector<std::uint8_t>& valid_dictionary(int form) {
  static const std::vector<std::vector<std::uint8_t>> all = [] {
    std::vector<std::vector<std::uint8_t>> v;
    for (int f = 0; f < kValidForms; ++f) v.push_back(make_valid(f));
    return v;
  }();
  return all[static_cast<std::size_t>(form)];
}

class QuietSink : public lexora::MessageSink {
 public:
  lexora::MessageResult show(const lexora::Message&) override { return lexora::MessageResult::kOk; }
};

std::string temp_path() {
  static const std::string path = "/tmp/lexora-dictionary-fuzz-" + std::to_string(getpid()) + ".zd";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static QuietSink sink;
  lexora::set_message_sink(&sink);
  // No word-conversion plug-in: the lookups stay inside the engine.
  lexora::set_library_folder_for_testing("/nonexistent");
  if (size == 0) return 0;

  std::vector<std::uint8_t> file;
  const std::uint8_t form = data[0];
  if (form < 128) {
    file.assign(data + 1, data + size);
  } else {
    file = valid_dictionary(form % kValidForms);
    for (std::size_t i = 1; i + 2 < size; i += 3) {
      const std::size_t offset = (std::size_t{data[i]} << 8 | data[i + 1]) % file.size();
      file[offset] = data[i + 2];
    }
  }
  std::FILE* out = std::fopen(temp_path().c_str(), "wb");
  if (out == nullptr) return 0;
  if (!file.empty()) std::fwrite(file.data(), 1, file.size(), out);
  std::fclose(out);

  lexora::Dictionary dict;
  if (dict.open_dictionary(temp_path())) {
    const std::uint32_t count = dict.word_count();
    for (std::uint32_t i = 0; i < count && i < 64; ++i) dict.word_at(i);
    dict.word_at(count);
    const char16_t* keys[] = {u"bank", u"BANK", u"etc.", u"hou", u"", u"!?", u"\u00E5RE", u"zzzz"};
    for (bool trim : {false, true}) {
      for (const char16_t* key : keys) {
        bool exact = false;
        const std::uint32_t i = dict.find_word(key, &exact, {.ignore_punctuation = trim});
        if (count != 0 && i >= count) __builtin_trap();
        if (lexora::two_pass_lookup(dict, key, &exact, {.ignore_punctuation = trim}) >=
            std::max(count, 1u))
          __builtin_trap();
      }
    }
  }
  std::remove(temp_path().c_str());
  return 0;
}
