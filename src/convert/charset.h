// Character sets of fetched pages: the charset codes, the table of names that
// declarations may use, the validators of automatic detection and the
// per-byte decoder states. The decoders themselves live in the converter
// (converter_decode.cpp), which they feed byte by byte.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/sjis.h"

namespace ks::convert {

// Charset codes, also the values of the item setting CHARSET_SEL (0 to 4).
inline constexpr int kCharsetAuto = 0;
inline constexpr int kCharsetSjis = 1;
inline constexpr int kCharsetJis = 2;  // ISO-2022-JP
inline constexpr int kCharsetEuc = 3;
inline constexpr int kCharsetUtf8 = 4;
inline constexpr int kCharsetLatin1 = 5;  // read as Windows-1252

// The charset named at the start of `text` (compared without regard to case,
// each table name as a prefix: "euc-kr" reads as EUC-JP, "iso-8859-15" as
// ISO-8859-1); 0 when none matches.
int charset_by_prefix(std::string_view text);
// The charset of exactly that name (case-insensitive); 0 when unknown.
int charset_by_name(std::string_view name);

// One candidate of automatic detection. Invalid is final.
enum class Validity : uint8_t {
  kIdle,        // no multi-byte character yet, nothing wrong
  kInSequence,  // inside a multi-byte character
  kValid,       // at least one complete multi-byte character, nothing wrong
  kInvalid,     // a byte that the charset does not allow
};

struct Validator {
  Validity state = Validity::kIdle;
  uint8_t expected = 0;  // bytes still due in the current sequence
  uint8_t kind = 0;      // EUC-JP: 0 pair, 1 half-width katakana, 2 three-byte
  // Shift_JIS: what the bytes read as so far, for telling EUC-JP text apart
  // (see euc_reads_better()).
  uint8_t lead = 0;      // the lead byte of the pair in progress
  uint32_t kana = 0;     // single half-width katakana
  uint32_t pairs = 0;    // double-byte characters of code page 932
  uint32_t unknown = 0;  // pairs that code page 932 has no character for
};

// Each validator sees every byte of the body while detection runs.
inline void validate_utf8(Validator& v, unsigned char c) {
  switch (v.state) {
    case Validity::kInvalid:
      return;
    case Validity::kIdle:
    case Validity::kValid:
      if (c <= 0x7F) return;
      if (c >= 0xC2 && c <= 0xDF) {
        v.expected = 1;
      } else if (c >= 0xE0 && c <= 0xEF) {
        v.expected = 2;
      } else if (c >= 0xF0 && c <= 0xFB) {
        v.expected = 3;
      } else if (c == 0xFC || c == 0xFD) {
        v.expected = 4;
      } else {
        v.state = Validity::kInvalid;
        return;
      }
      v.state = Validity::kInSequence;
      return;
    case Validity::kInSequence:
      if (c < 0x80 || c > 0xBF) {
        v.state = Validity::kInvalid;
      } else if (--v.expected == 0) {
        v.state = Validity::kValid;
      }
      return;
  }
}

inline void validate_sjis(Validator& v, unsigned char c) {
  switch (v.state) {
    case Validity::kInvalid:
      return;
    case Validity::kIdle:
    case Validity::kValid:
      if (c <= 0x7F) return;
      if (c >= 0xA1 && c <= 0xDF) {
        ++v.kana;
        return;
      }
      if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
        v.state = Validity::kInSequence;
        v.lead = c;
      } else {
        v.state = Validity::kInvalid;
      }
      return;
    case Validity::kInSequence:
      if (c >= 0x40 && c <= 0xFC && c != 0x7F) {
        v.state = Validity::kValid;
        ++(cp932_to_unicode(static_cast<uint16_t>(v.lead << 8 | c)) >= 0 ? v.pairs : v.unknown);
      } else {
        v.state = Validity::kInvalid;
      }
      return;
  }
}

