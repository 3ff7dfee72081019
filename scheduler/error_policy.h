// error_policy.h: how a stretch of the scheduler's steps handles the platform's
// run-time errors. Each step runs under a policy; a step that fails is handed
// to the policy's handler (ignore it, log it, or end the program) and the next
// step runs unless the handler ends the program.
#ifndef KIT_SCHEDULER_ERROR_POLICY_H
#define KIT_SCHEDULER_ERROR_POLICY_H

#include <functional>
#include <utility>

#include "platform/form/form.h"

namespace tickrun {

class ErrorPolicy {
 public:
  using Handler = std::function<void(const form::PlatformError &)>;

  // A policy that skips every failing step without a word.
  ErrorPolicy() = default;
  explicit ErrorPolicy(Handler handler) : handler_(std::move(handler)) {}

  // Run: runs |step|; returns true when it completed, false when it failed and
  // the handler let the program go on.
  template <typename Step>
  bool Run(Step &&step) {
    try {
      step();
      return true;
    } catch (const form::PlatformError &error) {
      if (handler_) {
        handler_(error);
      }
      return false;
    }
  }

 private:
  Handler handler_;
};

}  // namespace tickrun

#endif  // KIT_SCHEDULER_ERROR_POLICY_H
