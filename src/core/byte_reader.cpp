#include "core/byte_reader.h"

#include "core/text.h"

namespace fc {

void ByteReader::fail(const char* what, size_t wanted) const {
  throw FormatError(Format("%s at offset 0x%llx needs %zu bytes, %zu remain", what,
                           static_cast<unsigned long long>(file_offset()), wanted, remaining()));
}

}  // namespace fc
