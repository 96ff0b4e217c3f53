// flarecast-cli swf shapes ...: a gallery of the movie builder's shapes and a button, at
// known places on the stage, for looking at in a player and for the player tests.

#include <cmath>
#include <numbers>
#include <ostream>

#include "cli/command.h"
#include "cli/swf_toolbox.h"
#include "core/error.h"
#include "movie/flash_button.h"
#include "movie/flash_image.h"
#include "movie/flash_shape.h"
#include "movie/flash_sprite.h"

namespace fc::cli {
namespace {

constexpr TFrameSize kGalleryStage{400, 300};
constexpr double kGalleryRate = 12;

TSWFRGBA Color(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  TSWFRGBA c(true);
  c.R = r, c.G = g, c.B = b;
  c.SetAlpha(a);
  return c;
}

constexpr uint16_t Pixels(int n) { return static_cast<uint16_t>(n * 20); }

TFlashShape* FilledRectangle(TFlashMovie& movie, const TRect& r, const TSWFRGBA& color) {
  TFlashShape* shape = movie.AddRectangle(r);
  shape->AddSolidFill(color);
  return shape;
}

// An ellipse of eight quadratic arcs, drawn in twips for smooth curves.
TFlashShape* Ellipse(TFlashMovie& movie, int cx, int cy, int rx, int ry, const TSWFRGBA& color) {
  TFlashShape* shape = movie.AddShape();
  shape->SetBounds(cx - rx, cy - ry, cx + rx, cy + ry);
  shape->AddSolidFill(color);
  TFlashEdges& edges = shape->Edges;
  edges.InTwips = true;
  const double x0 = Pixels(cx), y0 = Pixels(cy), ax = Pixels(rx), ay = Pixels(ry);
  const double step = std::numbers::pi / 4, reach = 1 / std::cos(step / 2);
  auto at = [](double v) { return static_cast<int32_t>(std::lround(v)); };
  edges.MoveTo(at(x0 + ax), at(y0));
  for (int i = 0; i < 8; ++i) {
    const double mid = (i + 0.5) * step, end = (i + 1) * step;
    edges.CurveTo(at(x0 + ax * reach * std::cos(mid)), at(y0 + ay * reach * std::sin(mid)), at(x0 + ax * std::cos(end)),
                  at(y0 + ay * std::sin(end)));
  }
  edges.Close();
  return shape;
}

TFlashShape* Line(TFlashMovie& movie, int x0, int y0, int x1, int y1, int width, const TSWFRGBA& color) {
  TFlashShape* shape = movie.AddShape();
  shape->AddLineStyle(Pixels(width), color);
  shape->Edges.MoveTo(x0, y0);
  shape->Edges.LineTo(x1, y1);
  return shape;
}

int SwfShapes(const TArgs& args, std::ostream& out) {
  const TToolboxSettings settings = ReadToolboxSettings(args, "swf shapes");
  std::unique_ptr<TFlashMovie> movie = MakeToolboxMovie(settings, kGalleryStage, kGalleryRate);
  movie->BackgroundColor() = TSWFRGB(255, 255, 255);
  std::vector<TFlashVisualObject*> shown;

  // Row 1: a red rectangle, a blue ellipse, two half-transparent squares.
  shown.push_back(FilledRectangle(*movie, {20, 20, 120, 80}, Color(255, 0, 0)));
  shown.push_back(Ellipse(*movie, 200, 50, 50, 30, Color(0, 0, 255)));
  shown.push_back(FilledRectangle(*movie, {280, 20, 340, 80}, Color(0, 128, 0, 128)));
  shown.push_back(FilledRectangle(*movie, {310, 50, 380, 90}, Color(0, 0, 255, 128)));

  // Row 2: lines of 1, 3 and 6 pixels.
  shown.push_back(Line(*movie, 20, 105, 200, 105, 1, Color(0, 0, 0)));
  shown.push_back(Line(*movie, 20, 115, 200, 115, 3, Color(0, 0, 255)));
  shown.push_back(Line(*movie, 20, 128, 200, 128, 6, Color(255, 0, 255)));

  // Row 3: dashed lines, 10 pixels on and 10 off; the second draws its gaps in yellow.
  TFlashShape* dashed = Line(*movie, 20, 165, 380, 165, 4, Color(0, 0, 0));
  dashed->DashPattern().Pattern = {10, 10};
  shown.push_back(dashed);
  TFlashShape* gapped = Line(*movie, 20, 185, 380, 185, 4, Color(0, 0, 0));
  gapped->DashPattern().Pattern = {10, 10};
  gapped->GapColor() = Color(255, 255, 0);
  shown.push_back(gapped);

  // Row 4: a dashed arc, a filled rectangle with a dashed outline, an image fill.
  TFlashShape* arc = movie->AddShape();
  arc->AddLineStyle(Pixels(3), Color(0, 0, 0));
  arc->Edges.MoveTo(20, 255);
  arc->Edges.CurveTo(110, 195, 200, 255);
  arc->DashPattern().Pattern = {8, 6};
  shown.push_back(arc);
  TFlashShape* framed = FilledRectangle(*movie, {220, 200, 290, 260}, Color(173, 216, 230));
  framed->AddLineStyle(Pixels(2), Color(0, 0, 128));
  framed->DashPattern().Pattern = {6, 4};
  shown.push_back(framed);
  TFlashImage* image = movie->AddImage();
  const std::vector<uint8_t> quadrants = {255, 0, 0, 255, 0, 160, 0, 255, 0, 0, 255, 255, 255, 255, 0, 255};
  image->SetRGBA(2, 2, quadrants);
  TFlashShape* picture = movie->AddRectangle({310, 200, 380, 260});
  picture->AddImageFill(*image, TFlashShape::kImageStretched);
  shown.push_back(picture);

  // Bottom: a line far longer than one edge record, across the whole stage.
  shown.push_back(Line(*movie, -4000, 288, 4400, 288, 2, Color(255, 128, 0)));

  // A button: green when up, yellow under the mouse, red while pressed.
  const TRect face{320, 100, 380, 140};
  TFlashShape* up = FilledRectangle(*movie, face, Color(0, 160, 0));
  TFlashShape* over = FilledRectangle(*movie, face, Color(255, 255, 0));
  TFlashShape* down = FilledRectangle(*movie, face, Color(255, 0, 0));
  TFlashButton* button = movie->AddButton();
  button->AddRecord(*up, kButtonUp | kButtonHitTest, 1);
  button->AddRecord(*over, kButtonOver, 2);
  button->AddRecord(*down, kButtonDown, 3);
  if (!button->ReleaseActions().Compile("trace(\"button released\");"))
    throw Error("The button's action does not compile: " + movie->CompileMessages);
  shown.push_back(button);

  int depth = 0;
  for (TFlashVisualObject* object : shown) movie->PlaceObject(object, ++depth);
  if (!movie->FrameActions().Compile("trace(\"shapes gallery\");"))
    throw Error("The frame action does not compile: " + movie->CompileMessages);
  movie->ShowFrame();
  SaveToolboxMovie(*movie, settings, "shapes gallery", out);
  return 0;
}

}  // namespace

void RegisterSwfShapesCommands(TCommandTable& table) {
  table.Add({.Name = "swf shapes",
             .Args = "",
             .Summary = "write a gallery of shapes, line styles, dashes and a button",
             .Details = std::string(
                            "Writes a one-frame movie (default 400x300 pixels, 12 fps, white background) that\n"
                            "traces \"shapes gallery\". What is where, in pixels (left, top, right, bottom):\n"
                            "  (20,20,120,80)    red rectangle\n"
                            "  (150,20,250,80)   blue ellipse of eight curves\n"
                            "  (280,20,340,80)   green square at half alpha, overlapped by a half-alpha\n"
                            "                    blue one at (310,50,380,90)\n"
                            "  y 105, 115, 128   lines of 1 (black), 3 (blue) and 6 (magenta) pixels, x 20 to 200\n"
                            "  (320,100,380,140) button: green up, yellow over, red down; on release it\n"
                            "                    traces \"button released\"\n"
                            "  y 165             black 4-pixel dashes, 10 on and 10 off from x 20 to 380\n"
                            "  y 185             the same with yellow gaps\n"
                            "  (20,195,200,255)  dashed black arc (8 on, 6 off)\n"
                            "  (220,200,290,260) light blue rectangle with a dashed navy outline\n"
                            "  (310,200,380,260) a 2x2 picture stretched: red, green / blue, yellow\n"
                            "  y 288             orange line from x -4000 to 4400 (split into pieces)\n") +
                        kToolboxDetails,
             .Options = ToolboxOptions({}),
             .MinPositional = 0,
             .MaxPositional = 0,
             .Run = SwfShapes});
}

}  // namespace fc::cli
