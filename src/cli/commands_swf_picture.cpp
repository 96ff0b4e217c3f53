// flarecast-cli swf picture ...: a movie showing one picture (JPEG, PNG or BMP).

#include <algorithm>
#include <ostream>

#include "cli/command.h"
#include "cli/swf_toolbox.h"
#include "core/error.h"
#include "core/text.h"
#include "movie/flash_image.h"
#include "movie/flash_movie.h"
#include "movie/flash_shape.h"

namespace fc::cli {
namespace {

constexpr int32_t kLargestStageSide = 8191;

std::string PictureKind(const TFlashImage& image) {
  if (image.IsJPEG) return image.AlphaData.empty() ? "JPEG" : "JPEG with alpha";
  std::string kind = image.BitmapFormat == kImagePalette ? "colour-mapped" : image.BitmapFormat == kImage15 ? "15-bit" : "24-bit";
  return "lossless " + kind + (image.HasAlpha ? " with alpha" : "");
}

int SwfPicture(const TArgs& args, std::ostream& out) {
  const TToolboxSettings settings = ReadToolboxSettings(args, "swf picture");
  const std::string input = args.At(0);
  const std::optional<TRgbColor> background = RgbValue(args, "--background");

  // The image is loaded before the movie exists so that the stage can take its size.
  auto loaded = std::make_unique<TFlashImage>();
  loaded->LoadFromFile(input);
  const TFrameSize picture_size{std::min(loaded->Width, kLargestStageSide), std::min(loaded->Height, kLargestStageSide)};
  std::unique_ptr<TFlashMovie> movie = MakeToolboxMovie(settings, picture_size, 12);
  if (background) movie->BackgroundColor() = TSWFRGB(background->R, background->G, background->B);

  TFlashImage* image = movie->AddImage(std::move(loaded));
  if (const std::optional<std::string> mask_file = args.get("--alpha")) {
    if (!image->IsJPEG) throw UsageError("--alpha gives a JPEG picture its transparency; PNG and BMP pictures carry their own");
    TFlashImage mask;
    mask.LoadFromFile(*mask_file);
    image->SetAlphaFromMask(mask);
  }
  if (args.Has("--lossless")) image->MakeLossless();
  // A rectangle of the picture's size at the top left corner, filled with the picture at one
  // pixel per pixel.
  TFlashShape* shape = movie->AddRectangle({0, 0, image->Width, image->Height});
  shape->AddImageFill(*image, TFlashShape::kImageScaled);
  movie->PlaceObject(shape, 1);
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
                            "JPEG lossless too (decoded). --alpha gives a JPEG the transparency of a mask picture\n"
                            "of its size: the mask's alpha where it has any, else its grey level (white opaque,\n"
                            "black clear). Pictures of more than 16777216 pixels, or wider or taller than\n"
                            "65535, and files that are cut short are refused.\n") +
                        kToolboxDetails,
             .Options = ToolboxOptions({{"--lossless", "", "store the picture lossless, also a JPEG"},
                                        {"--alpha", "MASK", "a JPEG's transparency from a mask picture (PNG, BMP or JPEG)"},
                                        {"--background", "RRGGBB", "background colour of the movie (hexadecimal)"}}),
             .MinPositional = 1,
             .MaxPositional = 1,
             .Run = SwfPicture});
}

}  // namespace fc::cli
