#include "movie/external_movie.h"

#include <algorithm>
#include <random>

#include "core/error.h"
#include "core/text.h"
#include "movie/flash_sprite.h"
#include "swf/fonts_text.h"
#include "swf/tag_factory.h"
#include "swf/tag_ids.h"

namespace fc {

namespace {

const char* const kModeNames[] = {"timeline", "library", "frame", "sprite"};

std::string RandomFontPrefix() {
  std::random_device seed;
  std::mt19937 generator(seed());
  return std::to_string(std::uniform_int_distribution<int>(0, 65534)(generator));
}

// Puts `prefix` in front of the name of `length` bytes at `pos`, whose length byte is at
// `length_pos`; a name that would pass 255 bytes loses its end.
void PrefixName(std::vector<uint8_t>& body, size_t length_pos, size_t pos, size_t length, const std::string& prefix) {
  std::vector<uint8_t> name(prefix.begin(), prefix.end());
  name.insert(name.end(), body.begin() + static_cast<std::ptrdiff_t>(pos),
              body.begin() + static_cast<std::ptrdiff_t>(pos + length));
  if (name.size() > 255) name.resize(255);
  body[length_pos] = static_cast<uint8_t>(name.size());
  body.erase(body.begin() + static_cast<std::ptrdiff_t>(pos), body.begin() + static_cast<std::ptrdiff_t>(pos + length));
  body.insert(body.begin() + static_cast<std::ptrdiff_t>(pos), name.begin(), name.end());
}

// Inserts `prefix` after the opening quote of every face= attribute (letters in any case).
std::string PrefixFaces(const std::string& html, const std::string& prefix) {
  std::string out;
  size_t i = 0;
  while (i < html.size()) {
    if (i + 6 <= html.size() && IEquals(html.substr(i, 5), "face=") && (html[i + 5] == '"' || html[i + 5] == '\'')) {
      out += html.substr(i, 6);
      out += prefix;
      i += 6;
    } else {
      out += html[i++];
    }
  }
  return out;
}

// The body of a font tag with its name prefixed; false when the tag has no glyphs (a
// device font keeps its system name) or is too short to hold what its fields claim.
bool RenameFontBody(TSWFTagCode code, std::vector<uint8_t>& body, const std::string& prefix) {
  const bool info2 = code == TSWFTagCode::DefineFontInfo2;
  if (code == TSWFTagCode::DefineFontInfo || info2) {  // ID, name length, name, flags, [language], codes
    if (body.size() < 3) return false;
    const size_t length = body[2];
    const size_t codes = 3 + length + 1 + (info2 ? 1 : 0);
    if (body.size() <= codes) return false;
    PrefixName(body, 2, 3, length, prefix);
    return true;
  }
  // DefineFont2 and 3: ID, flags, language, name length, name, glyph count
  if (body.size() < 5) return false;
  const size_t length = body[4];
  if (body.size() < 5 + length + 2) return false;
  if ((body[5 + length] | (body[6 + length] << 8)) == 0) return false;
  PrefixName(body, 4, 5, length, prefix);
  return true;
}

// The body of an HTML text field with its face= attributes prefixed; false when it has no
// HTML text.
bool RenameEditTextBody(std::vector<uint8_t>& body, const std::string& prefix) {
  try {
    TBitsEngine be{std::span<const uint8_t>(body)};
    be.ReadWord("ID");
    be.ReadRect();
    be.FlushLastByte(false);
    using E = TSWFDefineEditText;
    const uint8_t flags = be.ReadByte("flags");
    const uint8_t flags2 = be.ReadByte("flags");
    const bool has_text = flags & E::kHasText, has_font = flags & E::kHasFont, has_font_class = flags2 & E::kHasFontClass;
    if (!has_text || !(flags2 & E::kHTML)) return false;
    if (has_font) be.ReadWord("font ID");
    if (has_font_class) be.ReadString("font class");
    if (has_font || has_font_class) be.ReadWord("font height");
    if (flags & E::kHasTextColor) be.Skip(4, "text colour");
    if (flags & E::kHasMaxLength) be.ReadWord("max length");
    if (flags2 & E::kHasLayout) be.Skip(9, "layout");
    be.ReadString("variable name");
    const size_t start = be.Position();
    const std::string text = be.ReadString("initial text");
    const std::string renamed = PrefixFaces(text, prefix);
    body.erase(body.begin() + static_cast<std::ptrdiff_t>(start),
               body.begin() + static_cast<std::ptrdiff_t>(start + text.size()));
    body.insert(body.begin() + static_cast<std::ptrdiff_t>(start), renamed.begin(), renamed.end());
    return true;
  } catch (const FormatError&) {
    return false;  // a field that does not hold what it claims is written as it came
  }
}

}  // namespace

int ParseExternalMode(const std::string& text) {
  for (int i = 0; i < 4; ++i)
    if (IEquals(text, kModeNames[i]) || text == std::to_string(i)) return i;
  return -1;
}

const char* ExternalModeName(int mode) { return mode >= 0 && mode < 4 ? kModeNames[mode] : "unknown"; }

TFlashExternalMovie::TFlashExternalMovie(const std::filesystem::path& file_name) {
  Reader.LoadFromFile(file_name);
  if (!Reader.IsValid) throw FormatError(Format("%s is no SWF movie", file_name.string().c_str()));
  Load();
}

TFlashExternalMovie::TFlashExternalMovie(std::span<const uint8_t> bytes) {
  Reader.LoadFromStream(bytes);
  if (!Reader.IsValid) throw FormatError("the imported data is no SWF movie");
  Load();
}

TFlashExternalMovie::~TFlashExternalMovie() = default;

void TFlashExternalMovie::Load() {
  // Action blocks stay bytes: they are copied, never changed.
  Reader.ParseTags(true, false);
}

void TFlashExternalMovie::SetID(uint16_t id) {
  TFlashIDObject::SetID(id);
  if (sprite_) sprite_->SetID(id);
}

void TFlashExternalMovie::OwnerChanged() {
  if (sprite_) sprite_->SetOwner(Owner);
}

std::vector<TSWFObject*> TFlashExternalMovie::TopLevelTags() const {
  std::vector<TSWFObject*> tags;
  for (const auto& info : Reader.TagList)
    if (info->Object) tags.push_back(info->Object);
  return tags;
}

uint32_t TFlashExternalMovie::DefinitionCount() const { return CountDefinedIDs(TopLevelTags()); }

uint16_t TFlashExternalMovie::LargestID() const {
  uint16_t largest = 0;
  for (TSWFObject* tag : TopLevelTags()) {
    // The visitors may change IDs; these give them back unchanged.
    VisitTagIDs(*tag, [&](uint16_t& id) { largest = std::max(largest, id); }, [](uint16_t&) {});
  }
  return largest;
}

uint32_t TFlashExternalMovie::Renumber(uint16_t start_id) { return RenumberTagIDs(TopLevelTags(), start_id); }

void TFlashExternalMovie::MakeSprite() {
  sprite_ = std::make_unique<TFlashSprite>();
  sprite_->SetOwner(Owner);
  sprite_->SetID(GetID());
  sprite_->SetFrameCount(Reader.FrameCount);
}

uint8_t TFlashExternalMovie::MinVersion() const {
  uint8_t v = std::max<uint8_t>(1, Reader.Version());
  for (TSWFObject* tag : TopLevelTags()) v = std::max(v, tag->MinVersion());
  return v;
}

bool TFlashExternalMovie::Skipped(TSWFTagCode code) const {
  // The template's own file level (background, protection, attributes): the movie writes its own.
  if (TagHasTrait(code, TSWFTagTrait::FileLevel)) return true;
  if (code == TSWFTagCode::ShowFrame) return Mode == kExternalLibrary || Mode == kExternalOneFrame;
  if (TagHasTrait(code, TSWFTagTrait::Display)) return Mode == kExternalLibrary;
  return false;
}

void TFlashExternalMovie::WriteTag(TBitsEngine& be, TSWFObject& tag) {
  const TSWFTagCode code = tag.HeaderCode();
  const bool font = TagHasTrait(code, TSWFTagTrait::NamesFont);
  if (RenameFonts && (font || code == TSWFTagCode::DefineEditText)) {
    // Renamed on a copy of the bytes, so that writing the movie twice renames once.
    const std::vector<uint8_t> bytes = tag.ToBytes();
    TBitsEngine reader{std::span<const uint8_t>(bytes)};
    const TSWFTagHeader header = ReadTagHeader(reader);
    std::vector<uint8_t> body(bytes.begin() + static_cast<std::ptrdiff_t>(header.HeaderSize()), bytes.end());
    if (font ? RenameFontBody(code, body, FontPrefix) : RenameEditTextBody(body, FontPrefix)) {
      WriteTagBytes(be, tag.HeaderTagID(), body);
      return;
    }
    be.WriteBuffer(bytes);
    return;
  }
  tag.WriteToStream(be);
}

void TFlashExternalMovie::WriteToStream(TBitsEngine& be) {
  frames_written_ = 0;
  placed_written_ = false;
  if (RenameFonts && FontPrefix.empty()) FontPrefix = RandomFontPrefix();
  const bool sprite = Mode == kExternalSprite;
  if (sprite) {
    if (!sprite_) MakeSprite();
    sprite_->ClearTimeline();
  }
  for (TSWFObject* tag : TopLevelTags()) {
    const TSWFTagCode code = tag->HeaderCode();
    if (Skipped(code)) continue;
    if (OnTag && !OnTag(*tag)) continue;
    const bool show_frame = code == TSWFTagCode::ShowFrame;
    // Video frames and sounds started by class name belong to the timeline as much as
    // placements do.
    if (sprite && (show_frame || TagHasTrait(code, TSWFTagTrait::Timeline))) {
      if (show_frame) sprite_->ShowFrame(1);
      else sprite_->AddControlTag(tag->Clone());
      continue;
    }
    WriteTag(be, *tag);
    if (show_frame) ++frames_written_;
    if (TagHasTrait(code, TSWFTagTrait::Placement)) placed_written_ = true;
  }
  if (sprite) sprite_->WriteToStream(be);
}

}  // namespace fc
