#pragma once
// One output file of a conversion (the whole output, or one piece of a split one). It is
// written under a temporary name beside its own and renamed only when complete, so that a
// failed or stopped conversion never leaves half a file behind, nor harms an older file of
// that name.

#include <memory>
#include <string>

#include "engine/av_util.h"

namespace fc {

// The output could not be written: opened, written, finished or renamed.
class TWriteError : public MediaError {
public:
  using MediaError::MediaError;
};

// Used by one thread at a time (the converter's writing thread). Streams are added first, then
// Begin opens the file; Finish completes it. A writer destroyed before Finish removes its
// temporary file.
class TPieceWriter {
public:
  // A muxer by its FFmpeg name ("flv").
  static std::unique_ptr<TPieceWriter> ForMuxer(const std::string& path, const std::string& muxer);
  // The muxer the file name's extension calls for (stream copy).
  static std::unique_ptr<TPieceWriter> ForFileName(const std::string& path);

  TPieceWriter(std::string path, std::string temp_path, TOutputContextPtr muxer);
  TPieceWriter(const TPieceWriter&) = delete;
  TPieceWriter& operator=(const TPieceWriter&) = delete;
  ~TPieceWriter();

  const std::string& Path() const { return path_; }
  // The muxer wants codec headers out of band (AV_CODEC_FLAG_GLOBAL_HEADER for its encoders).
  bool WantsGlobalHeader() const;
  // A new, empty stream of the output; the caller fills its parameters before Begin.
  AVStream* NewStream();

  // Opens the temporary file and writes the header with `options`; a header the muxer refuses
  // throws TWriteError("<headerFailure>: <reason>").
  void Begin(TAvOptions& options, const std::string& header_failure);
  // Writes a packet, interleaved with the other streams' by time.
  void Write(AVPacket* packet);
  // Writes the trailer, closes the file and gives it its name.
  void Finish();

private:
  void Discard() noexcept;

  std::string path_;
  std::string temp_path_;
  TOutputContextPtr muxer_;
  bool opened_ = false;    // the temporary file exists
  bool finished_ = false;  // renamed to its own name
};

}  // namespace fc
