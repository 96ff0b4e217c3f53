#pragma once
// Host movies for the player templates (Templates/Players/NAME.swf), made the way the Flash
// output makes them: frame 1 the _global lines (tracing on), frame 2 the template imported as
// the sprite "player_mc" at depth 4000 and a Stop; in the embedded layout frame 2 + j holds
// segment j as "mc" + (j + 1). And the FLVs, segments and colour checks the tests around them
// need.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "movie/external_movie.h"
#include "movie/flash_sprite.h"
#include "movie/flash_video.h"
#include "picture_checks.h"
#include "player_harness.h"

namespace fc::test {

inline constexpr int kPlayerDepth = 4000;
inline constexpr int kFirstSegmentDepth = 501;
inline constexpr float kHostFps = 15;

inline std::filesystem::path PlayerTemplate(const std::string& name) {
  return ProgramDir() / "Templates" / "Players" / (name + ".swf");
}

// A text as an ActionScript string literal.
inline std::string Literal(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

struct THost {
  std::string Player = "Player01";
  std::string Globals;  // after g_noDebug = false
  int Width = 320;
  int Height = 281;
  std::vector<std::filesystem::path> Segments;  // the embedded layout's segment movies
};

inline void WriteHost(const THost& host, const std::filesystem::path& out) {
  TFlashMovie movie(0, 0, host.Width, host.Height, kHostFps);
  movie.SetVersion(8);
  ASSERT_TRUE(movie.FrameActions().Compile("_global.g_noDebug = false;\n" + host.Globals)) << movie.CompileMessages;
  movie.ShowFrame();
  movie.PlaceObject(movie.AddExternalMovie(PlayerTemplate(host.Player), kExternalSprite)->Sprite(), kPlayerDepth)
      ->SetName("player_mc");
  if (host.Segments.empty()) {
    ASSERT_TRUE(movie.FrameActions().Compile("stop();"));
    movie.ShowFrame();
  }
  for (size_t j = 0; j < host.Segments.size(); ++j) {
    const int depth = kFirstSegmentDepth + static_cast<int>(j);
    movie.PlaceObject(movie.AddExternalMovie(host.Segments[j], kExternalSprite)->Sprite(), depth)
        ->SetName("mc" + std::to_string(j + 1));
    ASSERT_TRUE(movie.FrameActions().Compile("stop();"));
    movie.ShowFrame();
    movie.RemoveObject(depth);
  }
  movie.Save(out);
}

// A segment movie: the FLV embedded frame by frame, its last frame moving the main timeline on.
inline void WriteSegment(const std::filesystem::path& flv, const std::filesystem::path& out) {
  TFlashMovie movie(0, 0, 320, 240, kHostFps);
  movie.SetVersion(8);
  TFlashVideo* video = movie.AddVideo(flv);
  movie.PlaceVideo(video, 1)->Loop = false;
  for (int frame = 0; frame < video->FrameCount(); ++frame) {
    if (frame + 1 == video->FrameCount()) {
      ASSERT_TRUE(movie.FrameActions().Compile("_root.nextFrame();"));
    }
    movie.ShowFrame();
  }
  movie.Save(out);
}

// An H.263 FLV of the test pattern with a tone, `seconds` long.
inline void MakeFlv(const std::filesystem::path& out, int seconds, const std::string& size = "320x240") {
  Shell("ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc=s=" + size + ":r=15:d=" + std::to_string(seconds) +
        " -f lavfi -i sine=d=" + std::to_string(seconds) + ":r=22050 -c:v flv1 -q:v 4 -c:a libmp3lame -ar 22050 " +
        Q(out));
}

// The script lines of an external FLV list.
inline std::string FlvList(const std::vector<std::string>& names) {
  std::string out = "_global.g_ArrFlvPath = Array();\n";
  for (size_t i = 0; i < names.size(); ++i)
    out += "_global.g_ArrFlvPath[" + std::to_string(i) + "] = " + Literal(names[i]) + " ;\n";
  return out;
}

using TLines = std::vector<std::string>;

inline TLines Prefix(const TLines& lines, size_t count) {
  return TLines(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(count, lines.size())));
}

}  // namespace fc::test
