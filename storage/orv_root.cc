#include "storage/orv_root.h"

#include <string.h>

#include "com/iids.h"
#include "platform/platform.h"
#include "storage/coding.h"
#include "storage/container_format.h"
#include "storage/descriptor.h"

namespace platform = orv::platform;
namespace format = orv::format;

namespace {

constexpr int32_t kReopenMode =
    platform::kOpenReadWrite | platform::kShareDenyWrite;

// The caller's open mode with writing refused to every other handle. The
// sharing value is a number, not a set of flags: or-ing deny-write into
// "exclusive" would make "deny read" and let others write. So the refusals
// are joined instead: compatibility, deny-none and deny-write become
// deny-write; deny-read and exclusive become exclusive. An invalid sharing
// value stays invalid, and the open fails.
int32_t WithWritesRefused(int32_t mode) {
  const int32_t sharing = mode & platform::kShareMask;
  const int32_t rest = mode & ~platform::kShareMask;
  switch (sharing) {
    case platform::kShareCompat:
    case platform::kShareDenyNone:
    case platform::kShareDenyWrite:
      return rest | platform::kShareDenyWrite;
    case platform::kShareDenyRead:
    case platform::kShareExclusive:
      return rest | platform::kShareExclusive;
    default:
      return mode;
  }
}

bool WriteExactly(HFILE file, const void* bytes, uint32_t count) {
  return platform::_lwrite(file, bytes, count) == static_cast<int32_t>(count);
}

bool ReadExactly(HFILE file, void* bytes, uint32_t count) {
  return platform::_lread(file, bytes, count) == static_cast<int32_t>(count);
}

}  // namespace

CORVRoot::CORVRoot(IUnknown* outer) : CUnknown(outer) {
  path_.text[0] = '\0';
  SetTreeRoot(this);
}

CORVRoot::~CORVRoot() {
  CloseFile();
  // The CORVList part then gives up the entries.
}

IUnknown* CORVRoot::FindInterface(REFIID iid) {
  if (IsEqualGUID(iid, IID_IORVRoot)) return static_cast<IORVRoot*>(this);
  if (IsEqualGUID(iid, IID_IORVList)) return static_cast<IORVList*>(this);
  if (IsEqualGUID(iid, IID_IObjectList)) {
    return static_cast<IObjectList*>(this);
  }
  return nullptr;
}

void CORVRoot::CloseFile() {
  if (file_ != 0) platform::_lclose(file_);
  file_ = 0;
  if (storedFile() != nullptr) storedFile()->Detach();
}

// --- Open and Create --------------------------------------------------------

HRESULT CORVRoot::Open(const char* path, const uint8_t* descriptor,
                       int32_t mode) {
  if (!orv::CopyPath(path, &path_)) return E_INVALIDARG;
  HFILE file = platform::_lopen(path_.text, WithWritesRefused(mode));
  if (file == HFILE_ERROR) {
    file_ = 0;
    return E_ACCESSDENIED;
  }
  file_ = file;
  openMode_ = mode;
  return ReadHeader(descriptor);
}

HRESULT CORVRoot::ReadHeader(const uint8_t* descriptor) {
  uint8_t header[format::kHeaderSize];
  uint8_t* magic = header;
  uint8_t* stored = header + format::kDescriptorOffset;
  uint8_t* rootTable = header + format::kRootTableOffsetPosition;
  if (!ReadExactly(file_, magic, format::kMagicSize) ||
      memcmp(magic, format::kMagic, format::kMagicSize) != 0 ||
      !ReadExactly(file_, stored, format::kDescriptorSize) ||
      !orv::SameFileSystem(stored, descriptor) ||
      !ReadExactly(file_, rootTable, 4)) {
    return E_FAIL;
  }
  int32_t size = platform::_llseek(file_, 0, platform::kSeekEnd);
  if (size < 0) return E_FAIL;
  orv::StoredFile* opened =
      orv::StoredFile::Create(file_, static_cast<uint32_t>(size));
  if (opened == nullptr) return E_OUTOFMEMORY;
  SetStoredTable(orv::DecodeU32(rootTable), opened);
  opened->Release();  // the list holds it now
  return S_OK;
}

HRESULT CORVRoot::Create(const char* path, const uint8_t* descriptor) {
  if (!orv::CopyPath(path, &path_)) return E_INVALIDARG;
  HFILE file = platform::_lcreat(path_.text, 0);
  if (file == HFILE_ERROR) {
    file_ = 0;
    return E_ACCESSDENIED;
  }
  file_ = file;
  if (!WriteExactly(file_, format::kMagic, format::kMagicSize) ||
      !WriteExactly(file_, descriptor, format::kDescriptorSize)) {
    return E_FAIL;  // the partial file stays open until the root goes
  }
  HFILE closing = file_;
  file_ = 0;
  return platform::_lclose(closing) == HFILE_ERROR ? E_FAIL : S_OK;
}

