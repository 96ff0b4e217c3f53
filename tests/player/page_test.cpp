// A Flash page as the program writes it (UTF-16 with a byte order mark, object and embed
// elements, Ruffle's web player from a ruffle/ folder beside it), served by `flarecast-cli
// serve` and opened in headless Chromium: Ruffle starts, the movie traces and its picture
// changes. Opened from a file, the page says how to view it instead.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "player_harness.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using test::Cli;
using test::Q;

// A movie that traces on its first frame and paints the stage another colour every frame.
constexpr const char* kScript = R"(trace("page:start " + Stage.width + "x" + Stage.height);
var n = 0;
var box = this.createEmptyMovieClip("box", 1);
this.onEnterFrame = function () {
  n++;
  box.clear();
  box.beginFill(((n * 23) % 256) * 65536 + ((n * 57) % 256) * 256 + 128, 100);
  box.moveTo(0, 0);
  box.lineTo(160, 0);
  box.lineTo(160, 120);
  box.lineTo(0, 120);
  box.lineTo(0, 0);
  box.endFill();
  if (n == 20) trace("page:frame 20");
};
)";

// The page's lines around the movie `name` of 160x120, with Ruffle's loader before the end
// of the body and a note that shows only on pages opened from a file.
std::vector<std::string> PageLines(const std::string& name) {
  const std::string stem = fs::path(name).stem().string();
  return {"<html>",
          "<title>" + stem + "</title>",
          "<body>",
          "<table width=\"100%\" height=\"100%\">",
          "<tr><td>",
          "<center>",
          "<object classid=\"CLSID:D27CDB6E-AE6D-11cf-96B8-444553540000\" ",
          "codebase=\"swflash.cab#version=8,0,0,0\" ",
          "Width=\"160\" Height=\"120\">",
          "<param name=\"movie\" value=\"" + name + "\">",
          "<param name=\"quality\" value=\"high\">",
          "<param name=\"bgcolor\" value=\"#FFFFFF\">",
          "<param name=\"allowScriptAccess\" value=\"always\" />",
          "<param name=\"allowFullScreen\" value=\"true\" />",
          "<embed src=\"" + name + "\" ",
          "quality=\"high\" width=\"160\" height=\"120\" ",
          "allowScriptAccess=\"always\" type=\"application/x-shockwave-flash\" pluginspage=\"getflashplayer\" "
          "allowfullscreen=\"true\">",
          "</embed>",
          "</object>",
          "</center>",
          "</td></tr>",
          "</table>",
          "<p id=\"file-note\" hidden>This page plays through a web server: flarecast-cli serve FOLDER --open</p>",
          "<script>if (location.protocol === \"file:\") document.getElementById(\"file-note\").hidden = false;</script>",
          "<script>window.RufflePlayer = window.RufflePlayer || {}; window.RufflePlayer.config = {autoplay: \"on\", "
          "unmuteOverlay: \"hidden\", splashScreen: false};</script>",
          // The charset: a script without one takes the page's encoding, UTF-16 here.
          "<script src=\"ruffle/ruffle.js\" charset=\"utf-8\"></script>",
          "</body> ",
          "</html> "};
}

// UTF-16 little-endian with a byte order mark, lines ended by CR LF (the text is ASCII).
void WriteUtf16Page(const fs::path& file, const std::vector<std::string>& lines) {
  std::ofstream out(file, std::ios::binary);
  out << "\xFF\xFE";
  for (const std::string& line : lines)
    for (const char c : line + "\r\n") out << c << '\0';
}

TEST(PlayerPage, AServedPagePlaysItsMovieInRuffleAndFromAFileShowsItsNote) {
  const fs::path dir = test::ScratchDir("page");
  std::ofstream(dir / "movie.as") << kScript;
  Cli("as compile " + Q(dir / "movie.as") + " -o " + Q(dir / "movie.swf") + " --size 160x120 --fps 20");
  WriteUtf16Page(dir / "movie.HTML", PageLines("movie.swf"));
  // Ruffle's web player as the build puts it into the program folder.
  fs::copy(test::ProgramDir() / "ruffle", dir / "ruffle", fs::copy_options::recursive);

  test::TServedFolder served(dir);
  EXPECT_NE(served.Printed().find("Page: " + served.Url() + "movie.HTML"), std::string::npos) << served.Printed();
  test::TPageOptions options;
  options.Ms = 2000;
  options.Shots = {{500, dir / "early.png"}, {2000, dir / "late.png"}};
  const test::TPageResult played = test::PlayPage(served.Url() + "movie.HTML", options);
  ASSERT_TRUE(played.Ok()) << played.Error << "\n" << played.Text;
  EXPECT_TRUE(played.Loaded);
  // The object names the Flash ActiveX class, so Ruffle takes its embed element.
  EXPECT_EQ(played.Element, "ruffle-embed");
  EXPECT_EQ(played.Trace, (std::vector<std::string>{"page:start 160x120", "page:frame 20"}));
  EXPECT_TRUE(played.ConsoleErrors.empty()) << played.ConsoleErrors.front();
  EXPECT_TRUE(played.HttpErrors.empty()) << played.HttpErrors.front();
  EXPECT_EQ(played.Text.find("web server"), std::string::npos) << "the note shows only from a file";
  ASSERT_EQ(played.Screenshots.size(), 2u);
  const test::Image early = test::ReadPng(played.Screenshots[0]);
  const test::Image late = test::ReadPng(played.Screenshots[1]);
  EXPECT_GT(test::PixelDifference(early, late), 0.5) << "the picture changes while the movie plays";
  EXPECT_EQ(served.Stop(), 0);

  test::TPageOptions from_file;
  from_file.PageOnly = true;
  from_file.Ms = 300;
  const test::TPageResult opened = test::PlayPage("file://" + (dir / "movie.HTML").string(), from_file);
  EXPECT_FALSE(opened.Loaded);
  EXPECT_NE(opened.Text.find("flarecast-cli serve FOLDER --open"), std::string::npos) << opened.Text;
}

}  // namespace
}  // namespace fc
