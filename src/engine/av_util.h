#pragma once
// Ownership and error helpers over the FFmpeg C structs, used by every part of the engine.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

#include "core/error.h"

namespace fc {

// A failure inside the media engine (a file that cannot be opened, a codec that refuses its
// parameters, a write that fails). The message names the operation and FFmpeg's reason.
class MediaError : public Error {
public:
  using Error::Error;
};

// The owner of a custom input (a DVD title's blocks) kept as the opaque of its AVIOContext;
// closing the input deletes it with the I/O context.
struct CustomInput {
  virtual ~CustomInput() = default;
};

namespace detail {
struct FormatInputDeleter { void operator()(AVFormatContext* p) const; };
struct FormatOutputDeleter { void operator()(AVFormatContext* p) const; };
struct CodecDeleter { void operator()(AVCodecContext* p) const { avcodec_free_context(&p); } };
struct FrameDeleter { void operator()(AVFrame* p) const { av_frame_free(&p); } };
struct PacketDeleter { void operator()(AVPacket* p) const { av_packet_free(&p); } };
struct GraphDeleter { void operator()(AVFilterGraph* p) const { avfilter_graph_free(&p); } };
struct SwsDeleter { void operator()(SwsContext* p) const { sws_freeContext(p); } };
struct SwrDeleter { void operator()(SwrContext* p) const { swr_free(&p); } };
}  // namespace detail

using InputContextPtr = std::unique_ptr<AVFormatContext, detail::FormatInputDeleter>;
using OutputContextPtr = std::unique_ptr<AVFormatContext, detail::FormatOutputDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, detail::CodecDeleter>;
using FramePtr = std::unique_ptr<AVFrame, detail::FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, detail::PacketDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, detail::GraphDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, detail::SwsDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, detail::SwrDeleter>;

FramePtr AllocFrame();
PacketPtr AllocPacket();
FramePtr CloneFrame(const AVFrame* frame);

// FFmpeg's text for an error code.
std::string AvErrorText(int code);
// Throws MediaError("<what>: <reason>") when `code` is negative; returns it otherwise.
int CheckAv(int code, const std::string& what);

// Opens a file for reading and reads its stream information.
InputContextPtr OpenInput(const std::string& path);

// Seconds of a timestamp in a time base (NaN for AV_NOPTS_VALUE).
double TimestampSeconds(int64_t ts, AVRational time_base);

// Turns FFmpeg's own log output off but for fatal errors (once per process); the engine reports
// through exceptions and callbacks instead.
void QuietFfmpegLog();

}  // namespace fc
