#include "cli/cli_errors.h"

#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// stdin read in large pieces straight from the descriptor (a character at a
// time through the stream cost microseconds per line).
struct StdinBuffer {
  char data[1 << 16];
  std::size_t at = 0;
  std::size_t end = 0;
  bool finished = false;  // end of input, or a failed read
  bool failed = false;

  // Refills an empty buffer; false at the end of the input or on failure.
  bool refill() {
    if (finished) return false;
    // Whoever feeds the input may wait for the answers so far before
    // sending more: they must be out before this read can block. Output
    // is otherwise written in large pieces, not a system call per line.
    std::cout.flush();
    for (;;) {
      const ssize_t n = ::read(STDIN_FILENO, data, sizeof data);
      if (n > 0) {
        at = 0;
        end = static_cast<std::size_t>(n);
        return true;
      }
      if (n < 0 && errno == EINTR) continue;
      failed = n < 0;
      finished = true;
      return false;
    }
  }
};

StdinBuffer& stdin_buffer() {
  static StdinBuffer buffer;
  return buffer;
}

}  // namespace

bool read_stdin_line(std::string* line, bool* failed) {
  *failed = false;
  line->clear();
  StdinBuffer& in = stdin_buffer();
  for (;;) {
    if (in.at == in.end && !in.refill()) {
      if (in.failed) {
        *failed = true;
        report_error("cannot read the input");
        return false;
      }
      break;  // the last line may lack its "\n"
    }
    const char* start = in.data + in.at;
    const auto* newline = static_cast<const char*>(std::memchr(start, '\n', in.end - in.at));
    const std::size_t take =
        newline != nullptr ? static_cast<std::size_t>(newline - start) : in.end - in.at;
    if (line->size() + take > kMaxStdinLine) {
      *failed = true;
      report_error("an input line is longer than 1 MiB");
      return false;
    }
    line->append(start, take);
    in.at += take;
    if (newline != nullptr) {
      ++in.at;
      if (!line->empty() && line->back() == '\r') line->pop_back();
      return true;
    }
  }
  if (line->empty()) return false;
  if (line->back() == '\r') line->pop_back();
  return true;
}

}  // namespace lexora::cli
