// A movie written by the SWF library plays in a real Flash player and traces what its
// DoAction tags say; plain and compressed copies made by `flarecast-cli swf copy` too.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "player_harness.h"
#include "swf/actions.h"
#include "swf/streams.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using test::PlaySwfs;
using test::ShellQuote;

std::unique_ptr<TSWFTagInfo> Entry(std::unique_ptr<TSWFObject> object) {
  auto e = std::make_unique<TSWFTagInfo>();
  e->TagID = object->TagID;
  e->SetObject(std::move(object));
  return e;
}

// Frame 1 traces "hello"; frame 2 traces 7 + 5 and stops, so later frames trace nothing.
void WriteHelloMovie(const fs::path& file) {
  TSWFStreamReader movie;
  movie.FrameRect = {0, 0, 200 * 20, 100 * 20};
  movie.SetFrameRate(12);
  movie.SetVersion(6);
  movie.FrameCount = 2;

  auto hello = std::make_unique<TSWFDoAction>();
  hello->Actions->Add(std::make_unique<TSWFActionPush>())->AddValue("hello");
  hello->Actions->Add(std::make_unique<TSWFActionTrace>());
  movie.TagList.push_back(Entry(std::move(hello)));
  movie.TagList.push_back(Entry(std::make_unique<TSWFShowFrame>()));

  auto sum = std::make_unique<TSWFDoAction>();
  auto* push = sum->Actions->Add(std::make_unique<TSWFActionPush>());
  push->AddValue(int32_t{7});
  push->AddValue(int32_t{5});
  sum->Actions->Add(std::make_unique<TSWFActionAdd2>());
  sum->Actions->Add(std::make_unique<TSWFActionTrace>());
  sum->Actions->Add(std::make_unique<TSWFActionStop>());
  movie.TagList.push_back(Entry(std::move(sum)));
  movie.TagList.push_back(Entry(std::make_unique<TSWFShowFrame>()));
  movie.TagList.push_back(Entry(std::make_unique<TSWFEnd>()));

  movie.BuildBody();
  movie.SaveToFile(file);
}

void Copy(const fs::path& in, const fs::path& out, const std::string& flags) {
  const fs::path cli = test::ProgramDir() / "flarecast-cli";
  const std::string command =
      ShellQuote(cli.string()) + " swf copy " + ShellQuote(in.string()) + " " + ShellQuote(out.string()) + " " + flags;
  ASSERT_EQ(test::RunCommand(command), 0) << command;
}

TEST(SwfTrace, LibraryMovieAndItsCopiesTraceHello) {
  const fs::path dir = test::ScratchDir("swf_trace");
  const fs::path original = dir / "hello.swf";
  WriteHelloMovie(original);
  Copy(original, dir / "hello_fws.swf", "--no-compress");
  Copy(original, dir / "hello_cws.swf", "--compress");
  Copy(dir / "hello_cws.swf", dir / "hello_decoded.swf", "--decode");

  {
    TSWFStreamReader cws(dir / "hello_cws.swf");
    EXPECT_TRUE(cws.Compressed());
    TSWFStreamReader fws(dir / "hello_fws.swf");
    EXPECT_FALSE(fws.Compressed());
  }

  // The harness reports a missing file and bytes that are no movie as errors of their own
  // file, without disturbing the others.
  WriteFileAtomic(dir / "junk.swf", std::string_view("this is not a movie"));
  const std::vector<fs::path> files = {original, dir / "hello_fws.swf", dir / "hello_cws.swf",
                                       dir / "hello_decoded.swf", dir / "missing.swf", dir / "junk.swf"};
  const auto results = PlaySwfs(files, {.frames = 5});
  ASSERT_EQ(results.size(), files.size());
  EXPECT_EQ(results[4].error, "file not found");
  EXPECT_THAT(results[5].error, testing::StartsWith("Ruffle panicked"));
  for (size_t i = 0; i < 4; ++i) {
    const test::PlayResult& r = results[i];
    SCOPED_TRACE(r.file.string());
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.trace, (std::vector<std::string>{"hello", "12"}));
    EXPECT_EQ(r.frame_rate, 12);
    EXPECT_EQ(r.width, 200);
    EXPECT_EQ(r.height, 100);
  }
}

}  // namespace
}  // namespace fc
