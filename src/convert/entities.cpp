#include "convert/entities.h"

#include <string_view>
#include <vector>

#include "convert/codepoint.h"
#include "platform/sjis.h"

namespace ks::convert {
namespace {

struct EntitySource {
  const char* name;  // nullptr: a row for numeric references only
  char32_t cp;
  const char* text;  // UTF-8; nullptr: the character itself in Shift_JIS
};

// Named rows in search order; the first match wins, so the order matters
// where a name or code point repeats (rdquo and bull have two rows each).
// Replacement texts favour what a Shift_JIS reader can show: accents are
// dropped, symbols without a Shift_JIS form are spelt out.
constexpr EntitySource kNamed[] = {
    {"nbsp", 160, " "},        {"cent", 162, "￠"},       {"pound", 163, "￡"},
    {"yen", 165, "￥"},        {"sect", 167, nullptr},    {"uml", 168, "¨"},
    {"copy", 169, "(C)"},      {"ordf", 170, "a"},        {"laquo", 171, "《"},
    {"not", 172, "￢"},        {"reg", 174, "(R)"},       {"macr", 175, "￣"},
    {"deg", 176, nullptr},     {"plusmn", 177, nullptr},  {"sup2", 178, "2"},
    {"sup3", 179, "3"},        {"acute", 180, "´"},       {"micro", 181, "μ"},
    {"para", 182, nullptr},    {"middot", 183, "・"},     {"sup1", 185, "1"},
    {"ordm", 186, "o"},        {"raquo", 187, "》"},      {"frac14", 188, "1/4"},
    {"frac12", 189, "1/2"},    {"frac34", 190, "3/4"},    {"Agrave", 192, "A"},
    {"Aacute", 193, "A"},      {"Acirc", 194, "A"},       {"Atilde", 195, "A"},
    {"Auml", 196, "A"},        {"Aring", 197, "Å"},       {"AElig", 198, "AE"},
    {"Ccedil", 199, "C"},      {"Egrave", 200, "E"},      {"Eacute", 201, "E"},
    {"Ecirc", 202, "E"},       {"Euml", 203, "E"},        {"Igrave", 204, "I"},
    {"Iacute", 205, "I"},      {"Icirc", 206, "I"},       {"Iuml", 207, "I"},
    {"ETH", 208, "TH"},        {"Ntilde", 209, "N"},      {"Ograve", 210, "O"},
    {"Oacute", 211, "O"},      {"Ocirc", 212, "O"},       {"Otilde", 213, "O"},
    {"Ouml", 214, "O"},        {"times", 215, nullptr},   {"Oslash", 216, "O"},
    {"Ugrave", 217, "U"},      {"Uacute", 218, "U"},      {"Ucirc", 219, "U"},
    {"Uuml", 220, "U"},        {"Yacute", 221, "Y"},      {"THORN", 222, "TH"},
    {"szlig", 223, "ss"},      {"agrave", 224, "a"},      {"aacute", 225, "a"},
    {"acirc", 226, "a"},       {"atilde", 227, "a"},      {"auml", 228, "a"},
    {"aring", 229, "a"},       {"aelig", 230, "ae"},      {"ccedil", 231, "c"},
    {"egrave", 232, "e"},      {"eacute", 233, "e"},      {"ecirc", 234, "e"},
    {"euml", 235, "e"},        {"igrave", 236, "i"},      {"iacute", 237, "i"},
    {"icirc", 238, "i"},       {"iuml", 239, "i"},        {"eth", 240, "th"},
    {"ntilde", 241, "n"},      {"ograve", 242, "o"},      {"oacute", 243, "o"},
    {"ocirc", 244, "o"},       {"otilde", 245, "o"},      {"ouml", 246, "o"},
    {"divide", 247, nullptr},  {"oslash", 248, "o"},      {"ugrave", 249, "u"},
    {"uacute", 250, "u"},      {"ucirc", 251, "u"},       {"uuml", 252, "u"},
    {"yacute", 253, "y"},      {"thorn", 254, "th"},      {"yuml", 255, "y"},
    {"quot", 34, "\""},        {"amp", 38, "&"},          {"lt", 60, "<"},
    {"gt", 62, ">"},           {"OElig", 338, "OE"},      {"oelig", 339, "oe"},
    {"Scaron", 352, "S"},      {"scaron", 353, "s"},      {"Yuml", 376, "Y"},
    {"circ", 710, "＾"},       {"", 0x02DA, "ﾟ"},         {"tilde", 732, "~"},
    {"ensp", 8194, " "},       {"emsp", 8195, " "},       {"thinsp", 8201, " "},
    {"ndash", 8211, "-"},      {"mdash", 8212, "―"},      {"lsquo", 8216, "‘"},
    {"rsquo", 8217, "’"},      {"sbquo", 8218, "‘"},      {"ldquo", 8220, "“ "},
    {"rdquo", 8221, "”"},      {"rdquo", 148, "”"},       {"bdquo", 8222, "“"},
    {"dagger", 8224, nullptr}, {"Dagger", 8225, nullptr}, {"permil", 8240, nullptr},
    {"lsaquo", 8249, "〈"},    {"rsaquo", 8250, "〉"},    {"Alpha", 913, nullptr},
    {"Beta", 914, nullptr},    {"Gamma", 915, nullptr},   {"Delta", 916, nullptr},
    {"Epsilon", 917, nullptr}, {"Zeta", 918, nullptr},    {"Eta", 919, nullptr},
    {"Theta", 920, nullptr},   {"Iota", 921, nullptr},    {"Kappa", 922, nullptr},
    {"Lambda", 923, nullptr},  {"Mu", 924, nullptr},      {"Nu", 925, nullptr},
    {"Xi", 926, nullptr},      {"Omicron", 927, nullptr}, {"Pi", 928, nullptr},
    {"Rho", 929, nullptr},     {"Sigma", 931, nullptr},   {"Tau", 932, nullptr},
    {"Upsilon", 933, nullptr}, {"Phi", 934, nullptr},     {"Chi", 935, nullptr},
    {"Psi", 936, nullptr},     {"Omega", 937, nullptr},   {"alpha", 945, nullptr},
    {"beta", 946, nullptr},    {"gamma", 947, nullptr},   {"delta", 948, nullptr},
    {"epsilon", 949, nullptr}, {"zeta", 950, nullptr},    {"eta", 951, nullptr},
    {"theta", 952, nullptr},   {"iota", 953, nullptr},    {"kappa", 954, nullptr},
    {"lambda", 955, nullptr},  {"mu", 956, nullptr},      {"nu", 957, nullptr},
    {"xi", 958, nullptr},      {"omicron", 959, nullptr}, {"pi", 960, nullptr},
    {"rho", 961, nullptr},     {"sigmaf", 962, "σ"},  // no final-sigma form in Shift_JIS
    {"sigma", 963, nullptr},   {"tau", 964, nullptr},     {"upsilon", 965, nullptr},
    {"phi", 966, nullptr},     {"chi", 967, nullptr},     {"psi", 968, nullptr},
    {"omega", 969, nullptr},   {"hellip", 8230, nullptr}, {"prime", 8242, nullptr},
    {"Prime", 8243, nullptr},  {"oline", 8254, "￣"},     {"frasl", 8260, "/"},
    {"trade", 8482, "TM"},     {"larr", 8592, nullptr},   {"uarr", 8593, nullptr},
    {"rarr", 8594, nullptr},   {"darr", 8595, nullptr},   {"harr", 8596, "←→"},
    {"rArr", 8658, nullptr},   {"hArr", 8660, nullptr},   {"forall", 8704, nullptr},
    {"part", 8706, nullptr},   {"exist", 8707, nullptr},  {"nabla", 8711, nullptr},
    {"isin", 8712, nullptr},   {"ni", 8715, nullptr},     {"prod", 8719, "Π"},
    {"sum", 8721, "Σ"},        {"minus", 8722, "-"},      {"radic", 8730, nullptr},
    {"prop", 8733, nullptr},   {"infin", 8734, nullptr},  {"ang", 8736, nullptr},
    {"and", 8743, nullptr},    {"or", 8744, nullptr},     {"cap", 8745, nullptr},
    {"cup", 8746, nullptr},    {"int", 8747, nullptr},    {"there4", 8756, nullptr},
    {"sim", 8764, "~"},        {"ne", 8800, nullptr},     {"equiv", 8801, nullptr},
    {"le", 8804, "≦"},  // Shift_JIS has only the forms with a double bar
    {"ge", 8805, "≧"},         {"sub", 8834, nullptr},    {"sup", 8835, nullptr},
    {"sube", 8838, nullptr},   {"supe", 8839, nullptr},   {"perp", 8869, nullptr},
    {"lang", 9001, "〈"},      {"rang", 9002, "〉"},      {"loz", 9674, "◇"},
    {"bull", 149, "･"},        {"bull", 8226, "･"},       {"apos", 39, "'"},
};

// Rows for numeric references only: characters that code page 932 has in
// vendor rows or not at all, written the way Japanese text usually shows them.
constexpr EntitySource kUnnamed[] = {
    {nullptr, 0x2103, "℃"},    {nullptr, 0x2113, "㍑"},   {nullptr, 0x2116, "№"},
    {nullptr, 0x2121, "℡"},    {nullptr, 0x2160, "Ⅰ"},    {nullptr, 0x2161, "Ⅱ"},
    {nullptr, 0x2162, "Ⅲ"},    {nullptr, 0x2163, "Ⅳ"},    {nullptr, 0x2164, "Ⅴ"},
    {nullptr, 0x2165, "Ⅵ"},    {nullptr, 0x2166, "Ⅶ"},    {nullptr, 0x2167, "Ⅷ"},
    {nullptr, 0x2168, "Ⅸ"},    {nullptr, 0x2169, "Ⅹ"},    {nullptr, 0x216A, "XI"},
    {nullptr, 0x216B, "XII"},  {nullptr, 0x216C, "L"},    {nullptr, 0x216D, "C"},
    {nullptr, 0x216E, "D"},    {nullptr, 0x216F, "M"},    {nullptr, 0x2460, "①"},
    {nullptr, 0x2461, "②"},    {nullptr, 0x2462, "③"},    {nullptr, 0x2463, "④"},
    {nullptr, 0x2464, "⑤"},    {nullptr, 0x2465, "⑥"},    {nullptr, 0x2466, "⑦"},
    {nullptr, 0x2467, "⑧"},    {nullptr, 0x2468, "⑨"},    {nullptr, 0x2469, "⑩"},
    {nullptr, 0x246A, "⑪"},    {nullptr, 0x246B, "⑫"},    {nullptr, 0x246C, "⑬"},
    {nullptr, 0x246D, "⑭"},    {nullptr, 0x246E, "⑮"},    {nullptr, 0x246F, "⑯"},
    {nullptr, 0x2470, "⑰"},    {nullptr, 0x2471, "⑱"},    {nullptr, 0x2472, "⑲"},
    {nullptr, 0x2473, "⑳"},    {nullptr, 0x3220, "(一)"}, {nullptr, 0x3221, "(二)"},
    {nullptr, 0x3222, "(三)"}, {nullptr, 0x3223, "(四)"}, {nullptr, 0x3224, "(五)"},
    {nullptr, 0x3225, "(六)"}, {nullptr, 0x3226, "(七)"}, {nullptr, 0x3227, "(八)"},
    {nullptr, 0x3228, "(九)"}, {nullptr, 0x3229, "(十)"}, {nullptr, 0x322A, "(月)"},
    {nullptr, 0x322B, "(火)"}, {nullptr, 0x322C, "(水)"}, {nullptr, 0x322D, "(木)"},
    {nullptr, 0x322E, "(金)"}, {nullptr, 0x322F, "(土)"}, {nullptr, 0x3230, "(日)"},
    {nullptr, 0x3231, "㈱"},   {nullptr, 0x3232, "㈲"},   {nullptr, 0x3233, "(社)"},
};

struct Entity {
  std::string_view name;  // empty for unnamed rows and the U+02DA row
  bool named;             // false: the name search stops here
  char32_t cp;
  std::string text;  // Shift_JIS
};

std::vector<Entity> build_table() {
  std::vector<Entity> t;
  auto add = [&](const EntitySource& s) {
    std::string text;
    if (s.text != nullptr) {
      text = utf8_to_sjis(s.text);
    } else {
      append_code_point(text, s.cp);
    }
    t.push_back({s.name != nullptr ? s.name : "", s.name != nullptr, s.cp, std::move(text)});
  };
  for (const EntitySource& s : kNamed) add(s);
  for (const EntitySource& s : kUnnamed) add(s);
  return t;
}

const std::vector<Entity>& table() {
  static const std::vector<Entity> t = build_table();
  return t;
}

bool is_name_char(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#';
}

// Digits of a numeric reference: "#x" hexadecimal, "#" decimal, read up to
// the first other character. nullopt when there is no digit at all.
bool parse_number(std::string_view name, char32_t& cp) {
  bool hex = name.size() >= 2 && (name[1] == 'x' || name[1] == 'X');
  std::size_t i = hex ? 2 : 1;
  uint32_t v = 0;
  std::size_t digits = 0;
  for (; i < name.size(); ++i, ++digits) {
    char c = name[i];
    uint32_t d = 0;
    if (c >= '0' && c <= '9') {
      d = static_cast<uint32_t>(c - '0');
    } else if (hex && c >= 'a' && c <= 'f') {
      d = static_cast<uint32_t>(c - 'a' + 10);
    } else if (hex && c >= 'A' && c <= 'F') {
      d = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      break;
    }
    v = ((hex ? v * 16 : v * 10) + d) & 0xFFFF;  // only the low 16 bits matter
  }
  cp = v;
  return digits > 0;
}

// The replacement for one reference name; false when the name stays.
bool replacement(std::string_view name, std::string& out) {
  const auto& t = table();
  out.clear();
  if (name[0] == '#') {
    char32_t cp = 0;
    if (!parse_number(name, cp)) return false;
    for (const Entity& e : t) {
      if (e.cp == cp) {
        out = e.text;
        return true;
      }
    }
    // A NUL would cut the zero-terminated lines that later readers keep.
    if (cp == 0) {
      out = "??";
    } else {
      append_code_point(out, cp);
    }
    return true;
  }
  for (const Entity& e : t) {
    if (!e.named) break;
    if (!e.name.empty() && e.name == name) {
      out = e.text;
      return true;
    }
  }
  return false;
}

}  // namespace

void decode_references(std::string& text) {
  std::string out;
  std::string rep;
  out.reserve(text.size());
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    std::size_t amp = text.find('&', i);
    if (amp == std::string::npos) {
      out.append(text, i, n - i);
      break;
    }
    out.append(text, i, amp - i);
    if (amp + 1 < n && text[amp + 1] == '&') {
      out += '&';
      i = amp + 2;
      continue;
    }
    std::size_t j = amp + 1;
    while (j < n && is_name_char(static_cast<unsigned char>(text[j]))) ++j;
    std::size_t len = j - amp - 1;
    if (len == 0 || len >= 10 || !replacement(std::string_view(text).substr(amp + 1, len), rep)) {
      out += '&';
      i = amp + 1;
      continue;
    }
    out += rep;
    i = (j < n && text[j] == ';') ? j + 1 : j;
  }
  text.swap(out);
}

}  // namespace ks::convert
