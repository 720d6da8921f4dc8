// How one item's check came out, as the stages leave it: the conversion of
// the response (no change yet, HTTP error, not modified, system error) and
// then the comparison (no change, changed, initialized, check area not
// found). One numbering for fetching, comparison and the run; the result
// record maps it to the stored result code (compare/result_record.h).
#pragma once

namespace ks::store {

enum class CheckStatus : int {
  kNoChange = 0,  // also: converted, ready for comparison
  kChanged = 1,
  kInitialized = 2,  // there was no previous log
  kHttpError = 3,    // a status other than 200 and 304 (redirects included)
  kNotModified = 4,  // the server answered 304
  kAreaNotFound = 5,
  kSystemError = 6,  // the body could not be inflated, the text not written
};

}  // namespace ks::store
