#include "swf/dump.h"

#include <string>

#include "core/text.h"
#include "swf/actions.h"
#include "swf/fonts_text.h"
#include "swf/tag_factory.h"

namespace fc {
namespace {

const char* CompressionName(TSWFCompression c) {
  switch (c) {
    case TSWFCompression::Zlib: return "CWS (zlib)";
    case TSWFCompression::LZMA: return "ZWS (LZMA)";
    default: return "FWS (uncompressed)";
  }
}

// One line per text record of a static text: its style and glyph count.
void DumpTextRecords(const TSWFObject& obj, const std::string& indent, std::ostream& out) {
  const auto* text = dynamic_cast<const TSWFDefineText*>(&obj);
  if (!text) return;
  for (size_t i = 0; i < text->TextRecords.size(); ++i) {
    const TSWFTextRecord& r = text->TextRecords[i];
    std::string line = Format("record %zu:", i);
    if (r.HasFont) line += Format(" font=%u height=%u", r.FontID(), r.TextHeight());
    if (r.HasColor) line += " color=" + ColorText(r.TextColor());
    if (r.HasXOffset) line += Format(" x=%d", r.XOffset());
    if (r.HasYOffset) line += Format(" y=%d", r.YOffset());
    line += Format(" glyphs=%zu", r.GlyphEntries.size());
    out << indent << "    " << line << "\n";
  }
}

void DumpObject(TSWFObject& obj, uint16_t code, uint32_t length, const std::string& prefix, std::ostream& out,
                bool actions, int depth) {
  const std::string indent(2 * depth, ' ');
  std::string line = indent + prefix + Format("%s (%u) len=%u", TagName(code), code, length);
  const std::string what = obj.Describe();
  if (!what.empty()) line += " " + what;
  out << line << "\n";
  DumpTextRecords(obj, indent, out);
  if (actions) {
    obj.ForEachActionList([&](const std::string& label, TSWFActionList& list) {
      out << indent << "    " << label << ":\n";
      for (const auto& l : DisassembleActionList(list)) out << indent << "    " << l << "\n";
    });
  }
  if (TSWFObjectList* subs = obj.SubTags()) {
    for (size_t i = 0; i < subs->size(); ++i) {
      TSWFObject& child = *(*subs)[i];
      DumpObject(child, child.HeaderTagID(), child.BodySize, Format("#%zu ", i), out, actions, depth + 1);
    }
  }
}

}  // namespace

void DumpSWFHeader(const TSWFStreamReader& reader, std::ostream& out) {
  const TRect& r = reader.FrameRect;
  out << Format("SWF version %u, %s, file length %u\n", reader.Version(), CompressionName(reader.Compression()),
                reader.FileLength);
  out << Format("frame (%d,%d)-(%d,%d) twips = %gx%g px, rate %s fps, %u frames\n", r.Left, r.Top, r.Right, r.Bottom,
                (r.Right - r.Left) / 20.0, (r.Bottom - r.Top) / 20.0, FormatDouble(reader.GetFrameRate()).c_str(),
                reader.FrameCount);
}

void DumpSWFTags(TSWFStreamReader& reader, std::ostream& out, bool actions) {
  for (size_t i = 0; i < reader.TagList.size(); ++i) {
    TSWFTagInfo& e = *reader.TagList[i];
    const std::string prefix = Format("#%zu f%u ", i, e.FrameNum);
    if (e.Object) {
      DumpObject(*e.Object, e.TagID, e.Length, prefix, out, actions, 0);
    } else {
      out << prefix << Format("%s (%u) len=%u\n", TagName(e.TagID), e.TagID, e.Length);
    }
  }
  if (!reader.Tail().empty()) out << Format("(%zu byte(s) of a cut tag follow)\n", reader.Tail().size());
  for (const auto& w : reader.Warnings) out << "warning: " << w << "\n";
}

}  // namespace fc
