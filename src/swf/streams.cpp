#include "swf/streams.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"
#include "swf/tag_factory.h"
#include "swf/tag_ids.h"

namespace fc {

namespace {

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

// Inflates LZMA data in the SWF layout (5 property bytes, then the raw stream).
// The decoder allocates its whole dictionary up front, so the size from the file is
// capped: a dictionary larger than the movie is never needed.
constexpr uint32_t kMaxLzmaDictionary = 1u << 28;

std::vector<uint8_t> LzmaDecode(std::span<const uint8_t> props, std::span<const uint8_t> data, size_t limit,
                                uint32_t declaredSize, bool* complete) {
  *complete = false;
  lzma_filter filters[2];
  filters[0].id = LZMA_FILTER_LZMA1;
  filters[0].options = nullptr;
  filters[1].id = LZMA_VLI_UNKNOWN;
  if (lzma_properties_decode(&filters[0], nullptr, props.data(), props.size()) != LZMA_OK)
    throw FormatError("ZWS: bad LZMA properties");
  auto* options = static_cast<lzma_options_lzma*>(filters[0].options);
  // LZMA cannot expand one input byte into more than a few thousand, which bounds what a
  // dictionary can be useful for when FileLength is wrong.
  const uint64_t reachable = std::max<uint64_t>(data.size(), 1) * 4096;
  const uint64_t useful = std::min<uint64_t>({options->dict_size, declaredSize, reachable, kMaxLzmaDictionary});
  options->dict_size = static_cast<uint32_t>(std::max<uint64_t>(useful, LZMA_DICT_SIZE_MIN));
  lzma_stream strm = LZMA_STREAM_INIT;
  const lzma_ret init = lzma_raw_decoder(&strm, filters);
  std::free(filters[0].options);
  if (init != LZMA_OK) throw FormatError("ZWS: the LZMA decoder refused the properties");
  std::vector<uint8_t> out;
  strm.next_in = data.data();
  strm.avail_in = data.size();
  for (;;) {
    const size_t before = out.size();
    out.resize(before + kChunk);
    strm.next_out = out.data() + before;
    strm.avail_out = kChunk;
    const lzma_ret r = lzma_code(&strm, LZMA_RUN);
    out.resize(before + (kChunk - strm.avail_out));
    if (r == LZMA_STREAM_END) { *complete = true; break; }
    if (r != LZMA_OK) break;  // corrupt data: keep what came out before it
    if (out.size() == before && strm.avail_in == 0) { *complete = true; break; }  // no end marker
    if (out.size() > limit) throw FormatError("ZWS: the body inflates beyond the 4 GB an SWF can hold");
  }
  lzma_end(&strm);
  return out;
}

std::vector<uint8_t> LzmaEncode(std::span<const uint8_t> data, uint8_t props[5]) {
  lzma_options_lzma opt;
  if (lzma_lzma_preset(&opt, LZMA_PRESET_DEFAULT)) throw Error("LZMA preset unavailable");
  lzma_filter filters[2];
  filters[0].id = LZMA_FILTER_LZMA1;
  filters[0].options = &opt;
  filters[1].id = LZMA_VLI_UNKNOWN;
  if (lzma_properties_encode(&filters[0], props) != LZMA_OK) throw Error("LZMA properties could not be encoded");
  lzma_stream strm = LZMA_STREAM_INIT;
  if (lzma_raw_encoder(&strm, filters) != LZMA_OK) throw Error("the LZMA encoder could not start");
  std::vector<uint8_t> out;
  strm.next_in = data.data();
  strm.avail_in = data.size();
  for (;;) {
    const size_t before = out.size();
    out.resize(before + kChunk);
    strm.next_out = out.data() + before;
    strm.avail_out = kChunk;
    const lzma_ret r = lzma_code(&strm, LZMA_FINISH);
    out.resize(before + (kChunk - strm.avail_out));
    if (r == LZMA_STREAM_END) break;
    if (r != LZMA_OK) {
      lzma_end(&strm);
      throw Error("LZMA compression failed");
    }
  }
  lzma_end(&strm);
  return out;
}

}  // namespace

std::vector<uint8_t> InflateAll(std::span<const uint8_t> data, size_t limit, bool* complete) {
  *complete = false;
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) throw Error("zlib could not start");
  std::vector<uint8_t> out;
  zs.next_in = const_cast<Bytef*>(data.data());
  zs.avail_in = static_cast<uInt>(std::min<size_t>(data.size(), std::numeric_limits<uInt>::max()));
  for (;;) {
    const size_t before = out.size();
    out.resize(before + kChunk);
    zs.next_out = out.data() + before;
    zs.avail_out = kChunk;
    const int r = inflate(&zs, Z_NO_FLUSH);
    out.resize(before + (kChunk - zs.avail_out));
    if (r == Z_STREAM_END) { *complete = true; break; }
    if (r != Z_OK) break;  // cut or corrupt: keep what came out before it
    if (out.size() > limit) {
      inflateEnd(&zs);
      throw FormatError("CWS: the body inflates beyond the 4 GB an SWF can hold");
    }
  }
  inflateEnd(&zs);
  return out;
}

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
std::vector<uint8_t> RectBytes(const TRect& rect, const std::vector<uint8_t>& readBytes, const TRect& readRect) {
  if (!readBytes.empty() && rect == readRect) return readBytes;
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
  if (compression_ == TSWFCompression::Zlib) version_ = std::max<uint8_t>(version_, 6);

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
  z_stream zs{};
  if (deflateInit(&zs, Z_DEFAULT_COMPRESSION) != Z_OK) throw Error("zlib could not start");
  std::vector<uint8_t> out(kChunk);
  auto pump = [&](std::span<const uint8_t> in, int flush) {
    zs.next_in = const_cast<Bytef*>(in.data());
    zs.avail_in = static_cast<uInt>(in.size());
    do {
      zs.next_out = out.data();
      zs.avail_out = kChunk;
      const int r = deflate(&zs, flush);
      if (r == Z_STREAM_ERROR) {
        deflateEnd(&zs);
        throw Error("zlib compression failed");
      }
      sink(std::span<const uint8_t>(out.data(), kChunk - zs.avail_out));
    } while (zs.avail_out == 0 || (flush == Z_FINISH && zs.avail_in > 0));
  };
  try {
    pump(rest, Z_NO_FLUSH);
    int last = -1;
    for (size_t pos = 0; pos < body_.size(); pos += kChunk) {
      const size_t n = std::min(kChunk, body_.size() - pos);
      pump(std::span<const uint8_t>(body_.data() + pos, n), Z_NO_FLUSH);
      const int pct = static_cast<int>((pos + n) * 100 / body_.size());
      if (pct != last) Progress(last = pct, kProgressCompressing);
    }
    // Finish until zlib reports the end of the stream.
    for (;;) {
      zs.next_in = nullptr;
      zs.avail_in = 0;
      zs.next_out = out.data();
      zs.avail_out = kChunk;
      const int r = deflate(&zs, Z_FINISH);
      sink(std::span<const uint8_t>(out.data(), kChunk - zs.avail_out));
      if (r == Z_STREAM_END) break;
      if (r != Z_OK && r != Z_BUF_ERROR) throw Error("zlib compression failed");
    }
  } catch (...) {
    deflateEnd(&zs);
    throw;
  }
  deflateEnd(&zs);
}

