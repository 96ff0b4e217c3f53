#include "core/byte_reader.h"

#include "core/text.h"

namespace fc {

void TByteReader::Fail(const char* what, size_t wanted) const {
  throw FormatError(Format("%s at offset 0x%llx needs %zu bytes, %zu remain", what,
                           static_cast<unsigned long long>(FileOffset()), wanted, Remaining()));
}

}  // namespace fc
