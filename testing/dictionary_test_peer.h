// Reaches into a Dictionary for the tests of its failure paths: a file
// stream that can no longer seek (the storage holding the file was removed
// and put back) and block reads that fail or come back short. Header-only
// and included only by tests, so no program carries it.
#ifndef LEXORA_TESTING_DICTIONARY_TEST_PEER_H_
#define LEXORA_TESTING_DICTIONARY_TEST_PEER_H_

#include <unistd.h>

#include <cstdio>

#include "engine/dictionary.h"

namespace lexora {

class DictionaryTestPeer {
 public:
  // Swaps the file stream for one that cannot seek, so that the next
  // article_at takes the reopening path. No effect while closed.
  static void break_stream(Dictionary& dict) {
    if (dict.file_ == nullptr) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    close(fds[1]);
    std::FILE* broken = fdopen(fds[0], "rb");
    if (broken == nullptr) {
      close(fds[0]);
      return;
    }
    std::fclose(dict.file_);
    dict.file_ = broken;  // a pipe cannot seek
  }

  // The next `count` reads of article blocks fail as a read from media that
  // went away does (EIO), or, with `short_read`, return only part of what
  // the file holds.
  static void fail_block_reads(Dictionary& dict, int count, bool short_read) {
    dict.failing_reads_ = count;
    dict.short_reads_ = short_read;
  }
};

}  // namespace lexora

#endif  // LEXORA_TESTING_DICTIONARY_TEST_PEER_H_
