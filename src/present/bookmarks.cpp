#include "present/bookmarks.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>

#include "convert/entities.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/sjis.h"
#include "present/html_text.h"
#include "store/names.h"
#include "store/node_path.h"
#include "store/page_settings_io.h"
#include "store/tree_order.h"
#include "store/tree_scan.h"

namespace ks::present {
namespace {

// An item folder leaves 12 bytes for its file names within the 260-byte path
// limit; groups keep the same room so their items can still be made.
constexpr std::size_t kMaxFolderBytes = 248;
constexpr std::size_t kMaxTextBytes = 2100;
constexpr std::size_t kMaxLinkFileName = 247;
constexpr int kMaxUniqueTries = 9999;
constexpr int kMaxFolderDepth = 64;
constexpr std::string_view kBookmarkType = "<!DOCTYPE NETSCAPE-Bookmark-file-1>";

// A URL inside a double-quoted attribute: a quote would end the attribute.
std::string attribute_url(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '"') {
      out += "%22";
    } else {
      out += c;
    }
  }
  return out;
}

void export_children(const store::Tree& tree, store::NodeId parent, std::string_view base,
                     const StatusFn& status, std::string& out) {
  const store::Node* p = tree.find(parent);
  if (!p) return;
  for (store::NodeId id : p->children) {
    const store::Node* n = tree.find(id);
    if (!n) continue;
    if (status) status(n->label);
    const std::string name = escape_html_text(sjis_to_utf8(n->label));
    switch (n->kind()) {
      case store::NodeKind::kGroup:
      case store::NodeKind::kTemplateRoot:
        out += "<DT><H3 FOLDED>" + name + "</H3>\n<DL><p>\n";
        export_children(tree, id, base, status, out);
        out += "</DL><p>\n";
        break;
      case store::NodeKind::kItem:
      case store::NodeKind::kTemplate: {
        std::string url;
        store::PageSettings rec = store::default_page_settings();
        if (auto folder = store::node_path(tree, id, base);
            folder && store::read_page_settings(*folder, rec)) {
          url = n->kind() == store::NodeKind::kTemplate ? rec.browse_url : rec.url;
        }
        out += "<DT><A HREF=\"" + attribute_url(sjis_to_utf8(url)) + "\">" + name + "</A>\n";
        break;
      }
      case store::NodeKind::kRoot:
        break;
    }
  }
}

bool starts_with_no_case(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  return profile_name_equal(s.substr(0, prefix.size()), prefix);
}

// Cuts to at most `max` bytes without splitting a double-byte character.
std::string cut_text(std::string_view s, std::size_t max) {
  return std::string(s.substr(0, sjis_fit(s, max)));
}

// A name as a folder can take it: control bytes as blanks, blanks trimmed.
std::string clean_name(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (is_sjis_pair(text, i)) {
      out.append(text.substr(i, 2));
      ++i;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i]);
    out += c < 0x20 || c == 0x7F ? ' ' : static_cast<char>(c);
  }
  std::size_t b = 0;
  while (b < out.size() && out[b] == ' ') ++b;
  std::size_t e = out.size();
  while (e > b && out[e - 1] == ' ') --e;
  return out.substr(b, e - b);
}

bool write_link_item(std::string_view folder, std::string_view url, std::string_view name) {
  store::PageSettings rec = store::default_page_settings();
  // A line break in an imported URL must not reach site.db, where the rest
  // of it would read as keys of its own (a program to run, credentials).
  rec.url = cut_text(profile_one_line(url), store::kUrlCapacity - 1);
  rec.comment = cut_text(name, store::kCommentCapacity - 1);
  return store::write_page_settings(folder, rec);
}

// The state of one import: where new folders go and what was made.
class ImportTarget {
 public:
  ImportTarget(std::string data_folder, ImportResult& result)
      : data_(std::move(data_folder)), result_(result) {}

  bool open_root(std::string_view label) {
    auto root = make_unique_folder(data_, clean_name(label), ".grp", kMaxFolderBytes);
    if (!root) return false;
    result_.group_folder = *root;
    std::string_view folder_name = *root;
    folder_name.remove_prefix(folder_name.rfind('/') + 1);
    folder_name.remove_suffix(4);
    result_.group_label = store::decode_name(folder_name).label;
    return true;
  }
  const std::string& root() const { return result_.group_folder; }

  // A new group below `parent`; nullopt when its folder cannot be made.
  std::optional<std::string> add_group(std::string_view parent, std::string_view text) {
    std::string name = clean_name(text);
    if (name.empty()) name = KS_SJ("無題");
    bool too_long = false;
    return unique_folder(parent, name, ".grp", too_long);
  }

