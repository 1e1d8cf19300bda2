// Post-order walks over a subtree of lists without recursion and without
// allocating: the walk follows the links the tree already has (an entry's
// `next` to its sibling, its `ownerList` up to its parent), so its depth
// costs neither stack nor heap. That is what lets a save, a commit or a load
// run over a tree nested hundreds of thousands of levels deep.
#ifndef ORV_STORAGE_TREE_WALK_H_
#define ORV_STORAGE_TREE_WALK_H_

#include "storage/orv_entry.h"
#include "storage/orv_list.h"

namespace orv {

enum class WalkLoads { kLoadUnread, kLeaveUnread };

// Calls `visit(list)` for every list of the subtree of `top`, children before
// their parent and siblings in list order, `top` last. With kLoadUnread each
// list is loaded before
// its children are visited. Returns the first failure of a load or of
// `visit`, which ends the walk, or S_OK. `visit` must not relink lists.
template <class Visit>
HRESULT WalkPostOrder(CORVList* top, WalkLoads loads, Visit&& visit) {
  CORVList* node = top;
  for (;;) {
    // Down to the first list below `node` that has no elements.
    for (;;) {
      if (loads == WalkLoads::kLoadUnread) {
        HRESULT loaded = node->LoadIfNeeded();
        if (FAILED(loaded)) return loaded;
      }
      if (node->head == nullptr) break;
      node = node->head;
    }
    // Up: visit, then continue with the next sibling's subtree, or the
    // parent once the last sibling is done.
    for (;;) {
      HRESULT visited = visit(node);
      if (FAILED(visited)) return visited;
      if (node == top) return S_OK;
      CORVEntry* entry = node->AsEntry();
      if (entry->next != nullptr) {
        node = entry->next;
        break;
      }
      node = entry->ownerList();
    }
  }
}

}  // namespace orv

#endif  // ORV_STORAGE_TREE_WALK_H_
