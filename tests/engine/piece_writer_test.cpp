#include "engine/piece_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "media_fixture.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

// Adds a stream of 16-bit mono samples at 8 kHz.
AVStream* AddPcmStream(TPieceWriter& piece) {
  AVStream* st = piece.NewStream();
  st->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
  st->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
  st->codecpar->sample_rate = 8000;
  av_channel_layout_default(&st->codecpar->ch_layout, 1);
  st->time_base = {1, 8000};
  return st;
}

void WriteSilence(TPieceWriter& piece, const AVStream* st) {
  TPacketPtr packet = AllocPacket();
  ASSERT_EQ(av_new_packet(packet.get(), 1600), 0);
  std::fill_n(packet->data, 1600, 0);
  packet->stream_index = st->index;
  packet->pts = packet->dts = 0;
  packet->duration = 800;
  piece.Write(packet.get());
}

std::string Contents(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class PieceWriterTest : public testing::Test {
protected:
  void SetUp() override {
    dir_ = test::MediaDir() / "pieces" / testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(dir_);
  }
  fs::path dir_;
};

TEST_F(PieceWriterTest, AFinishedPieceGetsItsNameAndLeavesNoTemporaryFile) {
  const fs::path path = dir_ / "sound.wav";
  std::ofstream(path) << "older file";
  {
    auto piece = TPieceWriter::ForMuxer(path.string(), "wav");
    EXPECT_EQ(piece->Path(), path.string());
    AVStream* st = AddPcmStream(*piece);
    TAvOptions options;
    piece->Begin(options, "header");
    WriteSilence(*piece, st);
    EXPECT_EQ(Contents(path), "older file");  // untouched until the piece is complete
    piece->Finish();
  }
  EXPECT_EQ(Contents(path).substr(0, 4), "RIFF");
  EXPECT_GT(fs::file_size(path), 1600u);
  EXPECT_FALSE(fs::exists(path.string() + ".part"));
}

TEST_F(PieceWriterTest, APieceDroppedBeforeItsEndLeavesNothingAndHarmsNoOlderFile) {
  const fs::path path = dir_ / "sound.wav";
  std::ofstream(path) << "older file";
  {
    auto piece = TPieceWriter::ForFileName(path.string());
    AVStream* st = AddPcmStream(*piece);
    TAvOptions options;
    piece->Begin(options, "header");
    WriteSilence(*piece, st);
    EXPECT_TRUE(fs::exists(path.string() + ".part"));
  }
  EXPECT_FALSE(fs::exists(path.string() + ".part"));
  EXPECT_EQ(Contents(path), "older file");
}

TEST_F(PieceWriterTest, RefusedHeadersAndUnwritableFoldersAreWriteErrorsThatLeaveNothing) {
  const fs::path path = dir_ / "two.wav";
  {
    auto piece = TPieceWriter::ForMuxer(path.string(), "wav");
    AddPcmStream(*piece);
    AddPcmStream(*piece);  // a WAVE file has exactly one stream
    TAvOptions options;
    try {
      piece->Begin(options, "the output format cannot carry these streams");
      ADD_FAILURE() << "the muxer took two streams";
    } catch (const TWriteError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("the output format cannot carry these streams: ", 0), 0u) << e.what();
    }
  }
  EXPECT_FALSE(fs::exists(path.string() + ".part"));
  EXPECT_FALSE(fs::exists(path));

  auto piece = TPieceWriter::ForMuxer("/nonexistent-folder/x.wav", "wav");
  AddPcmStream(*piece);
  TAvOptions options;
  try {
    piece->Begin(options, "header");
    ADD_FAILURE() << "wrote into a missing folder";
  } catch (const TWriteError& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent-folder/x.wav"), std::string::npos) << e.what();
  }
  EXPECT_THROW(TPieceWriter::ForMuxer((dir_ / "x.zzz").string(), "no-such-muxer"), MediaError);
  EXPECT_THROW(TPieceWriter::ForFileName((dir_ / "x.zzz").string()), MediaError);
}

}  // namespace
}  // namespace fc
