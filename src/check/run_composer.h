// How a check run has an item's display composed. The run calls the
// composer on the worker that carries the item, at the point where the
// display belongs in the item's road: after the comparison, before the
// result is recorded and the logs rotate, so the item's add.txt and del.txt
// are still in place. The composer reads them and returns a value (see
// DisplayBatch in check/run_events.h) that travels with the item's event.
//
// A composer must not block on the front end and must not touch a pane the
// front end shows: it writes into values of its own. Several workers may
// call it at once; the task record belongs to the caller and is valid only
// during the call.
#pragma once

#include <string_view>

#include "check/run_events.h"
#include "check/task.h"

namespace ks::check {

class RunComposer {
 public:
  virtual ~RunComposer() = default;
  // The display of a finished item whose outcome is to be shown (the run
  // decides that by NOCHANGE_MSG). `task` holds the settings, the result
  // code and message and the redirect overflow mark.
  virtual DisplayValue compose_outcome(const TaskRecord& task, const RunTabs& tabs) = 0;
  // A hop that ended in a redirect: `http_message` is "HTTPエラー (status
  // line)", task.redirect_target the target.
  virtual DisplayValue compose_redirect(const TaskRecord& task, std::string_view http_message,
                                        const RunTabs& tabs) = 0;
};

}  // namespace ks::check
