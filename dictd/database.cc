#include "dictd/database.h"

#include <chrono>
#include <cstdio>

#include "engine/dictionary.h"
#include "engine/status.h"
#include "platform/nls.h"
#include "platform/utf.h"

namespace lexora::dictd {
namespace {

// A dictionary whose problems the server logs under the database's name, so
// that one damaged file among several is known by name.
std::unique_ptr<Dictionary> logging_dictionary(const std::string& database) {
  auto dict = std::make_unique<Dictionary>();
  dict->set_status_listener([database](const Status& status) {
    std::fprintf(stderr, "lexora-dictd: %s: %s\n", database.c_str(), status.message().c_str());
  });
  return dict;
}

}  // namespace

std::size_t DatabaseIndex::memory_bytes() const {
  return fuzzy.memory_bytes() + headword_text.capacity() +
         headword_offsets.capacity() * sizeof(std::uint32_t);
}

DatabaseIndex build_database_index(const Dictionary& dict) {
  const auto start = std::chrono::steady_clock::now();
  DatabaseIndex index;
  index.fuzzy = FuzzyIndex::build(dict);
  const std::uint32_t count = dict.is_open() ? dict.word_count() : 0;
  WordCodec codec(dict.header().words_code_page, dict.header().locale_id);
  index.headword_offsets.reserve(count);
  std::u16string wide;
  for (std::uint32_t i = 0; i < count; ++i) {
    index.headword_offsets.push_back(static_cast<std::uint32_t>(index.headword_text.size()));
    const std::optional<std::string_view> raw = dict.raw_word_at(i);
    if (raw && codec.decode(*raw, &wide)) index.headword_text += utf16_to_utf8(wide);
    index.headword_text += '\0';
  }
  index.headword_text.shrink_to_fit();
  index.build_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return index;
}

std::unique_ptr<Database> Database::open(const DatabaseConfig& config, std::string* error) {
  std::unique_ptr<Dictionary> dict = logging_dictionary(config.name);
  if (!dict->open_dictionary(config.path)) {
    if (error != nullptr) {
      *error = "cannot open dictionary " + config.path;
      if (dict->last_error().has_message()) *error += ": " + dict->last_error().message();
    }
    return nullptr;
  }
  std::unique_ptr<Database> db(new Database());
  db->name_ = config.name;
  db->path_ = config.path;
  db->description_ = config.description.empty()
                         ? config.path.substr(config.path.find_last_of('/') + 1)
                         : config.description;
  db->header_ = dict->header();
  db->opened_ = 1;
  // The first instance builds the matching data, then joins the pool.
  Database* self = db.get();
  db->builder_ = std::thread([self, first = std::move(dict)]() mutable {
    auto built = std::make_unique<DatabaseIndex>(build_database_index(*first));
    {
      std::lock_guard<std::mutex> lock(self->index_mutex_);
      self->index_ = std::move(built);
    }
    self->index_built_.notify_all();
    self->give_back(std::move(first));
  });
  return db;
}

Database::~Database() {
  if (builder_.joinable()) builder_.join();
}

const DatabaseIndex& Database::index() const {
  std::unique_lock<std::mutex> lock(index_mutex_);
  index_built_.wait(lock, [this] { return index_ != nullptr; });
  return *index_;
}

bool Database::index_ready() const {
  std::lock_guard<std::mutex> lock(index_mutex_);
  return index_ != nullptr;
}

Database::Lease::Lease(Database* owner, std::unique_ptr<Dictionary> dict)
    : owner_(owner), dict_(std::move(dict)) {}

Database::Lease::~Lease() {
  if (dict_) owner_->give_back(std::move(dict_));
}

Database::Lease Database::lease() {
  {
    std::lock_guard<std::mutex> lock(pool_mutex_);
    if (!idle_.empty()) {
      std::unique_ptr<Dictionary> dict = std::move(idle_.back());
      idle_.pop_back();
      return Lease(this, std::move(dict));
    }
  }
  std::unique_ptr<Dictionary> dict = logging_dictionary(name_);
  if (!dict->open_dictionary(path_)) return Lease(this, nullptr);
  std::lock_guard<std::mutex> lock(pool_mutex_);
  ++opened_;
  return Lease(this, std::move(dict));
}

void Database::give_back(std::unique_ptr<Dictionary> dict) {
  std::lock_guard<std::mutex> lock(pool_mutex_);
  idle_.push_back(std::move(dict));
}

std::size_t Database::instances_opened() const {
  std::lock_guard<std::mutex> lock(pool_mutex_);
  return opened_;
}

std::string database_name_for_path(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = file.find_last_of('.');
  if (dot != std::string_view::npos && dot > 0) file = file.substr(0, dot);
  return std::string(file);
}

bool is_valid_database_name(std::string_view name) {
  if (name.empty() || name == "*" || name == "!") return false;
  for (char c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7F || c == '"' || c == '\'' || c == '\\') return false;
  }
  return true;
}

}  // namespace lexora::dictd
