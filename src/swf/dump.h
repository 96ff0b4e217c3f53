#pragma once
// A readable listing of an SWF file: the header, one line per tag with its key fields,
// nested sprites indented, and optionally the disassembly of every action list.

#include <ostream>

#include "swf/streams.h"

namespace fc {

void DumpSWFHeader(const TSWFStreamReader& reader, std::ostream& out);
// The reader must have been parsed with objects for the key fields to show.
void DumpSWFTags(TSWFStreamReader& reader, std::ostream& out, bool actions);

}  // namespace fc
