// The parts of the player harness that need no browser: reading its JSON report lines, the
// PNG screenshots, and running commands.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "core/error.h"
#include "player_harness.h"

namespace fc::test {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(ReportLine, ReadsEveryField) {
  const PlayResult r = ParseReportLine(
      R"({"file":"a b.swf","trace":["hello","x\"y\\z","tab\there","\u00e9\ud834\udd1e"],"error":null,)"
      R"("screenshot":"s.png","frameRate":12.5,"width":160,"height":120,"frames":3})");
  EXPECT_EQ(r.file, "a b.swf");
  EXPECT_EQ(r.trace, (std::vector<std::string>{"hello", "x\"y\\z", "tab\there", "\xC3\xA9\xF0\x9D\x84\x9E"}));
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.screenshot, "s.png");
  EXPECT_DOUBLE_EQ(r.frame_rate, 12.5);
  EXPECT_EQ(r.width, 160);
  EXPECT_EQ(r.height, 120);
}

TEST(ReportLine, AFailedMovieKeepsItsErrorAndMissingFieldsAreEmpty) {
  const PlayResult r = ParseReportLine(R"({"file":"x.swf","error":"Ruffle panicked","trace":[]})");
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.error, "Ruffle panicked");
  EXPECT_TRUE(r.trace.empty());
  EXPECT_EQ(r.width, 0);
}

TEST(ReportLine, BrokenLinesAreFormatErrors) {
  for (const char* bad : {"", "{", "[1,", "{\"a\" 1}", "\"open", "tru", "{} x", "[1]", "3"})
    EXPECT_THROW(ParseReportLine(bad), FormatError) << bad;
}

