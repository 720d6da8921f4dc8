#include "store/tree_db.h"

#include "platform/sjis.h"
#include "store/tree.h"

namespace ks::store {
namespace {

bool ends_with_nocase(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  s = s.substr(s.size() - suffix.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char a = s[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != suffix[i]) return false;
  }
  return true;
}

}  // namespace

const std::string& tree_db_warning() {
  return KS_SJ("！！！このファイルを編集しないでください。！！！");
}

std::string format_tree_db(const std::vector<OrderLine>& lines) {
  std::string out = tree_db_warning();
  out += "\r\n";
  for (const OrderLine& l : lines) {
    out.append(static_cast<std::size_t>(l.depth), '\t');
    out += l.name;
    out += kind_extension(l.kind);
    out += "\r\n";
  }
  return out;
}

std::vector<OrderLine> parse_tree_db(std::string_view bytes) {
  std::vector<OrderLine> out;
  bool first = true;
  while (!bytes.empty()) {
    std::size_t lf = bytes.find('\n');
    std::string_view line = bytes.substr(0, lf);
    bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
    if (first) {
      first = false;
      continue;
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    OrderLine node;
    while (!line.empty() && line.front() == '\t') {
      line.remove_prefix(1);
      ++node.depth;
    }
    if (line == Tree::template_root_label()) {
      node.kind = NodeKind::kTemplateRoot;
      node.name = std::string(line);
    } else if (ends_with_nocase(line, ".grp")) {
      node.kind = NodeKind::kGroup;
    } else if (ends_with_nocase(line, ".dat")) {
      node.kind = NodeKind::kItem;
    } else if (ends_with_nocase(line, ".tpl")) {
      node.kind = NodeKind::kTemplate;
    } else {
      continue;
    }
    if (node.kind != NodeKind::kTemplateRoot)
      node.name = std::string(line.substr(0, line.size() - 4));
    node.tag = tag_with_kind(0, node.kind);
    out.push_back(std::move(node));
  }
  return out;
}

}  // namespace ks::store