  void add_link(std::string_view parent, std::string_view text, std::string_view url) {
    std::string name = clean_name(text);
    if (name.empty()) name = KS_SJ("無題");
    bool too_long = false;
    std::optional<std::string> folder = unique_folder(parent, name, ".dat", too_long);
    // Only a name that cannot form a path goes to the overflow group; a
    // folder that could not be made for another reason is no item.
    if (!folder && too_long) folder = too_long_folder();
    if (!folder) return;
    write_link_item(*folder, url, name);
    ++result_.links;
  }

 private:
  // make_unique_folder, numbering on from the last number this import gave
  // the same name in the same place: thousands of links of one name would
  // otherwise try every taken number again for each new one.
  std::optional<std::string> unique_folder(std::string_view parent, const std::string& name,
                                           std::string_view ext, bool& too_long) {
    std::string key(parent);
    key += '\0';
    key += ext;
    key += '\0';
    key += name;
    auto at = next_suffix_.try_emplace(std::move(key), 0).first;
    int used = 0;
    auto made =
        make_unique_folder(parent, name, ext, kMaxFolderBytes, at->second, &used, &too_long);
    if (made) at->second = used + 1;
    return made;
  }

  // The item folder for a name too long for its place: an eight-digit
  // running number in the group "!アイテム名が長い" of the data folder.
  std::optional<std::string> too_long_folder() {
    const std::string group =
        path_join(data_, *store::encode_name(KS_SJ("!アイテム名が長い")) + ".grp");
    if (!make_dirs(group)) return std::nullopt;
    for (int tries = 0; tries < kMaxUniqueTries; ++tries) {
      char name[32];
      std::snprintf(name, sizeof name, "%08d.dat", next_number_++);
      const std::string path = path_join(group, name);
      if (path_exists(path)) continue;
      if (!make_dirs(path)) return std::nullopt;
      ++result_.too_long;
      return path;
    }
    return std::nullopt;
  }

  std::string data_;
  ImportResult& result_;
  int next_number_ = 0;
  std::map<std::string, int> next_suffix_;  // parent, extension, name -> next number to try
};

struct Tag {
  std::string name;
  std::optional<std::string> href;
};

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Parses the tag that starts after '<' at `pos`; `pos` ends after its '>'.
Tag read_tag(std::string_view s, std::size_t& pos) {
  Tag tag;
  auto skip_blanks = [&] {
    while (pos < s.size() && is_blank(s[pos])) ++pos;
  };
  auto read_word = [&] {
    std::string w;
    while (pos < s.size() && !is_blank(s[pos]) && s[pos] != '>' && s[pos] != '=') {
      if (is_sjis_pair(s, pos)) w += s[pos++];
      w += s[pos++];
    }
    return w;
  };
  skip_blanks();
  tag.name = read_word();
  while (pos < s.size() && s[pos] != '>') {
    skip_blanks();
    std::string attr = read_word();
    skip_blanks();
    std::optional<std::string> value;
    if (pos < s.size() && s[pos] == '=') {
      ++pos;
      skip_blanks();
      if (pos < s.size() && s[pos] == '"') {
        const std::size_t close = s.find('"', pos + 1);
        const std::size_t end = close == std::string_view::npos ? s.size() : close;
        value = std::string(s.substr(pos + 1, end - pos - 1));
        pos = end == s.size() ? end : end + 1;
      } else {
        value = read_word();
      }
    } else if (attr.empty() && pos < s.size() && s[pos] != '>') {
      ++pos;  // a stray byte such as a lone quote
    }
    if (value && profile_name_equal(attr, "href") && !value->empty()) tag.href = std::move(value);
  }
  if (pos < s.size()) ++pos;  // the '>'
  return tag;
}

void scan_bookmarks(std::string_view text, ImportTarget& target, ImportResult& result,
                    const StatusFn& status) {
  std::string parent = target.root();
  std::vector<std::string> stack;
  std::string pending_folder = parent;
  std::string pending_url;
  std::string collected;
  std::string current;
  bool collecting_full = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c != '<') {
      const std::size_t step = is_sjis_pair(text, pos) ? 2 : 1;
      if (!(collected.empty() && is_blank(c)) && !collecting_full) {
        if (collected.size() + step > kMaxTextBytes) {
          collecting_full = true;
        } else {
          collected.append(text.substr(pos, step));
        }
      }
      pos += step;
      continue;
    }
    current = std::move(collected);
    convert::decode_references(current);
    collected.clear();
    collecting_full = false;
    ++pos;
    const Tag tag = read_tag(text, pos);
    const std::string& n = tag.name;
    if (profile_name_equal(n, "A")) {
      pending_url = tag.href.value_or("");
    } else if (profile_name_equal(n, "/A")) {
      target.add_link(parent, current, pending_url);
      pending_url.clear();
      if (status && result.links % 10 == 0) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "(%d)...", result.links);
        status(KS_SJ("ブックマークをインポート中") + buf);
      }
    } else if (profile_name_equal(n, "/H3")) {
      pending_folder = target.add_group(parent, current).value_or(parent);
    } else if (profile_name_equal(n, "DL")) {
      stack.push_back(parent);
      parent = pending_folder;
    } else if (profile_name_equal(n, "/DL")) {
      if (!stack.empty()) {
        parent = stack.back();
        stack.pop_back();
      }
      pending_folder = parent;
    }
  }
}

