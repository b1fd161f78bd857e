#include "cli/cli_errors.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/commands.h"
#include "engine/dictionary.h"
#include "engine/resource_pack.h"
#include "engine/status.h"
#include "platform/messages.h"
#include "platform/utf.h"
#include "resources/string_table.h"

namespace lexora::cli {

int report_error(std::string_view text) {
  show_message_text(text, str::kError, MessageIcon::kError);
  return kExitNotFound;
}

std::string file_problem(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return errno == ENOENT ? "no such file" : std::strerror(errno);
  }
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::strerror(errno);
  std::fclose(file);
  return {};
}

void report_status(const Status& status) {
  if (status.has_message()) show_message(status_message(status));
}

bool open_dictionary_or_report(Dictionary& dict, const std::string& path) {
  dict.set_status_listener(report_status);
  if (dict.open_dictionary(path)) return true;
  std::string text = format_message(string_text(str::kCantOpenFile), path);
  const std::string problem = file_problem(path);
  if (!problem.empty()) text += ": " + problem;
  report_error(text);
  return false;
}

std::string pack_entry_problem(const Dictionary& dict, const std::string& name) {
  const std::string pack = pack_path_for(dict.path());
  if (dict.pack() == nullptr) return "no usable resource pack " + pack + " beside " + dict.path();
  if (dict.pack()->find(utf8_to_utf16(name)) < 0) return "no entry " + name + " in " + pack;
  return "cannot read the entry " + name + " of " + pack +
         " (damaged, cut short, or larger than the limit for its use)";
}

bool output_written() {
  errno = 0;
  std::cout.flush();
  const bool ok = std::cout.good() && std::fflush(stdout) == 0 && !std::ferror(stdout);
  if (ok) return true;
  const int error = errno;
  std::cout.clear();
  std::clearerr(stdout);
  report_error(std::string("cannot write the output: ") +
               (error != 0 ? std::strerror(error) : "write error"));
  return false;
}

bool read_stdin_line(std::string* line, bool* failed) {
  *failed = false;
  line->clear();
  for (;;) {
    const int c = std::cin.get();
    if (c == std::char_traits<char>::eof()) {
      if (std::cin.bad()) {
        *failed = true;
        report_error("cannot read the input");
        return false;
      }
      return !line->empty();
    }
    if (c == '\n') break;
    if (line->size() >= kMaxStdinLine) {
      *failed = true;
      report_error("an input line is longer than 1 MiB");
      return false;
    }
    line->push_back(static_cast<char>(c));
  }
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

}  // namespace lexora::cli