// --- Save -------------------------------------------------------------------

HRESULT ORV_STDCALL CORVRoot::Save(int32_t /*reserved*/, int32_t backup,
                                   const char* newPath) {
  orv::SavePlan plan;
  HRESULT planned = orv::PlanSave(path_.text, newPath, backup != 0, &plan);
  if (FAILED(planned)) return planned;
  // The commit must not fail once the new file is in place, so what it
  // needs is allocated before anything is written.
  orv::StoredFile* fresh = orv::StoredFile::Create(0, 0);
  if (fresh == nullptr) return E_OUTOFMEMORY;
  HRESULT result = WriteTemporary(plan);
  if (SUCCEEDED(result)) result = PutInPlace(plan);
  if (SUCCEEDED(result)) result = AdoptNewFile(plan, fresh);
  fresh->Release();
  return result;
}

HRESULT CORVRoot::WriteTemporary(const orv::SavePlan& plan) {
  HFILE out = platform::_lcreat(plan.temporary.text, 0);
  if (out == HFILE_ERROR) return E_ACCESSDENIED;
  HRESULT result = WriteContainer(out);
  // Closing decides the file too: a failed close may have lost data.
  if (platform::_lclose(out) == HFILE_ERROR && SUCCEEDED(result)) {
    result = E_FAIL;
  }
  if (FAILED(result)) platform::_unlink(plan.temporary.text);
  return result;
}

HRESULT CORVRoot::WriteContainer(HFILE file) {
  const orv::Descriptor descriptor = orv::BuildDescriptor();
  const uint8_t placeholder[4] = {0, 0, 0, 0};
  if (!WriteExactly(file, format::kMagic, format::kMagicSize) ||
      !WriteExactly(file, descriptor.bytes, format::kDescriptorSize)) {
    return E_FAIL;
  }
  const int32_t patch = platform::_llseek(file, 0, platform::kSeekCurrent);
  if (patch != static_cast<int32_t>(format::kRootTableOffsetPosition) ||
      !WriteExactly(file, placeholder, sizeof(placeholder))) {
    return E_FAIL;
  }
  HRESULT result = CopyData(file_, file);
  if (SUCCEEDED(result)) result = WriteTables(file);
  if (FAILED(result)) return result;
  uint8_t rootTable[4];
  orv::EncodeU32(rootTable, writtenTableOffset());
  if (platform::_llseek(file, patch, platform::kSeekSet) != patch ||
      !WriteExactly(file, rootTable, sizeof(rootTable)) ||
      platform::FlushFile(file) != 0) {
    return E_FAIL;
  }
  return S_OK;
}

HRESULT CORVRoot::PutInPlace(const orv::SavePlan& plan) {
  // No handle may stay on the container while it is replaced (on Windows
  // an open handle forbids it), so in place the root lets go of its file
  // first and takes it back if the replacement does not happen. A save to a
  // new path keeps the old file until the new one is in place.
  const bool reopenOnFailure = plan.inPlace && file_ != 0;
  if (plan.inPlace) CloseFile();
  if ((plan.keepBackup && !orv::MakeBackup(path_.text, plan.backup.text)) ||
      platform::rename(plan.temporary.text, plan.target.text) != 0) {
    return GiveUpReplacement(plan, reopenOnFailure);
  }
  CloseFile();
  return S_OK;
}

HRESULT CORVRoot::GiveUpReplacement(const orv::SavePlan& plan, bool reopen) {
  platform::_unlink(plan.temporary.text);
  // The old container is intact and its offsets still hold: go on with it.
  if (reopen) {
    ReopenFile(path_.text, WithWritesRefused(openMode_), storedFile());
  }
  return E_ACCESSDENIED;
}

HRESULT CORVRoot::AdoptNewFile(const orv::SavePlan& plan,
                               orv::StoredFile* fresh) {
  // The rename is done: from here on the new file is the container, and
  // the tree must describe it whatever else happens.
  const bool durable = platform::SyncDirectory(plan.target.text) == 0;
  CommitTree(fresh);
  if (!plan.inPlace) orv::CopyPath(plan.target.text, &path_);
  openMode_ = kReopenMode;
  HRESULT reopened = ReopenFile(path_.text, kReopenMode, fresh);
  if (FAILED(reopened)) return reopened;
  return durable ? S_OK : E_FAIL;
}

HRESULT CORVRoot::ReopenFile(const char* path, int32_t mode,
                             orv::StoredFile* stored) {
  HFILE file = platform::_lopen(path, mode);
  if (file == HFILE_ERROR) {
    file_ = 0;
    return E_ACCESSDENIED;
  }
  int32_t size = platform::_llseek(file, 0, platform::kSeekEnd);
  if (size < 0) {
    platform::_lclose(file);
    file_ = 0;
    return E_ACCESSDENIED;
  }
  file_ = file;
  if (stored != nullptr) stored->Attach(file, static_cast<uint32_t>(size));
  return S_OK;
}
