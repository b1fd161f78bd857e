// Listens to one Dictionary for the tests: records every status it reports,
// in order. Header-only. It detaches itself when destroyed, so it is
// declared after the dictionary it listens to.
#ifndef LEXORA_TESTING_STATUS_RECORDER_H_
#define LEXORA_TESTING_STATUS_RECORDER_H_

#include <string>
#include <vector>

#include "engine/dictionary.h"
#include "engine/status.h"

namespace lexora::test {

class StatusRecorder {
 public:
  explicit StatusRecorder(Dictionary& dict) : dict_(dict) {
    dict_.set_status_listener([this](const Status& status) { statuses_.push_back(status); });
  }
  ~StatusRecorder() { dict_.set_status_listener(nullptr); }
  StatusRecorder(const StatusRecorder&) = delete;
  StatusRecorder& operator=(const StatusRecorder&) = delete;

  const std::vector<Status>& statuses() const { return statuses_; }
  // The messages as the user would read them, in order.
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const Status& status : statuses_) out.push_back(status.message());
    return out;
  }
  void clear() { statuses_.clear(); }

 private:
  Dictionary& dict_;
  std::vector<Status> statuses_;
};

}  // namespace lexora::test

#endif  // LEXORA_TESTING_STATUS_RECORDER_H_
