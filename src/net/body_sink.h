// Where the response reader hands the bytes of a response body, after
// de-chunking and inflation. The converter implements it; tests use a
// recording sink. Placeholder contract: the fetching layer owns this file and
// may refine it.
#pragma once

#include <string_view>

namespace ks::net {

class BodySink {
 public:
  virtual ~BodySink() = default;
  // Body bytes in order, in blocks of any size. Returns false to stop reading.
  virtual bool write(std::string_view bytes) = 0;
  // After the last block.
  virtual void finish() = 0;
};

}  // namespace ks::net
