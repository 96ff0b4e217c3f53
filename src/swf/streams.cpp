#include "swf/streams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"
#include "swf/compression.h"
#include "swf/tag_factory.h"
#include "swf/tag_ids.h"

namespace fc {

namespace {

// The body is compressed and its progress reported in pieces of this size.
constexpr size_t kChunk = 1 << 16;
// The header's FileLength is 32 bits: no valid movie is larger once uncompressed.
constexpr size_t kMaxUncompressed = std::numeric_limits<uint32_t>::max() - 8;

const char* Signature(TSWFCompression c) {
  switch (c) {
    case TSWFCompression::Zlib: return "CWS";
    case TSWFCompression::LZMA: return "ZWS";
    default: return "FWS";
  }
}

uint8_t MinVersionFor(TSWFCompression c) {
  switch (c) {
    case TSWFCompression::Zlib: return 6;
    case TSWFCompression::LZMA: return 13;
    default: return 0;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TBasedSWFStream

TBasedSWFStream::TBasedSWFStream() { version_ = 5; }

TBasedSWFStream::TBasedSWFStream(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, float FrameRate, bool InPixels) {
  SetInPixels(InPixels);
  version_ = 5;
  FrameRect = {Left * units_, Top * units_, Right * units_, Bottom * units_};
  SetFrameRate(FrameRate);
}

void TBasedSWFStream::SetCompression(TSWFCompression c) {
  compression_ = c;
  version_ = std::max(version_, MinVersionFor(c));
  HeaderChanged();
}

void TBasedSWFStream::SetVersion(uint8_t Value) {
  version_ = std::max(Value, MinVersionFor(compression_));
  HeaderChanged();
}

void TBasedSWFStream::SetFrameRate(float Value) {
  frame_rate_ = FloatToFixed8(Value);
  HeaderChanged();
}

void TBasedSWFStream::SetInPixels(bool Value) {
  in_pixels_ = Value;
  units_ = Value ? 20 : 1;
}

namespace {
std::vector<uint8_t> RectBytes(const TRect& rect, const std::vector<uint8_t>& read_bytes, const TRect& read_rect) {
  if (!read_bytes.empty() && rect == read_rect) return read_bytes;
  std::vector<uint8_t> out;
  TBitsEngine be(&out);
  be.WriteRect(rect);
  return out;
}
}  // namespace

size_t TBasedSWFStream::GetHeaderSize() const {
  return 12 + RectBytes(FrameRect, read_rect_bytes_, read_rect_).size();
}

void TBasedSWFStream::WriteHeader(TBitsEngine& be, int Part) {
  if (Part == 0 || Part == 1) {
    be.WriteString(Signature(compression_), false);
    be.WriteByte(version_);
    be.WriteDWord(FileLength);
  }
  if (Part == 0 || Part == 2) {
    be.WriteBuffer(RectBytes(FrameRect, read_rect_bytes_, read_rect_));
    be.WriteWord(frame_rate_);
    be.WriteWord(FrameCount);
  }
}

void TBasedSWFStream::Progress(int percent, int kind) {
  if (OnProgress) OnProgress(*this, percent, kind);
}

void TBasedSWFStream::SaveToStream(const std::function<void(std::span<const uint8_t>)>& sink) {
  const uint64_t total = static_cast<uint64_t>(body_.size()) + GetHeaderSize();
  if (total > std::numeric_limits<uint32_t>::max()) throw Error("the movie is larger than the 4 GB an SWF can hold");
  FileLength = static_cast<uint32_t>(total);
  // The version stays as it is: the setters raise it for a compression chosen here, and a
  // file read with a lower one is written back as it came.

  std::vector<uint8_t> head;
  TBitsEngine be(&head);
  WriteHeader(be, 1);
  if (compression_ == TSWFCompression::None) {
    WriteHeader(be, 2);
    sink(head);
    sink(body_);
    return;
  }
  std::vector<uint8_t> rest;
  TBitsEngine re(&rest);
  WriteHeader(re, 2);
  if (SavesAsRead(rest)) {
    sink(as_read_.File);
    return;
  }

  if (compression_ == TSWFCompression::LZMA) {
    rest.insert(rest.end(), body_.begin(), body_.end());
    Progress(0, kProgressCompressing);
    uint8_t props[5];
    const std::vector<uint8_t> packed = LzmaEncode(rest, props);
    if (packed.size() > std::numeric_limits<uint32_t>::max()) throw Error("the compressed movie exceeds 4 GB");
    be.WriteDWord(static_cast<uint32_t>(packed.size()));
    be.WriteBuffer(props, 5);
    sink(head);
    sink(packed);
    Progress(100, kProgressCompressing);
    return;
  }

  sink(head);
  TDeflateWriter deflater(sink);
  deflater.Write(rest);
  int last = -1;
  for (size_t pos = 0; pos < body_.size(); pos += kChunk) {
    const size_t n = std::min(kChunk, body_.size() - pos);
    deflater.Write(std::span<const uint8_t>(body_.data() + pos, n));
    const int pct = static_cast<int>((pos + n) * 100 / body_.size());
    if (pct != last) Progress(last = pct, kProgressCompressing);
  }
  deflater.Finish();
}

void TBasedSWFStream::SaveStreamed(const std::filesystem::path& FileName,
                                   const std::function<void(const TBodySink&)>& write_body) {
  ForgetCompressedFile();
  if (compression_ == TSWFCompression::LZMA) {
    std::vector<uint8_t> body;
    write_body([&](std::span<const uint8_t> piece) { body.insert(body.end(), piece.begin(), piece.end()); });
    SetBodyStream(std::move(body));
    SaveToFile(FileName);
    return;
  }
  body_.clear();
  const uint64_t header_size = GetHeaderSize();
  auto check_size = [&](uint64_t body_size) {
    const uint64_t total = header_size + body_size;
    if (total > std::numeric_limits<uint32_t>::max()) throw Error("the movie is larger than the 4 GB an SWF can hold");
    FileLength = static_cast<uint32_t>(total);
  };
  std::vector<uint8_t> head;
  TBitsEngine be(&head);
  TAtomicFileWriter writer(FileName);

  if (compression_ == TSWFCompression::None) {
    FileLength = 0;
    WriteHeader(be, 0);
    writer.Write(head);
    uint64_t body_size = 0;
    write_body([&](std::span<const uint8_t> piece) {
      writer.Write(piece);
      body_size += piece.size();
      check_size(body_size);
    });
    check_size(body_size);
    head.clear();
    WriteHeader(be, 0);
    writer.WriteAt(0, head);  // the length and the frame count are known now
    writer.Commit();
    return;
  }

  TScratchFile scratch(FileName.parent_path());
  write_body([&](std::span<const uint8_t> piece) {
    scratch.Write(piece);
    check_size(scratch.Size());
  });
  check_size(scratch.Size());
  WriteHeader(be, 1);
  writer.Write(head);
  std::vector<uint8_t> rest;
  TBitsEngine re(&rest);
  WriteHeader(re, 2);
  TDeflateWriter deflater([&](std::span<const uint8_t> packed) { writer.Write(packed); });
  deflater.Write(rest);
  uint64_t done = 0;
  int last = -1;
  scratch.ReadBack([&](std::span<const uint8_t> piece) {
    deflater.Write(piece);
    done += piece.size();
    const int pct = static_cast<int>(done * 100 / scratch.Size());
    if (pct != last) Progress(last = pct, kProgressCompressing);
  });
  deflater.Finish();
  writer.Commit();
}

void TBasedSWFStream::KeepCompressedFile(std::span<const uint8_t> file, std::vector<uint8_t> content) {
  as_read_ = {std::vector<uint8_t>(file.begin(), file.end()), std::move(content), compression_, version_};
}

bool TBasedSWFStream::SavesAsRead(std::span<const uint8_t> header_rest) const {
  const std::vector<uint8_t>& c = as_read_.Content;
  return !as_read_.File.empty() && as_read_.Compression == compression_ && as_read_.Version == version_ &&
         c.size() == header_rest.size() + body_.size() &&
         std::equal(header_rest.begin(), header_rest.end(), c.begin()) &&
         std::equal(body_.begin(), body_.end(), c.begin() + static_cast<std::ptrdiff_t>(header_rest.size()));
}

std::vector<uint8_t> TBasedSWFStream::SaveToBytes() {
  std::vector<uint8_t> out;
  SaveToStream([&](std::span<const uint8_t> s) { out.insert(out.end(), s.begin(), s.end()); });
  return out;
}

void TBasedSWFStream::SaveToFile(const std::filesystem::path& FileName) {
  TAtomicFileWriter writer(FileName);
  SaveToStream([&](std::span<const uint8_t> s) { writer.Write(s); });
  writer.Commit();
}

// ---------------------------------------------------------------------------------------
// TSWFTagInfo

TSWFTagInfo::TSWFTagInfo(uint16_t tag_id, bool create_object) : TagID(tag_id) {
  if (create_object) SetObject(CreateTagObject(tag_id));
}

void TSWFTagInfo::SetObject(std::unique_ptr<TSWFObject> obj) {
  OwnedObject = std::move(obj);
  Object = OwnedObject.get();
}

// ---------------------------------------------------------------------------------------
// TSWFStreamReader

TSWFStreamReader::TSWFStreamReader(const std::filesystem::path& FileName) {
  if (!FileName.empty()) LoadFromFile(FileName);
}

bool TSWFStreamReader::CheckSignature(std::span<const uint8_t> data) {
  IsValid = false;
  if (data.size() < 4) return false;
  const std::string sig(data.begin(), data.begin() + 3);
  if (sig == "FWS") SetCompression(TSWFCompression::None);
  else if (sig == "CWS") SetCompression(TSWFCompression::Zlib);
  else if (sig == "ZWS") SetCompression(TSWFCompression::LZMA);
  else return false;
  IsValid = true;
  return true;
}

void TSWFStreamReader::LoadFromFile(const std::filesystem::path& FileName) {
  const std::vector<uint8_t> data = ReadFileBytes(FileName);
  LoadFromStream(data);
}

void TSWFStreamReader::LoadFromStream(std::span<const uint8_t> data) {
  TagList.clear();
  Warnings.clear();
  tail_.clear();
  GetBodyStream().clear();
  read_rect_bytes_.clear();
  ForgetCompressedFile();
  if (!CheckSignature(data)) return;
  TBitsEngine head(data);
  head.Skip(3);
  const uint8_t version = head.ReadByte("version");
  FileLength = head.ReadDWord("file length");
  // The version is kept as read, even when a compressed file claims less than it needs.
  const TSWFCompression compression = Compression();

  std::vector<uint8_t> inflated;
  std::span<const uint8_t> rest;
  bool complete_data = false;
  if (compression == TSWFCompression::None) {
    rest = head.Rest();
  } else {
    bool complete = false;
    if (compression == TSWFCompression::Zlib) {
      inflated = InflateAll(head.Rest(), kMaxUncompressed, &complete);
    } else {
      const uint32_t packed_size = head.ReadDWord("LZMA length");
      auto props = head.ReadSpan(5, "LZMA properties");
      auto packed = head.Rest().first(std::min<size_t>(packed_size, head.Remaining()));
      inflated = LzmaDecode(props, packed, kMaxUncompressed, FileLength, &complete);
    }
    if (!complete) Warnings.push_back("the compressed data ends early; the movie keeps what could be read");
    complete_data = complete;
    rest = inflated;
  }
  // FileLength is only a claim: the body is what the data holds.
  if (static_cast<uint64_t>(FileLength) != rest.size() + 8)
    Warnings.push_back(Format("the header gives a file length of %u; the data holds %zu bytes", FileLength, rest.size() + 8));

  TBitsEngine hb(rest, 8);
  const TRect rect = hb.ReadRect();
  read_rect_bytes_.assign(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(hb.Position()));
  read_rect_ = rect;
  FrameRect = rect;
  const uint16_t rate = hb.ReadWord("frame rate");
  FrameCount = hb.ReadWord("frame count");
  SetFrameRate8(rate);
  SetCompression(compression);
  // SetCompression raises the version to what the compression needs; keep the file's own.
  SetVersionAsRead(version);
  auto body = hb.Rest();
  SetBodyStream(std::vector<uint8_t>(body.begin(), body.end()));
  // A whole compressed file whose header tells the truth can be written again as it came. A
  // cut one, or one with a wrong length, is written anew (with the true length).
  if (compression != TSWFCompression::None && complete_data && static_cast<uint64_t>(FileLength) == rest.size() + 8)
    KeepCompressedFile(data, std::move(inflated));
}

void TSWFStreamReader::ParseTags(bool CreateObjects, bool ParseActions) {
  TagList.clear();
  tail_.clear();
  const std::vector<uint8_t>& body = GetBodyStream();
  const uint64_t base = GetHeaderSize();
  TBitsEngine be(body, base);
  TSWFReadContext ctx;
  ctx.Version = Version();
  ctx.ParseActions = ParseActions;
  uint16_t frame = 1;
  int last_pct = -1;
  while (!be.AtEnd()) {
    const size_t start = be.Position();
    if (OnProgress) {
      const int pct = static_cast<int>(start * 100 / body.size());
      if (pct != last_pct) Progress(last_pct = pct, kProgressParsing);
    }
    TSWFTagHeader h;
    bool cut = be.Remaining() < 2;
    if (!cut) {
      try {
        h = ReadTagHeader(be);
        cut = h.Length > be.Remaining();
      } catch (const FormatError&) {
        cut = true;  // a long header cut in its length field
      }
    }
    if (cut) {
      tail_.assign(body.begin() + static_cast<std::ptrdiff_t>(start), body.end());
      Warnings.push_back(Format("the file is cut inside a tag at offset %llu; %zu byte(s) after the last whole tag are kept as they are",
                                static_cast<unsigned long long>(base + start), tail_.size()));
      break;
    }
    auto info = std::make_unique<TSWFTagInfo>();
    info->TagID = h.TagID;
    info->Length = h.Length;
    info->LongHeader = h.LongHeader;
    info->Position = start;
    info->FrameNum = frame;
    if (h.Code() == TSWFTagCode::ShowFrame && frame < 0xFFFF) ++frame;
    const uint64_t offset = be.FileOffset();
    auto tag_body = be.ReadSpan(h.Length, "tag body");
    bool accept = CreateObjects;
    if (accept && OnCreateTagObject) OnCreateTagObject(*info, accept);
    if (accept) {
      info->SetObject(ReadTagObject(h, tag_body, offset, ctx, true));
      if (const auto* raw = dynamic_cast<const TSWFByteCodeTag*>(info->Object); raw && raw->HasReadError())
        Warnings.push_back(Format("tag %zu at offset %llu kept raw: %s", TagList.size(),
                                  static_cast<unsigned long long>(base + start), raw->ErrorMessage.c_str()));
      info->Object->UpdateReadContext(ctx);
      if (TSWFObjectList* subs = info->Object->SubTags()) {
        size_t pos = 0;
        for (auto& child : *subs) {
          auto sub = std::make_unique<TSWFTagInfo>();
          sub->TagID = child->HeaderTagID();
          sub->Length = child->BodySize;
          sub->LongHeader = child->UsesLongHeader(child->BodySize);
          sub->Position = pos;
          sub->Object = child.get();
          pos += sub->TagSize();
          info->SubTags.push_back(std::move(sub));
        }
      }
    }
    TagList.push_back(std::move(info));
  }
}

size_t TSWFStreamReader::FindFrameEnd(uint16_t Frame) {
  if (Frame == 0 || TagList.empty()) return 0;
  uint16_t seen = 0;
  for (size_t i = 0; i < TagList.size(); ++i)
    if (TagList[i]->Code() == TSWFTagCode::ShowFrame && ++seen == Frame) return i;
  return TagList.size() - 1;
}

void TSWFStreamReader::BuildBody() {
  std::vector<uint8_t> old = std::move(GetBodyStream());
  std::vector<uint8_t> nb;
  nb.reserve(old.size());
  TBitsEngine be(&nb);
  for (size_t i = 0; i < TagList.size(); ++i) {
    TSWFTagInfo& e = *TagList[i];
    const size_t pos = nb.size();
    if (e.Object) {
      e.Object->WriteToStream(be);
      e.Length = e.Object->BodySize;
      e.LongHeader = nb.size() - pos - e.Length == 6;
    } else {
      if (e.Position + e.TagSize() > old.size()) throw Error(Format("tag %zu lies outside the body", i));
      nb.insert(nb.end(), old.begin() + static_cast<std::ptrdiff_t>(e.Position),
                old.begin() + static_cast<std::ptrdiff_t>(e.Position + e.TagSize()));
    }
    e.Position = pos;
    Progress(static_cast<int>((i + 1) * 100 / TagList.size()), kProgressBuilding);
  }
  nb.insert(nb.end(), tail_.begin(), tail_.end());
  SetBodyStream(std::move(nb));
}

uint16_t TSWFStreamReader::RenumberIDs(uint16_t StartID) {
  // Every character ID counts, wherever it sits: inside sprites and inside tags kept as
  // bytes too. A tag refused by OnRenumberTag keeps its definitions, but its references to
  // renumbered characters follow them.
  std::vector<TSWFObject*> all, renumbered;
  for (auto& e : TagList) {
    if (!e->Object) continue;
    all.push_back(e->Object);
    bool accept = true;
    if (OnRenumberTag) OnRenumberTag(*e->Object, accept);
    if (accept) renumbered.push_back(e->Object);
  }
  return static_cast<uint16_t>(RenumberTagIDs(renumbered, all, StartID));
}

void TSWFStreamReader::MoveResources(int ToFrame, int FromFrame, int UntilFrame) {
  if (FromFrame < ToFrame) ToFrame = FromFrame;
  if (UntilFrame == -1) UntilFrame = FrameCount;
  if (UntilFrame <= 0 || UntilFrame < FromFrame) UntilFrame = FromFrame;
  size_t insert = ToFrame <= 0 ? 0 : FindFrameEnd(static_cast<uint16_t>(ToFrame)) + 1;
  if (ToFrame > 0 && TagList.empty()) insert = 0;
  size_t moved = 0;
  size_t i = FromFrame == ToFrame ? insert + 1 : insert;
  for (; i < TagList.size(); ++i) {
    TSWFTagInfo& e = *TagList[i];
    if (e.FrameNum > UntilFrame + 1) break;
    if (e.FrameNum < FromFrame + 1 || !TagHasTrait(e.Code(), TSWFTagTrait::Resource)) continue;
    auto entry = std::move(TagList[i]);
    TagList.erase(TagList.begin() + static_cast<std::ptrdiff_t>(i));
    entry->FrameNum = static_cast<uint16_t>(ToFrame + 1);
    TagList.insert(TagList.begin() + static_cast<std::ptrdiff_t>(insert + moved), std::move(entry));
    ++moved;
  }
}

}  // namespace fc
