// The typed option values every command reads: the accepted forms, the limits, and messages
// that say what is accepted.

#include "cli/option_values.h"

#include <gtest/gtest.h>

namespace fc::cli {
namespace {

const std::vector<TOptionSpec> kOptions = {
    {"--n", "N", ""},          {"--rate", "R", ""},        {"--sample-rate", "HZ", "", false, "--sr"},
    {"--size", "WxH", ""},     {"--at", "TIME", ""},       {"--fps", "RATE", ""},
    {"--zoom", "MODE", ""},    {"--effect", "E", "", true}, {"--crop", "L,T,R,B", ""},
    {"--pos", "X,Y", ""},      {"--x", "X", ""},           {"--color", "RRGGBB", ""}};

TArgs Parse(std::vector<std::string> argv) { return TArgs::Parse(argv, kOptions); }

// The message of the UsageError that `read` throws ("" when it throws none).
template <class Read>
std::string Message(Read read) {
  try {
    read();
  } catch (const UsageError& e) {
    return e.what();
  }
  return "";
}

TEST(OptionValues, AbsentOptionsGiveNothing) {
  const TArgs none = Parse({});
  EXPECT_FALSE(IntValue(none, "--n", 0, 9));
  EXPECT_FALSE(BitRateValue(none, "--rate", 0, 100));
  EXPECT_FALSE(TimeValue(none, "--at"));
  EXPECT_FALSE(FlagsValue(none, "--effect", kEffectNames));
  EXPECT_FALSE(CropValue(none, "--crop"));
}

TEST(OptionValues, WholeNumbersAndNumbersKeepTheirLimits) {
  EXPECT_EQ(IntValue(Parse({"--n", "7"}), "--n", 1, 9), 7);
  EXPECT_EQ(IntValue(Parse({"--n", "0x0A"}), "--n", 1, 99), 10);
  EXPECT_EQ(Message([] { IntValue(Parse({"--n", "10"}), "--n", 1, 9); }),
            "--n takes a whole number from 1 to 9, not '10'");
  EXPECT_NE(Message([] { IntValue(Parse({"--n", "1.5"}), "--n", 1, 9); }), "");
  EXPECT_DOUBLE_EQ(*NumberValue(Parse({"--n", "2.5"}), "--n", 0, 3), 2.5);
  EXPECT_EQ(Message([] { NumberValue(Parse({"--n", "nan"}), "--n", 0, 3); }),
            "--n takes a number from 0 to 3, not 'nan'");
}

TEST(OptionValues, BitRatesAreKilobitsUnlessAUnitSaysOtherwise) {
  const auto rate = [](const std::string& text) { return BitRateValue(Parse({"--rate", text}), "--rate", 0, 100000000); };
  EXPECT_EQ(rate("800"), 800000);
  EXPECT_EQ(rate("800k"), 800000);
  EXPECT_EQ(rate("800kbit"), 800000);
  EXPECT_EQ(rate("800kbps"), 800000);
  EXPECT_EQ(rate("800 kbit/s"), 800000);
  EXPECT_EQ(rate("1.5M"), 1500000);
  EXPECT_EQ(rate("1.5mbit"), 1500000);
  EXPECT_EQ(rate("96000bit"), 96000);
  EXPECT_EQ(rate("96000bps"), 96000);
  EXPECT_EQ(rate("96000"), 96000000);  // no unit: kbit/s
  for (const char* bad : {"", "fast", "800kg", "-8", "k800", "1e3"}) {
    const std::string message = Message([&] { rate(bad); });
    EXPECT_NE(message.find("kbit/s"), std::string::npos) << bad;
    EXPECT_NE(message.find("800k, 800kbit, 1.5M or 96000bit"), std::string::npos) << message;
  }
  EXPECT_EQ(Message([] { BitRateValue(Parse({"--rate", "2M"}), "--rate", 8000, 1536000); }),
            "--rate takes a bit rate from 8 to 1536 kbit/s: a number in kbit/s, or one with a unit such as 800k, "
            "800kbit, 1.5M or 96000bit; not '2M'");
}

TEST(OptionValues, SampleRatesTakeHertzOrKilohertz) {
  const auto rate = [](const std::string& text) {
    return SampleRateValue(Parse({"--sample-rate", text}), "--sample-rate", 8000, 96000);
  };
  EXPECT_EQ(rate("44100"), 44100);
  EXPECT_EQ(rate("44100Hz"), 44100);
  EXPECT_EQ(rate("44.1k"), 44100);
  EXPECT_EQ(rate("22.05kHz"), 22050);
  EXPECT_NE(Message([&] { rate("4000"); }).find("from 8000 to 96000 Hz"), std::string::npos);
  EXPECT_NE(Message([&] { rate("44.1MHz"); }), "");
  // The second name of an option is read under its first.
  EXPECT_EQ(SampleRateValue(Parse({"--sr", "48k"}), "--sample-rate", 8000, 96000), 48000);
  EXPECT_NE(Message([] { Parse({"--sr", "48k", "--sample-rate", "44100"}); }).find("given twice"), std::string::npos);
}

TEST(OptionValues, SizesTimesAndFrameRates) {
  const auto size = SizeValue(Parse({"--size", "320X240"}), "--size", {16, 16}, {8192, 8192});
  ASSERT_TRUE(size);
  EXPECT_EQ(size->Width, 320);
  EXPECT_EQ(size->Height, 240);
  EXPECT_EQ(Message([] { SizeValue(Parse({"--size", "8x8"}), "--size", {16, 16}, {8192, 8192}); }),
            "--size takes WIDTHxHEIGHT in pixels from 16x16 to 8192x8192, such as 320x240, not '8x8'");
  EXPECT_NE(Message([] { SizeValue(Parse({"--size", "320"}), "--size", {1, 1}, {10, 10}); }), "");

  EXPECT_DOUBLE_EQ(*TimeValue(Parse({"--at", "90"}), "--at"), 90);
  EXPECT_DOUBLE_EQ(*TimeValue(Parse({"--at", "1.5"}), "--at"), 1.5);
  EXPECT_DOUBLE_EQ(*TimeValue(Parse({"--at", "1:30"}), "--at"), 90);
  EXPECT_DOUBLE_EQ(*TimeValue(Parse({"--at", "1:02:03.5"}), "--at"), 3723.5);
  for (const char* bad : {"-1", "1:60", "1.5:00", "1:2:3:4", "soon", ""})
    EXPECT_NE(Message([&] { TimeValue(Parse({"--at", bad}), "--at"); }).find("MM:SS"), std::string::npos) << bad;

  EXPECT_DOUBLE_EQ(*FrameRateValue(Parse({"--fps", "29.97"}), "--fps", 1, 120), 29.97);
  EXPECT_DOUBLE_EQ(*FrameRateValue(Parse({"--fps", "30000/1001"}), "--fps", 1, 120), 30000.0 / 1001);
  EXPECT_DOUBLE_EQ(*FrameRateValue(Parse({"--fps", "25fps"}), "--fps", 1, 120), 25);
  EXPECT_NE(Message([] { FrameRateValue(Parse({"--fps", "1/0"}), "--fps", 1, 120); }), "");
  EXPECT_NE(Message([] { FrameRateValue(Parse({"--fps", "121"}), "--fps", 1, 120); }).find("from 1 to 120"),
            std::string::npos);
}

TEST(OptionValues, NamedValuesTakeTheNameOrTheNumber) {
  EXPECT_EQ(NamedValue(Parse({"--zoom", "LetterBox"}), "--zoom", kZoomNames), static_cast<int32_t>(TScaleMode::LetterBox));
  EXPECT_EQ(NamedValue(Parse({"--zoom", "5"}), "--zoom", kZoomNames), static_cast<int32_t>(TScaleMode::PanScan));
  EXPECT_EQ(Message([] { NamedValue(Parse({"--zoom", "6"}), "--zoom", kZoomNames); }),
            "--zoom takes full, keep, 16:9, 4:3, letterbox or panscan (or their numbers), not '6'");
  EXPECT_EQ(NamedValue(Parse({"--zoom", "odd-interpolate"}), "--zoom", kDeinterlaceNames),
            static_cast<int32_t>(TDeinterlaceMode::OddInterpolate));
  EXPECT_EQ(ChoiceHelp(kDeinterlaceNames),
            "none (0), odd (1), even (2), odd-interpolate (3) or even-interpolate (4)");
}

TEST(OptionValues, FlagSetsJoinNamesListsNumbersAndRepeats) {
  EXPECT_EQ(FlagsValue(Parse({"--effect", "gray"}), "--effect", kEffectNames), kEffectGray);
  EXPECT_EQ(FlagsValue(Parse({"--effect", "gray,oldfilm"}), "--effect", kEffectNames), kEffectGray | kEffectOldFilm);
  EXPECT_EQ(FlagsValue(Parse({"--effect", "emboss", "--effect", "4"}), "--effect", kEffectNames),
            kEffectEmboss | kEffectNegative);
  EXPECT_EQ(FlagsValue(Parse({"--effect", "0"}), "--effect", kEffectNames), 0);
  EXPECT_NE(Message([] { FlagsValue(Parse({"--effect", "8"}), "--effect", kEffectNames); }).find("39 for all"),
            std::string::npos);
  EXPECT_NE(Message([] { FlagsValue(Parse({"--effect", "sepia"}), "--effect", kEffectNames); }), "");
  EXPECT_EQ(FlagsValue(Parse({"--x", "hv"}), "--x", kFlipNames), kFlipHorizontal | kFlipVertical);
  EXPECT_EQ(FlagsValue(Parse({"--x", "v"}), "--x", kFlipNames), kFlipVertical);
  EXPECT_EQ(FlagsValue(Parse({"--x", "2"}), "--x", kFlipNames), kFlipVertical);
}

TEST(OptionValues, ColoursAreSixHexadecimalDigits) {
  for (const char* text : {"3366Cc", "#3366cc"}) {
    const std::optional<TRgbColor> c = RgbValue(Parse({"--color", text}), "--color");
    ASSERT_TRUE(c) << text;
    EXPECT_EQ(c->R, 0x33);
    EXPECT_EQ(c->G, 0x66);
    EXPECT_EQ(c->B, 0xCC);
  }
  EXPECT_FALSE(RgbValue(Parse({}), "--color"));
  for (const char* bad : {"fff", "12345g", "0x123456", "#1234567", ""})
    EXPECT_NE(Message([&] { RgbValue(Parse({"--color", bad}), "--color"); }).find("RRGGBB"), std::string::npos) << bad;
}

TEST(OptionValues, ListsAndCropRectangles) {
  EXPECT_EQ(IntListValue(Parse({"--pos", "10, 20"}), "--pos", 2), (std::vector<int32_t>{10, 20}));
  EXPECT_EQ(Message([] { IntListValue(Parse({"--pos", "10,20,30"}), "--pos", 2); }),
            "--pos takes 2 whole numbers separated by commas, not '10,20,30'");
  EXPECT_NE(Message([] { IntListValue(Parse({"--pos", "10,"}), "--pos", 2); }), "");
  const auto crop = CropValue(Parse({"--crop", "8,4,320,240"}), "--crop");
  ASSERT_TRUE(crop);
  EXPECT_EQ(*crop, (TCropRect{8, 4, 320, 240}));
  for (const char* bad : {"0,0,0,0", "-1,0,10,10", "10,0,5,10", "1,2,3"})
    EXPECT_NE(Message([&] { CropValue(Parse({"--crop", bad}), "--crop"); }), "") << bad;
}

}  // namespace
}  // namespace fc::cli
