#include "dictd/config.h"

#include <charconv>
#include <fstream>
#include <sstream>

#include "dictd/command_line.h"

namespace lexora::dictd {
namespace {

template <typename T>
bool parse_number(const std::string& text, T min, T max, T* out) {
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
    return false;
  *out = value;
  return true;
}

bool fail(std::string* problem, std::string text) {
  *problem = std::move(text);
  return false;
}

bool apply_setting(const std::vector<std::string>& words, const std::string& base_folder,
                   ServerConfig* config, std::string* problem) {
  const std::string& key = words[0];
  const std::size_t values = words.size() - 1;
  if (key == "database") {
    if (values < 2) return fail(problem, "database needs a name and a file");
    DatabaseConfig db;
    db.name = words[1];
    db.path = words[2];
    if (!db.path.empty() && db.path[0] != '/' && !base_folder.empty())
      db.path = base_folder + "/" + db.path;
    for (std::size_t i = 3; i < words.size(); ++i) db.description += (i > 3 ? " " : "") + words[i];
    config->databases.push_back(std::move(db));
    return true;
  }
  if (key == "strategies") {
    config->strategies = std::vector<std::string>(words.begin() + 1, words.end());
    return true;
  }
  if (values != 1) return fail(problem, key + " needs one value");
  const std::string& v = words[1];
  bool ok = true;
  if (key == "address")
    config->address = v;
  else if (key == "port")
    ok = parse_number<std::uint16_t>(v, 0, 65535, &config->port);
  else if (key == "threads")
    ok = parse_number(v, 1, kMaxThreads, &config->threads);
  else if (key == "idle-timeout")
    ok = parse_number(v, 1, 86400, &config->limits.idle_timeout_seconds);
  else if (key == "max-clients")
    ok = parse_number<std::size_t>(v, 1, 100000, &config->limits.max_clients);
  else if (key == "max-commands")
    ok = parse_number<std::size_t>(v, 1, 1u << 30, &config->limits.max_commands);
  else
    return fail(problem, "unknown setting " + key);
  if (!ok) *problem = "bad value for " + key + ": " + v;
  return ok;
}

}  // namespace

bool parse_config(std::string_view text, const std::string& base_folder, ServerConfig* config,
                  std::string* error) {
  std::istringstream in{std::string(text)};
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    const std::optional<std::vector<std::string>> words = split_command(line);
    std::string problem = "bad quoting";
    if (!words || !apply_setting(*words, base_folder, config, &problem)) {
      if (error != nullptr) *error = "line " + std::to_string(number) + ": " + problem;
      return false;
    }
  }
  return true;
}

bool read_config_file(const std::string& path, ServerConfig* config, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    if (error != nullptr) *error = "cannot read " + path;
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  const std::size_t slash = path.find_last_of('/');
  const std::string folder =
      slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  std::string problem;
  if (!parse_config(text.str(), folder, config, &problem)) {
    if (error != nullptr) *error = path + ": " + problem;
    return false;
  }
  return true;
}

DatabaseConfig database_for_file(const std::string& path) {
  DatabaseConfig db;
  db.name = database_name_for_path(path);
  db.path = path;
  return db;
}

}  // namespace lexora::dictd