// A link file's settings: at most kMaxLinkFileBytes of a regular file.
Profile load_link_file(const std::string& path) {
  const auto bytes = read_file(path, kMaxLinkFileBytes);
  return bytes ? Profile::parse(*bytes) : Profile{};
}

// Walks a link folder. Only folders and regular files themselves are taken,
// never links (a link to a folder above would make the walk endless), to
// kMaxFolderDepth levels and kMaxLinkFolderEntries entries in all
// (`entries` counts down).
void import_links_below(std::string_view folder, std::string_view group, ImportTarget& target,
                        ImportResult& result, const StatusFn& status, int depth,
                        int& entries_left) {
  std::vector<DirEntry> entries = scan_dir(folder);
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  for (const DirEntry& e : entries) {
    if (entries_left <= 0) {
      result.entry_limit = true;
      return;
    }
    --entries_left;
    const std::string path = path_join(folder, e.name);
    if (e.is_dir) {
      if (depth >= kMaxFolderDepth) continue;
      const std::string sub = target.add_group(group, e.name).value_or(std::string(group));
      import_links_below(path, sub, target, result, status, depth + 1, entries_left);
      continue;
    }
    if (!e.is_regular) continue;
    std::string url;
    std::string name;
    if (store::has_extension(e.name, ".url")) {
      name = e.name.substr(0, e.name.size() - 4);
      url = load_link_file(path).get_string("InternetShortcut", "URL", "");
    } else if (store::has_extension(e.name, ".desktop")) {
      const Profile p = load_link_file(path);
      if (!profile_name_equal(p.get_string("Desktop Entry", "Type", ""), "Link")) continue;
      name = e.name.substr(0, e.name.size() - 8);
      url = utf8_to_sjis(p.get_string("Desktop Entry", "URL", ""));  // the file is UTF-8
    } else {
      continue;
    }
    if (name.size() > kMaxLinkFileName) continue;
    target.add_link(group, name, url);
    if (status && result.links % 10 == 0) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "(%d)...", result.links);
      status(KS_SJ("IEのお気に入りをインポート中") + buf);
    }
  }
}

store::NodeId copy_subtree(const store::Tree& from, store::NodeId id, store::Tree& to,
                           store::NodeId parent) {
  const store::Node* n = from.find(id);
  if (!n) return store::kNoNode;
  const store::NodeId made = to.add(parent, n->kind(), n->label, n->tag);
  for (store::NodeId c : n->children) copy_subtree(from, c, to, made);
  return made;
}

}  // namespace

std::string export_bookmarks(const store::Tree& tree, std::string_view base_folder,
                             const StatusFn& status) {
  std::string out =
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
      "<!-- This is an automatically generated file.\n"
      "     It will be read and overwritten.\n"
      "     DO NOT EDIT! -->\n"
      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
      "<TITLE>Bookmarks</TITLE>\n"
      "<H1>Bookmarks</H1>\n"
      "\n"
      "<DL><p>\n";
  if (status) status(KS_SJ("エクスポート中..."));
  export_children(tree, tree.root(), base_folder, status, out);
  out += "</DL><p>\n";
  if (status) status(KS_SJ("エクスポート完了"));
  return out;
}

std::optional<std::string> make_unique_folder(std::string_view parent, std::string_view name,
                                              std::string_view ext, std::size_t max_path, int first,
                                              int* used, bool* too_long) {
  if (too_long) *too_long = false;
  first = std::max(first, 0);
  for (int n = first; n <= first + kMaxUniqueTries; ++n) {
    std::string candidate(name);
    if (n > 0) candidate += "(" + std::to_string(n) + ")";
    const std::optional<std::string> encoded = store::encode_name(candidate);
    std::string path = encoded ? path_join(parent, *encoded + std::string(ext)) : std::string();
    if (!encoded || path.size() > max_path) {
      if (too_long) *too_long = true;
      return std::nullopt;
    }
    // One call tells a free name from a taken one (a file or link of that
    // name counts as taken too).
    if (!make_new_dir(path)) {
      if (errno == EEXIST) continue;
      return std::nullopt;
    }
    if (used) *used = n;
    return path;
  }
  return std::nullopt;
}

