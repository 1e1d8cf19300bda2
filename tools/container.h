// An open container as the tool's commands use it: its root, the entries
// found or made along entry paths, and the save that ends a command that
// changed something. Only the module's interfaces are used.
#ifndef ORV_TOOLS_CONTAINER_H_
#define ORV_TOOLS_CONTAINER_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "com/orv_interfaces.h"
#include "tools/entry_path.h"

namespace orv {
namespace tool {

// _lopen access modes OpenRoot takes; the root adds deny-write sharing.
constexpr int32_t kOpenRead = 0x00;
constexpr int32_t kOpenReadWrite = 0x02;

class Container {
 public:
  // `fileSystem` is borrowed and outlives the container.
  explicit Container(IORVFileSystem* fileSystem) : fileSystem_(fileSystem) {}
  // Releases the root, which closes the file; changes not saved are lost.
  ~Container();
  Container(const Container&) = delete;
  Container& operator=(const Container&) = delete;

  // Opens the existing container at `path`, for reading only or for reading
  // and writing. The result of OpenRoot.
  HRESULT Open(const std::string& path, bool forWriting);
  // Creates a new container at `path` (an existing file there is emptied:
  // callers check first) and saves it, so that it opens afterwards.
  HRESULT Create(const std::string& path);
  // Saves in place; with `backup`, the previous file stays as NAME.bak.
  HRESULT Save(bool backup);

  // Follows `path` from the root. S_OK with *entry holding a reference when
  // every name is found; S_OK with *entry null and *found the number of
  // names that were found when one is missing; a failure of the lookup
  // otherwise. The root's path gives S_OK, null and 0 found.
  HRESULT Find(const EntryPath& path, IORVEntry** entry, size_t* found);
  // As Find, but makes every missing entry, appending it to its list.
  // *found is the number of names that existed already.
  HRESULT Make(const EntryPath& path, IORVEntry** entry, size_t* found);

  // The open root; null until Open or Create succeeded. The container holds
  // the reference.
  IORVRoot* root() const { return root_; }

 private:
  // Follows the names from the root; makes missing entries when `make`.
  HRESULT Walk(const EntryPath& path, bool make, IORVEntry** entry,
               size_t* found);

  IORVFileSystem* fileSystem_;
  IORVRoot* root_ = nullptr;
};

// The child of the list of `owner` (a root or an entry) called `name`:
// S_OK with a reference in *entry, or S_OK with null when there is none.
HRESULT FindChild(IUnknown* owner, const std::string& name, IORVEntry** entry);

// A new entry called `name`, appended to the list of `owner`. S_OK with a
// reference in *entry, or the failure of the step that failed (nothing is
// linked then).
HRESULT AppendChild(IUnknown* owner, const std::string& name,
                    IORVEntry** entry);

}  // namespace tool
}  // namespace orv

#endif  // ORV_TOOLS_CONTAINER_H_
