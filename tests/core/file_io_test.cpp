#include "core/file_io.h"

#include <gtest/gtest.h>

#include "core/byte_reader.h"
#include "core/error.h"
#include "core/text.h"
#include "test_folder.h"

namespace fc {
namespace {

TEST(AtomicFileWriter, FailedWriteKeepsTheOldFile) {
  test::TempFolder dir;
  const std::string file = dir.write("movie.swf", "old content");
  {
    test::FileSizeLimit limit(16);
    EXPECT_THROW(WriteFileAtomic(file, std::string(1000, 'x')), IoError);
  }
  EXPECT_EQ(ReadFileText(file), "old content");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(AtomicFileWriter, UncommittedOutputLeavesNothing) {
  test::TempFolder dir;
  {
    TAtomicFileWriter out(dir.file("half.flv"));
    out.Write(std::string_view("FLV"));
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(AtomicFileWriter, PatchesOnlyWhatWasWritten) {
  test::TempFolder folder;
  const std::string path = folder.file("patched");
  TAtomicFileWriter writer(path);
  writer.Write(std::string_view("length=????;body"));
  writer.WriteAt(7, std::vector<uint8_t>{'1', '2', '3', '4'});
  EXPECT_THROW(writer.WriteAt(14, std::vector<uint8_t>{'x', 'y', 'z'}), Error);
  writer.Commit();
  EXPECT_EQ(ReadFileText(path), "length=1234;body");
}

TEST(ScratchFile, GivesBackWhatWasWrittenAndLeavesNoFile) {
  test::TempFolder folder;
  std::vector<uint8_t> back;
  {
    TScratchFile scratch(folder.path());
    std::vector<uint8_t> piece(700000);
    for (size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<uint8_t>(i * 7);
    scratch.Write(piece);
    scratch.Write(piece);
    EXPECT_EQ(scratch.Size(), 1400000u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 0);
    scratch.ReadBack([&](std::span<const uint8_t> chunk) { back.insert(back.end(), chunk.begin(), chunk.end()); });
  }
  ASSERT_EQ(back.size(), 1400000u);
  EXPECT_EQ(back[700000 + 5], static_cast<uint8_t>(35));
}

TEST(ByteReader, BoundedReadsNameTheirPlace) {
  const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05};
  TByteReader r(bytes, 0x100);
  EXPECT_EQ(r.U16LE(), 0x0201);
  TByteReader body = r.Sub(2, "tag body");
  EXPECT_EQ(body.U16BE(), 0x0304);
  EXPECT_THROW(body.U8(), FormatError);  // a sub-reader never sees past its record
  try {
    r.U32LE("FileLength");
    FAIL();
  } catch (const FormatError& e) {
    EXPECT_STREQ(e.what(), "FileLength at offset 0x104 needs 4 bytes, 1 remain");
  }
  EXPECT_EQ(r.U8(), 0x05);
}

TEST(TextNumbers, ParseWholeStringsOnly) {
  EXPECT_EQ(ParseInt32("0x1F"), 31);
  EXPECT_EQ(ParseInt32("0x"), std::nullopt);
  EXPECT_EQ(ParseInt32("0x123456789"), std::nullopt);
  EXPECT_EQ(ParseInt32("2147483648"), std::nullopt);
  EXPECT_EQ(ParseInt32("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseDouble("1,5"), std::nullopt);
  EXPECT_EQ(ParseDouble(" 29.97 "), 29.97);
  EXPECT_EQ(FormatDouble(0.1), "0.1");
}

TEST(TextUnicode, RoundTripsAndReplacesBadBytes) {
  const std::string s = "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x8E\xAC";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s);
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\uFFFD\uFFFD");  // overlong NUL is not a character
  EXPECT_TRUE(WildcardMatch("*.dat", "English.DAT"));
  EXPECT_FALSE(WildcardMatch("*.dat", "English.dat.bak"));
}

}  // namespace
}  // namespace fc
