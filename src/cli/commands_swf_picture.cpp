// flarecast-cli swf picture ...: a movie showing one picture (JPEG, PNG or BMP).

#include <algorithm>
#include <cctype>
#include <ostream>

#include "cli/command.h"
#include "cli/swf_toolbox.h"
#include "core/error.h"
#include "core/text.h"
#include "movie/flash_image.h"
#include "movie/flash_movie.h"
#include "swf/shapes.h"

namespace fc::cli {
namespace {

constexpr int32_t kTwipsPerPixel = 20;
constexpr int32_t kLargestStageSide = 8191;

// RRGGBB (or #RRGGBB) as a colour.
TSWFRGB ColorValue(const std::string& name, std::string text) {
  if (!text.empty() && text[0] == '#') text.erase(0, 1);
  if (text.size() != 6 || !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c); }))
    throw UsageError(Format("%s must be a colour RRGGBB in hexadecimal, such as ffffff", name.c_str()));
  const unsigned long v = std::stoul(text, nullptr, 16);
  return TSWFRGB(static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v));
}

// A rectangle of the picture's size at (0,0), filled with the picture by a clipped bitmap
// fill at one pixel per pixel. Returns the shape's ID.
uint16_t AddPictureShape(TFlashMovie& movie, const TFlashImage& image) {
  const int32_t w = image.Width * kTwipsPerPixel, h = image.Height * kTwipsPerPixel;
  auto shape = std::make_unique<TSWFDefineShape>();
  shape->ShapeID = movie.TakeID();
  shape->ShapeBounds.SetXmin(0);
  shape->ShapeBounds.SetYmin(0);
  shape->ShapeBounds.SetXmax(w);
  shape->ShapeBounds.SetYmax(h);
  auto fill = std::make_unique<TSWFImageFill>();
  fill->BitmapID = image.GetID();
  fill->Matrix.SetScale(static_cast<float>(kTwipsPerPixel), static_cast<float>(kTwipsPerPixel));
  shape->FillStyles.push_back(std::move(fill));
  auto start = std::make_unique<TSWFStyleChangeRecord>();
  start->SetFillStyle1(1);
  start->SetMoveTo(0, 0);
  shape->Records.push_back(std::move(start));
  for (const auto& [dx, dy] : {std::pair{w, 0}, {0, h}, {-w, 0}, {0, -h}})
    shape->Records.push_back(std::make_unique<TSWFStraightEdgeRecord>(dx, dy));
  shape->Records.push_back(std::make_unique<TSWFEndShapeRecord>());
  return movie.Add(std::move(shape))->ShapeID;
}

std::string PictureKind(const TFlashImage& image) {
  if (image.IsJPEG) return image.AlphaData.empty() ? "JPEG" : "JPEG with alpha";
  std::string kind = image.BitmapFormat == kImagePalette ? "colour-mapped" : image.BitmapFormat == kImage15 ? "15-bit" : "24-bit";
  return "lossless " + kind + (image.HasAlpha ? " with alpha" : "");
}

int SwfPicture(const TArgs& args, std::ostream& out) {
  const TToolboxSettings settings = ReadToolboxSettings(args, "swf picture");
  const std::string input = args.At(0);
  const std::optional<std::string> background = args.get("--background");
  const TSWFRGB background_color = background ? ColorValue("--background", *background) : TSWFRGB();

  // The image is loaded before the movie exists so that the stage can take its size.
  auto loaded = std::make_unique<TFlashImage>();
  loaded->LoadFromFile(input);
  const TFrameSize picture_size{std::min(loaded->Width, kLargestStageSide), std::min(loaded->Height, kLargestStageSide)};
  std::unique_ptr<TFlashMovie> movie = MakeToolboxMovie(settings, picture_size, 12);
  if (background) movie->BackgroundColor() = background_color;

  TFlashImage* image = movie->AddImage(std::move(loaded));
  if (args.Has("--lossless")) image->MakeLossless();
  movie->PlaceCharacter(AddPictureShape(*movie, *image), 1);
  movie->ShowFrame();
  SaveToolboxMovie(*movie, settings,
                   Format("picture %s (%dx%d, %s)", input.c_str(), image->Width, image->Height, PictureKind(*image).c_str()),
                   out);
  return 0;
}

}  // namespace

void RegisterSwfPictureCommands(TCommandTable& table) {
  table.Add({.Name = "swf picture",
             .Args = "IN.(jpg|png|bmp)",
             .Summary = "make a movie showing one picture",
             .Details = std::string(
                            "Shows the picture at the top left corner of a one-frame movie whose stage is\n"
                            "the picture's size (at most 8191x8191) unless --size is given. JPEG files go into\n"
                            "the movie as they are (progressive ones are re-encoded as baseline JPEG); PNG and\n"
                            "BMP pictures are stored lossless, with their transparency. --lossless stores a\n"
                            "JPEG lossless too (decoded). Pictures of more than 16777216 pixels, or wider or\n"
                            "taller than 65535, and files that are cut short are refused.\n") +
                        kToolboxDetails,
             .Options = ToolboxOptions({{"--lossless", "", "store the picture lossless, also a JPEG"},
                                        {"--background", "RRGGBB", "background colour of the movie (hexadecimal)"}}),
             .MinPositional = 1,
             .MaxPositional = 1,
             .Run = SwfPicture});
}

}  // namespace fc::cli
