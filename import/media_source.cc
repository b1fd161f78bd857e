#include "import/media_source.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace lexora::import {
namespace {

// A name may use "\" or "/" between folders but must stay inside the folder.
bool is_contained(std::string_view name) {
  if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    if (name.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return name.find('\0') == std::string_view::npos;
}

}  // namespace

std::unique_ptr<MediaSource> MediaSource::open(const std::string& zip_path,
                                               const std::string& folder, std::string* error) {
  std::unique_ptr<MediaSource> source(new MediaSource());
  std::error_code ec;
  if (std::filesystem::is_regular_file(zip_path, ec)) {
    source->mapping_ = MappedFile::open(zip_path, error);
    if (source->mapping_ == nullptr) return nullptr;
    source->archive_ = ZipArchive::open(source->mapping_->bytes(), error);
    if (source->archive_ == nullptr) return nullptr;
  } else if (std::filesystem::is_directory(folder, ec)) {
    source->folder_ = folder;
  }
  return source;
}

std::unique_ptr<MediaSource> MediaSource::from_zip_bytes(std::span<const std::uint8_t> bytes,
                                                         std::string* error) {
  std::unique_ptr<MediaSource> source(new MediaSource());
  source->archive_ = ZipArchive::open(bytes, error);
  if (source->archive_ == nullptr) return nullptr;
  return source;
}

bool MediaSource::provide(std::string_view name, ImportSink* sink) {
  const std::string key(name);
  if (provided_.contains(key)) return true;
  if (failed_.contains(key)) return false;
  std::vector<std::uint8_t> bytes;
  std::string why;
  bool ok = false;
  if (!is_contained(name)) {
    why = "media file name outside the media folder";
  } else if (archive_ != nullptr) {
    const std::optional<std::size_t> index = archive_->find(name);
    if (!index) {
      why = "media file missing";
    } else {
      ok = archive_->extract(*index, &bytes, &why);
      if (!ok) why = "media file unreadable: " + why;
    }
  } else if (!folder_.empty()) {
    ok = read_from_folder(name, &bytes, &why);
  } else {
    why = "media file missing";
  }
  if (!ok) {
    failed_.insert(key);
    sink->skip(SkipReason{why});
    return false;
  }
  provided_.insert(key);
  sink->add_media(key, std::move(bytes));
  return true;
}

bool MediaSource::read_from_folder(std::string_view name, std::vector<std::uint8_t>* bytes,
                                   std::string* why) const {
  std::string relative(name);
  for (char& c : relative) {
    if (c == '\\') c = '/';
  }
  const std::filesystem::path path = std::filesystem::path(folder_) / relative;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    *why = "media file missing";
    return false;
  }
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxZipEntrySize) {
    *why = "media file unreadable or too large";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  bytes->resize(static_cast<std::size_t>(size));
  if (!in.read(reinterpret_cast<char*>(bytes->data()), static_cast<std::streamsize>(size))) {
    *why = "media file unreadable";
    return false;
  }
  return true;
}

}  // namespace lexora::import
