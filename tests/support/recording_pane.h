// A pane for tests: keeps everything written (BufferedPane) and records the
// batch calls, and shows its text as UTF-8 with links marked as
// [text](target), an item-settings target as "#<id>".
//
// The class is defined in this header so that tests which use it pull the
// pane code in themselves; recording_pane.cpp holds only text helpers.
#pragma once

#include <string>
#include <vector>

#include "platform/sjis.h"
#include "present/buffered_pane.h"

namespace ks::testing {

// The pane's text with links marked, as UTF-8.
std::string mark_links(const std::string& sjis_text, std::size_t base_offset,
                       const std::vector<present::PaneLink>& links);
// Offsets of every byte range whose attribute has `bit`, as (start, end).
std::vector<std::pair<std::size_t, std::size_t>> attribute_runs(const std::vector<uint8_t>& attrs,
                                                                std::size_t base_offset,
                                                                uint8_t bit);

class RecordingPane : public present::BufferedPane {
 public:
  void begin() override {
    calls.push_back("begin");
    BufferedPane::begin();
  }
  void end() override {
    calls.push_back("end");
    BufferedPane::end();
  }
  void set_text_kind(present::TextKind kind) override {
    calls.push_back("kind " + std::to_string(static_cast<int>(kind)));
    BufferedPane::set_text_kind(kind);
  }

  std::string utf8() {
    flush();
    return sjis_to_utf8(text());
  }
  std::string marked() {
    flush();
    return mark_links(text(), base_offset(), links());
  }
  // Ranges of text carrying an attribute bit.
  std::vector<std::pair<std::size_t, std::size_t>> runs(uint8_t bit) {
    flush();
    return attribute_runs(attributes(), base_offset(), bit);
  }

  std::vector<std::string> calls;
};

}  // namespace ks::testing
