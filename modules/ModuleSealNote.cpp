// The seal every module carries (see ModuleSeal.cmake): a note in the
// module's first loaded segment whose descriptor the build fills, after each
// link, with the checksum of the module's mapped bytes. Compiled into every
// module; nothing refers to it by name.
#include <cstdint>

#include "platform/ModuleFile.h"

namespace {

struct TSealNote {
  std::uint32_t ownerSize;
  std::uint32_t checksumSize;
  std::uint32_t type;
  char owner[sizeof kModuleSealOwner];
  unsigned char checksum[kModuleSealSize];
};
static_assert(sizeof kModuleSealOwner % 4 == 0 && sizeof(TSealNote) % 4 == 0, "a note is laid out in 4-byte steps");

// A section whose name begins with ".note" is a note: the linker puts it with
// the others into the note segment, inside the first loaded one.
__attribute__((section(".note.kvx-module-seal"), used, aligned(4)))
const TSealNote kSeal = {sizeof kModuleSealOwner, kModuleSealSize, kModuleSealType, "KvxSeal", {}};

}  // namespace