TEST(ReportLine, APageReportKeepsItsListsAndText) {
  const TPageResult r = ParsePageReportLine(
      R"({"url":"http://127.0.0.1:1/p.HTML","loaded":true,"trace":["player:play a.flv"],"error":null,)"
      R"("screenshots":["a.png","b.png"],"consoleErrors":["boom"],"httpErrors":["404 http://x/y"],)"
      R"("text":"note","element":"ruffle-embed","frameRate":25,"width":320,"height":281})");
  EXPECT_TRUE(r.Ok());
  EXPECT_TRUE(r.Loaded);
  EXPECT_EQ(r.Trace, (std::vector<std::string>{"player:play a.flv"}));
  EXPECT_EQ(r.Screenshots, (std::vector<std::filesystem::path>{"a.png", "b.png"}));
  EXPECT_EQ(r.ConsoleErrors, (std::vector<std::string>{"boom"}));
  EXPECT_EQ(r.HttpErrors, (std::vector<std::string>{"404 http://x/y"}));
  EXPECT_EQ(r.Text, "note");
  EXPECT_EQ(r.Element, "ruffle-embed");
  EXPECT_EQ(r.Height, 281);
  // A page that did not load its movie: "loaded" of another type is no success either.
  const TPageResult failed = ParsePageReportLine(R"({"url":"file:///p.HTML","loaded":"yes","error":"no player"})");
  EXPECT_FALSE(failed.Loaded);
  EXPECT_FALSE(failed.Ok());
  EXPECT_THROW(ParsePageReportLine("[1]"), FormatError);
}

// Builds a PNG from raw (already filtered) rows.
Bytes Png(int width, int height, int color_type, const Bytes& rows, const Bytes& palette = {}) {
  auto be32 = [](Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
  };
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&](const char* type, const Bytes& data) {
    be32(out, static_cast<uint32_t>(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    be32(out, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
  };
  Bytes ihdr;
  be32(ihdr, static_cast<uint32_t>(width));
  be32(ihdr, static_cast<uint32_t>(height));
  ihdr.insert(ihdr.end(), {8, static_cast<uint8_t>(color_type), 0, 0, 0});
  chunk("IHDR", ihdr);
  if (!palette.empty()) chunk("PLTE", palette);
  Bytes packed(compressBound(static_cast<uLong>(rows.size())));
  uLongf size = packed.size();
  compress(packed.data(), &size, rows.data(), static_cast<uLong>(rows.size()));
  packed.resize(size);
  chunk("IDAT", packed);
  chunk("IEND", {});
  return out;
}

TEST(Png, EveryRowFilterIsUndone) {
  // Two RGB pixels per row. Row 0 plain: (10,20,30) (40,50,60). Row 1 "Sub": deltas to the
  // left pixel. Row 2 "Up": deltas to row 1. Row 3 "Average", row 4 "Paeth".
  const Bytes rows = {
      0, 10, 20, 30, 40, 50, 60,
      1, 1, 2, 3, 1, 1, 1,        // (1,2,3) (2,3,4)
      2, 5, 5, 5, 250, 0, 1,      // (6,7,8) (252,3,5)
      3, 10, 10, 10, 0, 0, 0,     // (13,13,14) (avg(13,252)=132, avg(13,3)=8, avg(14,5)=9)
      4, 0, 0, 0, 1, 1, 1,        // paeth: up for the first pixel -> (13,13,14); then
                                  // a=(13,13,14) b=(132,8,9) c=(13,13,14): b wins -> (133,9,10)
  };
  const Image img = DecodePng(Png(2, 5, 2, rows));
  ASSERT_EQ(img.width, 2);
  ASSERT_EQ(img.height, 5);
  auto px = [&](int x, int y) {
    const uint8_t* p = &img.rgba[(y * 2 + x) * 4];
    return std::vector<int>{p[0], p[1], p[2], p[3]};
  };
  EXPECT_EQ(px(0, 0), (std::vector<int>{10, 20, 30, 255}));
  EXPECT_EQ(px(1, 0), (std::vector<int>{40, 50, 60, 255}));
  EXPECT_EQ(px(1, 1), (std::vector<int>{2, 3, 4, 255}));
  EXPECT_EQ(px(0, 2), (std::vector<int>{6, 7, 8, 255}));
  EXPECT_EQ(px(1, 2), (std::vector<int>{252, 3, 5, 255}));
  EXPECT_EQ(px(0, 3), (std::vector<int>{13, 13, 14, 255}));
  EXPECT_EQ(px(1, 3), (std::vector<int>{132, 8, 9, 255}));
  EXPECT_EQ(px(0, 4), (std::vector<int>{13, 13, 14, 255}));
  EXPECT_EQ(px(1, 4), (std::vector<int>{133, 9, 10, 255}));
}

TEST(Png, GreyPaletteAndAlphaImages) {
  EXPECT_EQ(DecodePng(Png(1, 1, 0, {0, 77})).rgba, (Bytes{77, 77, 77, 255}));
  EXPECT_EQ(DecodePng(Png(1, 1, 4, {0, 77, 9})).rgba, (Bytes{77, 77, 77, 9}));
  EXPECT_EQ(DecodePng(Png(1, 1, 6, {0, 1, 2, 3, 4})).rgba, (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(DecodePng(Png(2, 1, 3, {0, 1, 0}, {9, 8, 7, 6, 5, 4})).rgba, (Bytes{6, 5, 4, 255, 9, 8, 7, 255}));
}

TEST(Png, BrokenImagesAreFormatErrors) {
  EXPECT_THROW(DecodePng({1, 2, 3}), FormatError);
  Bytes cut = Png(2, 2, 2, Bytes(14, 0));
  cut.resize(cut.size() - 20);
  EXPECT_THROW(DecodePng(cut), FormatError);
  EXPECT_THROW(DecodePng(Png(2, 2, 2, Bytes(10, 0))), FormatError);          // too little data
  EXPECT_THROW(DecodePng(Png(1, 1, 2, {7, 0, 0, 0})), FormatError);          // unknown filter
  EXPECT_THROW(DecodePng(Png(1, 1, 5, {0, 0})), FormatError);                // no such colour type
  // A bad CRC.
  Bytes crc = Png(1, 1, 2, {0, 1, 2, 3});
  crc[8 + 8 + 13] ^= 0xFF;  // the IHDR chunk's CRC
  EXPECT_THROW(DecodePng(crc), FormatError);
}

TEST(Png, PixelDifferenceCountsPixelsBeyondTheTolerance) {
  Image a{2, 1, {0, 0, 0, 255, 100, 100, 100, 255}};
  Image b = a;
  EXPECT_EQ(PixelDifference(a, b), 0.0);
  b.rgba[4] = 105;  // within the tolerance
  EXPECT_EQ(PixelDifference(a, b, 8), 0.0);
  b.rgba[5] = 120;
  EXPECT_EQ(PixelDifference(a, b, 8), 0.5);
  EXPECT_EQ(PixelDifference(a, Image{1, 2, a.rgba}), 1.0);
}

TEST(Commands, QuotingSurvivesTheShell) {
  std::string out;
  const std::string tricky = "it's a \"test\" $HOME `x` \\ ;";
  EXPECT_EQ(RunCommand("printf %s " + ShellQuote(tricky), &out), 0);
  EXPECT_EQ(out, tricky);
  EXPECT_EQ(RunCommand("exit 3"), 3);
}

}  // namespace
}  // namespace fc::test
