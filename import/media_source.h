// The media files of a dictionary source: a zip archive or a folder beside
// it. Readers ask for files by the name their markup uses; each file is
// handed to the sink once, however often articles refer to it.
#ifndef LEXORA_IMPORT_MEDIA_SOURCE_H_
#define LEXORA_IMPORT_MEDIA_SOURCE_H_

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

#include "import/import_sink.h"
#include "import/mapped_file.h"
#include "import/zip_archive.h"

namespace lexora::import {

class MediaSource {
 public:
  // Media in the zip archive at `zip_path` when that file exists (null with
  // *error set when it cannot be read as an archive), else in the folder
  // `folder` when it exists, else no media at all (every lookup fails).
  static std::unique_ptr<MediaSource> open(const std::string& zip_path, const std::string& folder,
                                           std::string* error);
  // Media held in a zip archive in memory (tests, fuzzing); the bytes must
  // outlive the source. Null with *error set for a damaged archive.
  static std::unique_ptr<MediaSource> from_zip_bytes(std::span<const std::uint8_t> bytes,
                                                     std::string* error);

  bool empty() const { return archive_ == nullptr && folder_.empty(); }

  // Makes sure the file `name` has reached the sink: true when it was added
  // now or before. A name that climbs out of the folder ("..", an absolute
  // path), a missing file or one that cannot be read is skipped with a reason
  // given to the sink, and the result is false.
  bool provide(std::string_view name, ImportSink* sink);

 private:
  MediaSource() = default;
  bool read_from_folder(std::string_view name, std::vector<std::uint8_t>* bytes,
                        std::string* why) const;

  std::unique_ptr<MappedFile> mapping_;
  std::unique_ptr<ZipArchive> archive_;
  std::string folder_;
  std::unordered_set<std::string> provided_;
  std::unordered_set<std::string> failed_;
};

}  // namespace lexora::import

#endif  // LEXORA_IMPORT_MEDIA_SOURCE_H_
