// Processes, a plain DICT client and CPU accounting for the DICT server
// benchmarks. Servers listen on 127.0.0.1 only and are killed when their
// object goes.
#ifndef LEXORA_BENCH_DICTD_BENCH_SUPPORT_H_
#define LEXORA_BENCH_DICTD_BENCH_SUPPORT_H_

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace lexora::bench {

// A free TCP port on 127.0.0.1 (bound once and let go).
int free_port();

// A child process; SIGTERM (then SIGKILL) and reaped on destruction.
class Process {
 public:
  explicit Process(const std::vector<std::string>& argv);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  pid_t pid() const { return pid_; }
  // Waits for the process to end (bounded); its exit status or -1.
  int wait(int timeout_ms);

 private:
  pid_t pid_ = -1;
};

// Seconds of CPU the process and its reaped children have used.
double cpu_seconds(pid_t pid);
// Resident memory of the process in bytes.
std::size_t resident_bytes(pid_t pid);

// A blocking DICT client without TCP_NODELAY (as most clients are). Reads
// give up after a timeout instead of hanging.
class DictConnection {
 public:
  // Connects and reads the banner; retries every millisecond until
  // `timeout_ms` has passed. ok() tells whether it worked.
  DictConnection(int port, int timeout_ms);
  ~DictConnection();
  DictConnection(const DictConnection&) = delete;
  DictConnection& operator=(const DictConnection&) = delete;
  bool ok() const { return fd_ >= 0; }
  const std::string& banner() const { return banner_; }
  // Sends the command and reads the whole reply; its first status code
  // (0 on failure).
  int command(const std::string& text, std::size_t* bytes = nullptr);

 private:
  bool read_line(std::string* line);
  int fd_ = -1;
  std::string buffer_;
  std::string banner_;
};

double median(std::vector<double> values);
double percentile(std::vector<double> values, double p);

}  // namespace lexora::bench

#endif  // LEXORA_BENCH_DICTD_BENCH_SUPPORT_H_
