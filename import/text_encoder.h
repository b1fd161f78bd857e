// UTF-8 text to a Windows code page, for writing an import's headwords and
// articles in the code page chosen for them.
#ifndef LEXORA_IMPORT_TEXT_ENCODER_H_
#define LEXORA_IMPORT_TEXT_ENCODER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace lexora::import {

class TextEncoder {
 public:
  explicit TextEncoder(std::uint32_t code_page);
  ~TextEncoder();

  // Appends `text` (valid UTF-8) in the code page. UTF-8 is copied as it is;
  // a single-byte page goes through a table filled from the converter as
  // characters first appear. A character the page lacks (which the code
  // page choice rules out) is written as an HTML character reference when
  // `references` is set, so nothing turns into "?"; false otherwise.
  bool append(std::string_view text, bool references, std::string* out);

 private:
  bool append_converted(std::string_view text, bool references, std::string* out);

  std::uint32_t code_page_;
  bool single_byte_ = false;
  // Byte of each character U+0080..U+FFFF in a single-byte page: 0 not yet
  // asked, 1 not in the page, else byte + 2 (as a 16-bit value).
  std::unique_ptr<std::uint16_t[]> table_;
  std::u16string wide_;
  std::string bytes_;
};

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_TEXT_ENCODER_H_
