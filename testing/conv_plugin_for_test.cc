// A word-conversion plug-in for the lookup tests. Built twice: with the
// Convert export (LEXORA_WITH_CONVERT) and without it.
#include <cstdint>
#include <string_view>

namespace {

void copy_word(std::u16string_view word, char16_t* out, std::int32_t capacity) {
  std::int32_t i = 0;
  for (; i < capacity - 1 && i < static_cast<std::int32_t>(word.size()); ++i) out[i] = word[i];
  out[i] = u'\0';
}

}  // namespace

extern "C" {

#ifdef LEXORA_WITH_CONVERT
// "went" becomes "go", "mice" becomes "mouse"; "overflow" fills the whole
// buffer without a terminating 0; "silent" writes nothing; any other word
// becomes "zzzz".
__attribute__((visibility("default"))) void Convert(const char16_t* input, char16_t* output,
                                                    std::int32_t capacity) {
  const std::u16string_view word(input);
  if (word == u"went") {
    copy_word(u"go", output, capacity);
  } else if (word == u"mice") {
    copy_word(u"mouse", output, capacity);
  } else if (word == u"overflow") {
    for (std::int32_t i = 0; i < capacity; ++i) output[i] = u'q';
  } else if (word == u"silent") {
    // leaves the buffer as it was given
  } else {
    copy_word(u"zzzz", output, capacity);
  }
}
#else
__attribute__((visibility("default"))) int ConvertSomethingElse() {
  return 0;
}
#endif

}  // extern "C"
