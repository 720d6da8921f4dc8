#include "store/startup.h"

#include <string>

#include "platform/fs.h"
#include "store/tree_cache.h"
#include "store/tree_order.h"
#include "store/tree_scan.h"

namespace ks::store {

StartupTree build_tree_at_startup(Tree& tree, TemplateTable& templates,
                                  std::string_view base_folder, bool auto_sort) {
  StartupTree r;
  const std::string data = std::string(base_folder) + std::string(Tree::root_label());
  const bool had_cache = path_exists(path_join(data, kCacheFileName));
  if (had_cache && load_tree_cache(tree, data) == CacheStatus::kOk) {
    r.source = TreeSource::kCache;
    if (auto_sort) sort_all(tree);
  } else {
    r.cache_rejected = had_cache;
    if (!auto_sort && load_tree_db(tree, data)) {
      r.source = TreeSource::kTreeDb;
    } else {
      r.source = TreeSource::kFolders;
      scan_tree_from_disk(tree, base_folder,
                          [](Tree& t, NodeId parent) { sort_children(t, parent); });
      // An empty tree would hide every item and let a check "check"
      // nothing; the folders are the truth, and the order starts afresh.
      if (!auto_sort && tree_db_unusable(data)) r.tree_db_rebuilt = true;
    }
  }
  load_template_table(templates, tree, base_folder);
  count_items(tree);
  return r;
}

bool save_tree_at_shutdown(const Tree& tree, std::string_view base_folder) {
  const std::string data = std::string(base_folder) + std::string(Tree::root_label());
  return save_tree_cache(tree, data);
}

}  // namespace ks::store
