#include "engine/piece_writer.h"

#include <filesystem>
#include <system_error>

namespace fc {
namespace {

std::string TempPathOf(const std::string& path) { return path + ".part"; }

}  // namespace

std::unique_ptr<TPieceWriter> TPieceWriter::ForMuxer(const std::string& path, const std::string& muxer) {
  const std::string temp_path = TempPathOf(path);
  AVFormatContext* raw = nullptr;
  CheckAv(avformat_alloc_output_context2(&raw, nullptr, muxer.c_str(), temp_path.c_str()),
          "cannot create the " + muxer + " output");
  return std::make_unique<TPieceWriter>(path, temp_path, TOutputContextPtr(raw));
}

std::unique_ptr<TPieceWriter> TPieceWriter::ForFileName(const std::string& path) {
  const std::string temp_path = TempPathOf(path);
  const AVOutputFormat* format = av_guess_format(nullptr, path.c_str(), nullptr);
  if (!format) throw MediaError("cannot tell the output format from the name " + path);
  AVFormatContext* raw = nullptr;
  CheckAv(avformat_alloc_output_context2(&raw, format, nullptr, temp_path.c_str()), "cannot create the output");
  return std::make_unique<TPieceWriter>(path, temp_path, TOutputContextPtr(raw));
}

TPieceWriter::TPieceWriter(std::string path, std::string temp_path, TOutputContextPtr muxer)
    : path_(std::move(path)), temp_path_(std::move(temp_path)), muxer_(std::move(muxer)) {}

TPieceWriter::~TPieceWriter() { Discard(); }

bool TPieceWriter::WantsGlobalHeader() const { return muxer_->oformat->flags & AVFMT_GLOBALHEADER; }

AVStream* TPieceWriter::NewStream() {
  AVStream* stream = avformat_new_stream(muxer_.get(), nullptr);
  if (!stream) throw MediaError("out of memory for a stream");
  return stream;
}

void TPieceWriter::Begin(TAvOptions& options, const std::string& header_failure) {
  const int r = avio_open(&muxer_->pb, temp_path_.c_str(), AVIO_FLAG_WRITE);
  if (r < 0) throw TWriteError("cannot write " + path_ + ": " + AvErrorText(r));
  opened_ = true;
  const int h = avformat_write_header(muxer_.get(), options.Address());
  if (h < 0) throw TWriteError(header_failure + ": " + AvErrorText(h));
}

void TPieceWriter::Write(AVPacket* packet) {
  const int w = av_interleaved_write_frame(muxer_.get(), packet);
  if (w < 0) throw TWriteError("cannot write " + path_ + ": " + AvErrorText(w));
}

void TPieceWriter::Finish() {
  const int t = av_write_trailer(muxer_.get());
  if (t < 0) throw TWriteError("cannot finish " + path_ + ": " + AvErrorText(t));
  muxer_.reset();  // closes the file
  std::error_code ec;
  std::filesystem::rename(temp_path_, path_, ec);
  if (ec) throw TWriteError("cannot rename the output to " + path_ + ": " + ec.message());
  finished_ = true;
}

void TPieceWriter::Discard() noexcept {
  muxer_.reset();
  if (!opened_ || finished_) return;
  std::error_code ec;
  std::filesystem::remove(temp_path_, ec);
}

}  // namespace fc