inline void validate_euc(Validator& v, unsigned char c) {
  switch (v.state) {
    case Validity::kInvalid:
      return;
    case Validity::kIdle:
    case Validity::kValid:
      if (c <= 0x7F) return;
      if (c >= 0xA1 && c <= 0xFE) {
        v.kind = 0;
        v.expected = 1;
      } else if (c == 0x8E) {
        v.kind = 1;
        v.expected = 1;
      } else if (c == 0x8F) {
        v.kind = 2;
        v.expected = 2;
      } else {
        v.state = Validity::kInvalid;
        return;
      }
      v.state = Validity::kInSequence;
      return;
    case Validity::kInSequence: {
      unsigned char hi = v.kind == 1 ? 0xDF : 0xFE;
      if (c < 0xA1 || c > hi) {
        v.state = Validity::kInvalid;
      } else if (--v.expected == 0) {
        v.state = Validity::kValid;
      }
      return;
    }
  }
}

// Undeclared bytes that are valid both as Shift_JIS and as EUC-JP: almost
// every EUC-JP text is also valid Shift_JIS, read there as a jumble of
// half-width katakana (each EUC-JP byte from 0xA1 to 0xDF is one) and
// double-byte codes, many of which code page 932 has no character for. Real
// Shift_JIS text is double-byte characters with hardly any half-width
// katakana, and its hiragana and most kanji have lead bytes that EUC-JP does
// not allow at all. So the EUC-JP reading is taken when at least half of
// what the Shift_JIS reading holds is half-width katakana or codes without a
// character.
inline bool euc_reads_better(const Validator& sjis, const Validator& euc) {
  if (sjis.state != Validity::kValid || euc.state != Validity::kValid) return false;
  const uint32_t odd = sjis.kana + sjis.unknown;
  return odd > 0 && odd >= sjis.pairs;
}

// ISO-2022-JP decoder states.
enum class JisState : uint8_t {
  kAscii,          // single bytes pass; ESC starts an escape
  kEsc,            // after ESC in ASCII mode
  kEscDollar,      // after ESC $: B or @ selects JIS X 0208
  kEscParen,       // after ESC (: B or J stays in ASCII
  kKanji,          // pairs of JIS X 0208; ESC starts an escape
  kKanjiSecond,    // the second byte of a pair is due
  kKanjiEsc,       // after ESC in kanji mode
  kKanjiEscParen,  // after ESC (: B or J returns to ASCII
};

// Decoding state of one pass.
struct CharsetState {
  int code = kCharsetAuto;     // the charset in use; 0 while detecting
  bool detecting = false;      // the detecting decoder is active
  bool jis_switched = false;   // detection met ESC and switched to ISO-2022-JP
  int decoder = kCharsetSjis;  // the decoder in use (detection decodes as Shift_JIS)
  Validator utf8, sjis, euc;
  // Per-decoder state.
  unsigned char first = 0;  // the pending first byte of a pair (0: none)
  bool kana_next = false;   // EUC-JP: the byte after 0x8E passes as it is
  JisState jis = JisState::kAscii;
  uint32_t cp = 0;   // UTF-8: the code point being built
  uint8_t need = 0;  // UTF-8: continuation bytes still due
};

// A JIS X 0208 pair (both bytes 0x21 to 0x7E) as a Shift_JIS pair.
inline void jis_to_sjis(unsigned char j1, unsigned char j2, unsigned char& s1, unsigned char& s2) {
  s1 = static_cast<unsigned char>(((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0));
  if (j1 & 1) {
    s2 = static_cast<unsigned char>(j2 + (j2 >= 0x60 ? 0x20 : 0x1F));
  } else {
    s2 = static_cast<unsigned char>(j2 + 0x7E);
  }
}

// An EUC-JP pair (first byte 0xA1 to 0xFE) as a Shift_JIS pair, computed in
// 8 bits as the classic arithmetic does (a malformed second byte gives a
// malformed pair, never a failure).
inline void euc_to_sjis(unsigned char h, unsigned char l, unsigned char& s1, unsigned char& s2) {
  s1 = static_cast<unsigned char>(((h + 1) >> 1) + (h < 0xDF ? 0x30 : 0x70));
  if (h & 1) {
    unsigned char t = static_cast<unsigned char>(l - 0x61);
    s2 = static_cast<unsigned char>(t > 0x7E ? t + 1 : t);
  } else {
    s2 = static_cast<unsigned char>(l - 2);
  }
}

// Windows-1252 code point of a byte from 0x80 up (0 for the five unassigned).
char32_t windows1252(unsigned char c);

}  // namespace ks::convert
