// Capacities of the converter's buffers and fields, in bytes. Each limit cuts
// page content silently: conversion never fails because a page is large or
// malformed, it only drops what does not fit.
#pragma once

#include <cstddef>

namespace ks::convert {

// Output is collected here and written out in large pieces; a line may be
// longer (the buffer is written out whenever the next byte would not fit).
inline constexpr std::size_t kLineBufferSize = 65536;
// Text of one tag: token bytes with their terminators; more is dropped.
inline constexpr std::size_t kTagBufferSize = 65535;
// Tokens of one tag (the name, then attribute names and values); more are dropped.
inline constexpr std::size_t kMaxTokens = 999;
// The URL of the anchor being written (an anchor whose URL is longer gets none).
inline constexpr std::size_t kLinkUrlMax = 4200;
// An absolute anchor href longer than this is not taken.
inline constexpr std::size_t kAbsoluteHrefMax = 9999;
// Result of combining a relative URL with its base.
inline constexpr std::size_t kCombinedUrlMax = 9999;
// <base href>: values of this length or more are ignored.
inline constexpr std::size_t kBaseUrlMax = 999;
// Refresh targets and feed item links are resolved into a URL field.
inline constexpr std::size_t kPageUrlMax = 2100;

// Ceiling of one conversion's output. An anchor is closed and reopened with
// its URL (up to 4,200 bytes) at every line break, so a hostile page can turn
// a few bytes per line into kilobytes; comparison reads only the first
// 512,000 bytes of a text, so the rest is never missed.
inline constexpr std::size_t kOutputMax = 64u << 20;

// Feed item fields.
inline constexpr std::size_t kFeedTitleMax = 4999;
inline constexpr std::size_t kFeedLinkMax = 4199;
inline constexpr std::size_t kFeedTextMax = 102399;  // summary, content
// Characters kept of an entity name in feed text (the rest is dropped).
inline constexpr std::size_t kFeedEntityMax = 19;

// Input is read in blocks of this size; the stop request is checked before
// each block and the processor is yielded every kYieldEveryBlocks blocks.
inline constexpr std::size_t kReadBlockSize = 9999;
inline constexpr int kYieldEveryBlocks = 31;

}  // namespace ks::convert
