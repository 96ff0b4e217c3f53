// flarecast-cli swf import ...: the movie builder merging one SWF into another.

#include <algorithm>
#include <iostream>
#include <ostream>

#include "cli/command.h"
#include "cli/option_values.h"
#include "core/error.h"
#include "core/text.h"
#include "movie/external_movie.h"
#include "movie/flash_sprite.h"
#include "swf/placements.h"
#include "swf/streams.h"

namespace fc::cli {
namespace {

// The deepest placement of the movie's own timeline.
int DeepestPlacement(const TSWFStreamReader& reader) {
  int deepest = 0;
  for (const auto& info : reader.TagList)
    if (const auto* place = dynamic_cast<const TSWFBasedPlaceObject*>(info->Object))
      deepest = std::max<int>(deepest, place->Depth);
  return deepest;
}

// The movie takes the host's stage, rate, version, compression and file-level tags; the
// host's own tags then come in through an imported movie like the guest's.
std::unique_ptr<TFlashMovie> MovieLike(const TSWFStreamReader& host) {
  const TRect& r = host.FrameRect;
  auto movie = std::make_unique<TFlashMovie>(r.Left, r.Top, r.Right, r.Bottom, host.GetFrameRate(), false);
  movie->SetFrameRate8(host.FrameRate8());
  movie->SetCompression(host.Compression());
  movie->SetVersion(host.Version());
  for (const auto& info : host.TagList) {
    if (const auto* bg = dynamic_cast<const TSWFSetBackgroundColor*>(info->Object)) {
      movie->BackgroundColor() = bg->Color;
    } else if (const auto* attributes = dynamic_cast<const TSWFFileAttributes*>(info->Object)) {
      movie->WriteFileAttributes = true;
      movie->FileAttributes().Assign(*attributes);
    } else if (const auto* metadata = dynamic_cast<const TSWFMetadata*>(info->Object)) {
      movie->MetadataText = metadata->Metadata;
    }
  }
  return movie;
}

int SwfImport(const TArgs& args, std::ostream& out) {
  const std::string host_path = args.At(0), guest_path = args.At(1);
  const std::optional<std::string> output = args.get("-o");
  if (!output) throw UsageError("swf import needs -o OUT.swf");
  const int mode = ParseExternalMode(args.get("--mode").value_or("sprite"));
  if (mode < 0) throw UsageError("--mode must be timeline, library, frame or sprite (or 0 to 3)");
  if (mode != kExternalSprite && (args.Has("--depth") || args.Has("--name")))
    throw UsageError("--depth and --name place the guest's sprite: they need --mode sprite");
  const bool rename_fonts = !args.Has("--keep-font-names");

  TSWFStreamReader host_header(host_path);
  if (!host_header.IsValid) throw Error(Format("%s is not an SWF file (no FWS, CWS or ZWS signature)", host_path.c_str()));
  host_header.ParseTags(true, false);
  std::unique_ptr<TFlashMovie> movie = MovieLike(host_header);

  TFlashExternalMovie* host = nullptr;
  auto add_host = [&] { host = movie->AddExternalMovie(host_path, kExternalTimeline); };
  // The guest's definitions and its sprite's placement come first, so that they are part of
  // the host's first frame; a guest timeline follows the host's.
  if (mode == kExternalTimeline) add_host();
  TFlashExternalMovie* guest = movie->AddExternalMovie(guest_path, mode);
  const uint32_t definitions = guest->DefinitionCount();
  int depth = 0;
  if (mode == kExternalSprite) {
    depth = IntValue(args, "--depth", 1, 65535).value_or(DeepestPlacement(host_header) + 1);
    TFlashPlaceObject* place = movie->PlaceObject(guest->Sprite(), depth);
    if (const std::optional<std::string> name = args.get("--name")) place->SetName(*name);
  }
  if (!host) add_host();
  host->RenameFonts = guest->RenameFonts = rename_fonts;

  movie->Save(*output);
  for (const TFlashExternalMovie* m : {host, guest})
    for (const auto& w : m->Reader.Warnings) std::cerr << "warning: " << w << "\n";
  std::string what = Format("%s imported in %s mode", guest_path.c_str(), ExternalModeName(mode));
  if (mode == kExternalSprite) what += Format(" as sprite %u at depth %d", guest->GetID(), depth);
  out << Format("%s: %s into %s (%u definitions); %u frames, version %u, %u bytes\n", output->c_str(), what.c_str(),
                host_path.c_str(), definitions, movie->FrameCount, movie->Version(), movie->FileLength);
  return 0;
}

}  // namespace

void RegisterMovieCommands(TCommandTable& table) {
  table.Add({.Name = "swf import",
             .Args = "HOST.swf GUEST.swf",
             .Summary = "merge one SWF movie into another",
             .Details =
                 "Writes a new movie with the stage, frame rate, version, compression and background\n"
                 "of HOST, holding HOST's timeline and GUEST merged in as --mode says:\n"
                 "  sprite    GUEST's timeline becomes a sprite, placed in frame 1 (the default)\n"
                 "  timeline  GUEST's frames follow HOST's\n"
                 "  frame     GUEST's frames are merged into HOST's frame 1\n"
                 "  library   only GUEST's definitions and scripts, in HOST's frame 1\n"
                 "Character IDs of both movies are renumbered so that none clash; a movie whose\n"
                 "characters would not fit below ID 65535 is refused. Embedded font names get a\n"
                 "random numeric prefix (also in the face= attributes of HTML text) unless\n"
                 "--keep-font-names is given. The version rises to what GUEST needs. OUT is replaced\n"
                 "only when writing succeeded.",
             .Options = {{"-o", "OUT.swf", "the movie to write"},
                         {"--mode", "MODE", "sprite, timeline, frame or library (or 0 to 3; default sprite)"},
                         {"--depth", "N", "depth of the guest's sprite (default: above HOST's deepest)"},
                         {"--name", "NAME", "instance name of the guest's sprite"},
                         {"--keep-font-names", "", "leave the names of embedded fonts as they are"}},
             .MinPositional = 2,
             .MaxPositional = 2,
             .Run = SwfImport});
}

}  // namespace fc::cli
