// A movie that imports another one, compiled by `flarecast-cli as compile` from a script that
// uses an AS2 class and traces, plays with the imported script working: as a sprite (placed
// once by `swf import`, twice by the movie builder) and as frames after the host's.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "movie/external_movie.h"
#include "cli_runner.h"
#include "movie/flash_sprite.h"
#include "player_harness.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using test::Cli;
using test::Q;

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST(MovieImport, AnImportedScriptRunsInsideTheHost) {
  const fs::path dir = test::ScratchDir("movie_import");
  fs::create_directories(dir / "classes");
  WriteFileAtomic(dir / "classes" / "Greeter.as",
                "class Greeter {\n"
                "  var name:String;\n"
                "  function Greeter(n:String) { name = n; }\n"
                "  function hello():String { return \"hello \" + name; }\n"
                "}\n");
  // The guest stops on its frame, so that a timeline it joins does not loop.
  WriteFileAtomic(dir / "guest.as",
                "var g = new Greeter(\"guest\");\n"
                "trace(g.hello());\n"
                "trace(\"inside \" + this._name);\n"
                "var n = 0;\n"
                "for (var i = 1; i <= 4; i++) n += i;\n"
                "trace(\"sum \" + n);\n"
                "stop();\n");
  WriteFileAtomic(dir / "host.as", "trace(\"host\");\n");
  const fs::path guest = dir / "guest.swf", host = dir / "host.swf";
  Cli("as compile " + Q(dir / "guest.as") + " --classpath " + Q(dir / "classes") + " -o " + Q(guest));
  Cli("as compile " + Q(dir / "host.as") + " -o " + Q(host));
  const fs::path as_sprite = dir / "as_sprite.swf", as_frames = dir / "as_frames.swf";
  Cli("swf import " + Q(host) + " " + Q(guest) + " -o " + Q(as_sprite) + " --name clip");
  Cli("swf import " + Q(host) + " " + Q(guest) + " -o " + Q(as_frames) + " --mode timeline");

  // Two instances of one imported sprite, built here.
  const fs::path twice = dir / "twice.swf";
  {
    TFlashMovie movie(0, 0, 200, 100, 12);
    movie.SetVersion(8);
    TFlashExternalMovie* imported = movie.AddExternalMovie(guest, kExternalSprite);
    movie.PlaceObject(imported->Sprite(), 1)->SetName("a");
    movie.PlaceObject(imported->Sprite(), 2)->SetName("b");
    movie.ShowFrame();
    movie.Save(twice);
  }

  const std::vector<test::PlayResult> results = test::PlaySwfs({as_sprite, as_frames, twice});
  ASSERT_EQ(results.size(), 3u);
  for (const auto& r : results) ASSERT_TRUE(r.ok()) << r.file << ": " << r.error;
  // Within one frame the host's and the sprite's scripts may run in either order.
  EXPECT_EQ(Sorted(results[0].trace), Sorted({"hello guest", "inside clip", "sum 10", "host"}));
  EXPECT_EQ(results[1].trace, (std::vector<std::string>{"host", "hello guest", "inside ", "sum 10"}));
  EXPECT_EQ(Sorted(results[2].trace),
            Sorted({"hello guest", "inside a", "sum 10", "hello guest", "inside b", "sum 10"}));
}

}  // namespace
}  // namespace fc
