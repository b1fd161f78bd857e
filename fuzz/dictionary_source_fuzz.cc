// Any text as a dictionary source: parsing must never read outside it, and
// what parses must compile into a dictionary that opens and gives back every
// headword's article.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "compiler/dictionary_source.h"
#include "compiler/dictionary_writer.h"
#include "engine/dictionary.h"
#include "platform/messages.h"
#include "testing/recording_message_sink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static lexora::RecordingMessageSink messages;
  messages.clear();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  lexora::compiler::DictionarySource source;
  lexora::compiler::DictionaryOptions options;
  std::string error;
  if (!lexora::compiler::parse_dictionary_source(text, &source, &options, &error)) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  // Only what the command line would also accept is compiled.
  if (options.version < lexora::kMinVersion || options.version > lexora::kMaxVersion ||
      source.entries.size() > 2000) {
    return 0;
  }
  const std::vector<std::uint8_t> bytes =
      lexora::compiler::build_dictionary(source, options, &error);
  if (bytes.empty()) return 0;  // e.g. text the code page cannot hold
  static const std::string path = [] {
    char pattern[] = "/tmp/lexora-source-fuzz-XXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd < 0) std::abort();
    ::close(fd);
    return std::string(pattern);
  }();
  std::string write_error;
  if (!lexora::compiler::write_bytes_file(path, bytes, &write_error)) std::abort();
  lexora::Dictionary dict;
  if (!dict.open_dictionary(path)) std::abort();
  if (dict.word_count() != source.entries.size()) std::abort();
  for (std::uint32_t i = 0; i < dict.word_count(); ++i) {
    if (!dict.article_at(i)) std::abort();
  }
  return 0;
}
