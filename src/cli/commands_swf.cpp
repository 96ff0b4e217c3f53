// flarecast-cli swf ...: look inside SWF files and write them back through the SWF library.

#include <iostream>
#include <ostream>

#include "cli/command.h"
#include "core/text.h"
#include "swf/dump.h"
#include "swf/streams.h"

namespace fc::cli {
namespace {

void Load(TSWFStreamReader& reader, const std::string& path) {
  reader.LoadFromFile(path);
  if (!reader.IsValid) throw Error(Format("%s is not an SWF file (no FWS, CWS or ZWS signature)", path.c_str()));
}

int SwfDump(const TArgs& args, std::ostream& out) {
  TSWFStreamReader reader;
  Load(reader, args.At(0));
  reader.ParseTags(true, true);
  DumpSWFHeader(reader, out);
  DumpSWFTags(reader, out, args.Has("--actions"));
  return 0;
}

int SwfCopy(const TArgs& args, std::ostream& out) {
  if (args.Has("--compress") && args.Has("--no-compress"))
    throw UsageError("--compress and --no-compress exclude each other");
  TSWFStreamReader reader;
  Load(reader, args.At(0));
  const bool decode = args.Has("--decode");
  reader.ParseTags(decode, true);
  if (decode) reader.BuildBody();
  if (args.Has("--compress")) reader.SetCompression(TSWFCompression::Zlib);
  if (args.Has("--no-compress")) reader.SetCompression(TSWFCompression::None);
  reader.SaveToFile(args.At(1));
  for (const auto& w : reader.Warnings) std::cerr << "warning: " << w << "\n";
  size_t modelled = 0;
  for (const auto& e : reader.TagList)
    if (e->Object && !dynamic_cast<const TSWFByteCodeTag*>(e->Object)) ++modelled;
  out << Format("%s: %zu tags (%zu decoded), version %u, %u bytes uncompressed\n", args.At(1).c_str(),
                reader.TagList.size(), modelled, reader.Version(), reader.FileLength);
  return 0;
}

}  // namespace

void RegisterSwfCommands(TCommandTable& table) {
  table.Add({.Name = "swf dump",
             .Args = "FILE",
             .Summary = "list the header and the tags of an SWF file",
             .Details = "One line per tag: index, frame, name, code, body length and the key fields of the\n"
                        "tags the library models; tags of nested sprites are indented. Tags kept as raw\n"
                        "bytes say so, with the reason when their body could not be read. Plain (FWS),\n"
                        "zlib (CWS) and LZMA (ZWS) files are read; a cut file lists what precedes the cut.",
             .Options = {{"--actions", "", "also disassemble every action list, with branch targets as labels"}},
             .MinPositional = 1,
             .MaxPositional = 1,
             .Run = SwfDump});
  table.Add({.Name = "swf copy",
             .Args = "IN OUT",
             .Summary = "read an SWF file and write it back",
             .Details = "Without --decode the tags are written as they were read, so the copy is identical\n"
                        "byte for byte, compressed files included; only a header that gave a wrong file\n"
                        "length is mended. An option that changes the compression packs the file anew\n"
                        "(--compress raises the version to 6). With --decode every modelled tag is decoded\n"
                        "into its object and written by that object. OUT is replaced only when writing\n"
                        "succeeded.",
             .Options = {{"--compress", "", "write a zlib-compressed file (CWS)"},
                         {"--no-compress", "", "write an uncompressed file (FWS)"},
                         {"--decode", "", "decode every modelled tag and write it from its fields"}},
             .MinPositional = 2,
             .MaxPositional = 2,
             .Run = SwfCopy});
}

}  // namespace fc::cli