std::vector<uint8_t> TBasedSWFStream::SaveToBytes() {
  std::vector<uint8_t> out;
  SaveToStream([&](std::span<const uint8_t> s) { out.insert(out.end(), s.begin(), s.end()); });
  return out;
}

void TBasedSWFStream::SaveToFile(const std::filesystem::path& FileName) {
  AtomicFileWriter writer(FileName);
  SaveToStream([&](std::span<const uint8_t> s) { writer.Write(s); });
  writer.Commit();
}

// ---------------------------------------------------------------------------------------
// TSWFTagInfo

TSWFTagInfo::TSWFTagInfo(uint16_t tagID, bool createObject) : TagID(tagID) {
  if (createObject) SetObject(CreateTagObject(tagID));
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
  if (!CheckSignature(data)) return;
  TBitsEngine head(data);
  head.Skip(3);
  const uint8_t version = head.ReadByte("version");
  FileLength = head.ReadDWord("file length");
  // The version is kept as read, even when a compressed file claims less than it needs.
  const TSWFCompression compression = Compression();

  std::vector<uint8_t> inflated;
  std::span<const uint8_t> rest;
  if (compression == TSWFCompression::None) {
    rest = head.Rest();
  } else {
    bool complete = false;
    if (compression == TSWFCompression::Zlib) {
      inflated = InflateAll(head.Rest(), kMaxUncompressed, &complete);
    } else {
      const uint32_t packedSize = head.ReadDWord("LZMA length");
      auto props = head.ReadSpan(5, "LZMA properties");
      auto packed = head.Rest().first(std::min<size_t>(packedSize, head.Remaining()));
      inflated = LzmaDecode(props, packed, kMaxUncompressed, FileLength, &complete);
    }
    if (!complete) Warnings.push_back("the compressed data ends early; the movie keeps what could be read");
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
  int lastPct = -1;
  while (!be.AtEnd()) {
    const size_t start = be.Position();
    if (OnProgress) {
      const int pct = static_cast<int>(start * 100 / body.size());
      if (pct != lastPct) Progress(lastPct = pct, kProgressParsing);
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
    if (h.TagID == kTagShowFrame && frame < 0xFFFF) ++frame;
    const uint64_t offset = be.FileOffset();
    auto tagBody = be.ReadSpan(h.Length, "tag body");
    bool accept = CreateObjects;
    if (accept && OnCreateTagObject) OnCreateTagObject(*info, accept);
    if (accept) {
      info->SetObject(ReadTagObject(h, tagBody, offset, ctx, true));
      if (const auto* raw = dynamic_cast<const TSWFByteCodeTag*>(info->Object);
          raw && !raw->ErrorMessage.empty() && raw->ErrorMessage != "Uniknow tag")
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
    if (TagList[i]->TagID == kTagShowFrame && ++seen == Frame) return i;
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
  std::vector<TSWFObject*> renumbered;
  for (auto& e : TagList) {
    if (!e->Object) continue;
    bool accept = true;
    if (OnRenumberTag) OnRenumberTag(*e->Object, accept);
    if (accept) renumbered.push_back(e->Object);
  }
  // Every character ID counts, wherever it sits: inside sprites and inside tags kept as
  // bytes too.
  const TIDVisitor ignore = [](uint16_t&) {};
  size_t count = 0;
  for (TSWFObject* obj : renumbered) VisitTagIDs(*obj, [&](uint16_t&) { ++count; }, ignore);
  if (StartID + count > 0x10000)
    throw Error(Format("renumbering %zu characters from %u runs past the last character ID 65535", count, StartID));

  uint16_t next = StartID;
  std::unordered_map<uint16_t, uint16_t> newID;  // first occurrence wins
  for (TSWFObject* obj : renumbered) {
    VisitTagIDs(*obj, [&](uint16_t& id) {
      newID.emplace(id, next);
      id = next++;
    }, ignore);
  }
  for (auto& e : TagList) {
    if (!e->Object) continue;
    VisitTagIDs(*e->Object, ignore, [&](uint16_t& id) {
      if (auto it = newID.find(id); it != newID.end()) id = it->second;
    });
  }
  return next;
}

void TSWFStreamReader::MoveResources(int ToFrame, int FromFrame, int UntilFrame) {
  if (FromFrame < ToFrame) ToFrame = FromFrame;
  if (UntilFrame == -1) UntilFrame = FrameCount;
  if (UntilFrame <= 0 || UntilFrame < FromFrame) UntilFrame = FromFrame;
  size_t insert = ToFrame <= 0 ? 0 : FindFrameEnd(static_cast<uint16_t>(ToFrame)) + 1;
  if (ToFrame > 0 && TagList.empty()) insert = 0;
  auto isResource = [](uint16_t id) {
    switch (id) {
      case 6: case 8: case 10: case 14: case 20: case 21: case 35: case 36: case 48: case 75: return true;
      default: return false;
    }
  };
  size_t moved = 0;
  size_t i = FromFrame == ToFrame ? insert + 1 : insert;
  for (; i < TagList.size(); ++i) {
    TSWFTagInfo& e = *TagList[i];
    if (e.FrameNum > UntilFrame + 1) break;
    if (e.FrameNum < FromFrame + 1 || !isResource(e.TagID)) continue;
    auto entry = std::move(TagList[i]);
    TagList.erase(TagList.begin() + static_cast<std::ptrdiff_t>(i));
    entry->FrameNum = static_cast<uint16_t>(ToFrame + 1);
    TagList.insert(TagList.begin() + static_cast<std::ptrdiff_t>(insert + moved), std::move(entry));
    ++moved;
  }
}

}  // namespace fc