std::string decode_bookmark_utf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  auto cont = [&](std::size_t i) {
    return i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
  };
  auto put = [&](char32_t cp) {
    const int32_t code = unicode_to_cp932(cp);
    if (code < 0) {
      out += '?';
    } else if (code < 0x100) {
      out += static_cast<char>(code);
    } else {
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    }
  };
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else if ((c & 0xE0) == 0xC0 && cont(i + 1)) {
      put(static_cast<char32_t>(((c & 0x1F) << 6) | (s[i + 1] & 0x3F)));
      i += 2;
    } else if ((c & 0xF0) == 0xE0 && cont(i + 1) && cont(i + 2)) {
      put(static_cast<char32_t>(((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F)));
      i += 3;
    } else {
      out += '?';
      ++i;
    }
  }
  return out;
}

ImportResult import_bookmarks(std::string_view bytes, std::string_view data_folder,
                              const StatusFn& status) {
  ImportResult result;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  std::size_t line_end = bytes.find('\n');
  if (line_end == std::string_view::npos) line_end = bytes.size();
  const std::string_view first = bytes.substr(0, std::min<std::size_t>(line_end, 511));
  // Anything else is left alone, and no empty import group is left behind.
  if (!starts_with_no_case(first, kBookmarkType)) return result;
  ImportTarget target{std::string(data_folder), result};
  if (!target.open_root(KS_SJ("インポートされたブックマーク"))) return result;
  result.imported = true;
  if (status) status(KS_SJ("ブックマークをインポート中..."));
  const std::string text = decode_bookmark_utf8(bytes.substr(std::min(line_end + 1, bytes.size())));
  scan_bookmarks(text, target, result, status);
  return result;
}

ImportResult import_link_folder(std::string_view folder, std::string_view data_folder,
                                std::string_view group_name, const StatusFn& status) {
  ImportResult result;
  if (!is_directory(folder)) return result;
  ImportTarget target{std::string(data_folder), result};
  if (!target.open_root(group_name)) return result;
  result.imported = true;
  if (status) status(KS_SJ("IEのお気に入りをインポート中..."));
  int entries_left = kMaxLinkFolderEntries;
  import_links_below(folder, target.root(), target, result, status, 0, entries_left);
  return result;
}

const std::string& too_long_names_message() {
  return KS_SJ(
      "サイト名が長すぎるアイテムがありました。\r\n「!"
      "アイテム名が長い」フォルダに保存されました。");
}

store::NodeId merge_imported_group(store::TreeContext& ctx, const ImportResult& result) {
  if (!result.imported) return store::kNoNode;
  store::Tree scanned;
  store::scan_tree_from_disk(scanned, ctx.base_folder);
  store::NodeId made = store::kNoNode;
  const std::string too_long_label = KS_SJ("!アイテム名が長い");
  for (store::NodeId c : scanned.find(scanned.root())->children) {
    const store::Node* n = scanned.find(c);
    if (!n || n->kind() != store::NodeKind::kGroup) continue;
    const auto path = store::node_path(scanned, c, ctx.base_folder);
    if (path && *path == result.group_folder) {
      made = copy_subtree(scanned, c, ctx.tree, ctx.tree.root());
    } else if (result.too_long > 0 && n->label == too_long_label) {
      // The overflow group: replace any older copy by what is on disk now.
      if (store::NodeId old = ctx.tree.find_child(ctx.tree.root(), n->label, n->kind())) {
        ctx.tree.remove(old);
      }
      copy_subtree(scanned, c, ctx.tree, ctx.tree.root());
    }
  }
  if (made == store::kNoNode) return made;
  // Keep the template folder last among the root's children.
  if (store::NodeId tpl = ctx.tree.template_root()) ctx.tree.move(tpl, ctx.tree.root());
  store::count_items(ctx.tree);
  store::order_changed(ctx, made);
  return made;
}

std::string dropped_link_name(std::string_view name) {
  for (std::string_view ext : {std::string_view(".url"), std::string_view(".website")}) {
    if (name.size() > ext.size() && store::has_extension(name, ext)) {
      name.remove_suffix(ext.size());
      break;
    }
  }
  return std::string(name);
}

store::NodeId add_dropped_link(store::TreeContext& ctx, store::NodeId selected,
                               std::string_view url, std::string_view name) {
  if (url.empty() && name.empty()) return store::kNoNode;
  // The new item's URL loses its line breaks in plan_new_node; its name its
  // control bytes here.
  const std::string clean = clean_name(dropped_link_name(name));
  auto plan = store::plan_new_node(ctx, selected, clean, url);
  if (!plan) return store::kNoNode;
  return store::create_planned_node(ctx, *plan, plan->record).node;
}

}  // namespace ks::present
