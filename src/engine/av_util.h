#pragma once
// Ownership and error helpers over the FFmpeg C structs, used by every part of the engine.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/dict.h>
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
struct TCustomInput {
  virtual ~TCustomInput() = default;
};

namespace detail {
struct TFormatInputDeleter { void operator()(AVFormatContext* p) const; };
struct TFormatOutputDeleter { void operator()(AVFormatContext* p) const; };
struct TCodecDeleter { void operator()(AVCodecContext* p) const { avcodec_free_context(&p); } };
struct TFrameDeleter { void operator()(AVFrame* p) const { av_frame_free(&p); } };
struct TPacketDeleter { void operator()(AVPacket* p) const { av_packet_free(&p); } };
struct TGraphDeleter { void operator()(AVFilterGraph* p) const { avfilter_graph_free(&p); } };
struct TSwsDeleter { void operator()(SwsContext* p) const { sws_freeContext(p); } };
struct TSwrDeleter { void operator()(SwrContext* p) const { swr_free(&p); } };
// Frees a custom I/O context with its buffer and the TCustomInput kept as its opaque.
struct TCustomIoDeleter { void operator()(AVIOContext* p) const; };
struct TFilterInOutDeleter { void operator()(AVFilterInOut* p) const { avfilter_inout_free(&p); } };
struct TCodecParametersDeleter { void operator()(AVCodecParameters* p) const { avcodec_parameters_free(&p); } };
}  // namespace detail

using TInputContextPtr = std::unique_ptr<AVFormatContext, detail::TFormatInputDeleter>;
using TOutputContextPtr = std::unique_ptr<AVFormatContext, detail::TFormatOutputDeleter>;
using TCodecContextPtr = std::unique_ptr<AVCodecContext, detail::TCodecDeleter>;
using TFramePtr = std::unique_ptr<AVFrame, detail::TFrameDeleter>;
using TPacketPtr = std::unique_ptr<AVPacket, detail::TPacketDeleter>;
using TFilterGraphPtr = std::unique_ptr<AVFilterGraph, detail::TGraphDeleter>;
using TSwsContextPtr = std::unique_ptr<SwsContext, detail::TSwsDeleter>;
using TSwrContextPtr = std::unique_ptr<SwrContext, detail::TSwrDeleter>;
using TCustomIoPtr = std::unique_ptr<AVIOContext, detail::TCustomIoDeleter>;
using TFilterInOutPtr = std::unique_ptr<AVFilterInOut, detail::TFilterInOutDeleter>;
using TCodecParametersPtr = std::unique_ptr<AVCodecParameters, detail::TCodecParametersDeleter>;

// Options handed to an FFmpeg open call; whatever the call leaves unused is freed with them.
class TAvOptions {
public:
  TAvOptions() = default;
  ~TAvOptions() { av_dict_free(&dictionary_); }
  TAvOptions(const TAvOptions&) = delete;
  TAvOptions& operator=(const TAvOptions&) = delete;

  void Set(const char* key, const std::string& value);
  void Set(const char* key, int64_t value);
  // For the open call, which takes the options and puts back those it did not use.
  AVDictionary** Address() { return &dictionary_; }

private:
  AVDictionary* dictionary_ = nullptr;
};

TFramePtr AllocFrame();
TPacketPtr AllocPacket();
TFramePtr CloneFrame(const AVFrame* frame);
// A frame with its buffers, to be filled: a picture, or interleaved or planar samples in the
// default layout for `channels`. Throws MediaError("<what>: <reason>").
TFramePtr AllocPicture(int width, int height, AVPixelFormat format, const std::string& what);
TFramePtr AllocSamples(AVSampleFormat format, int rate, int channels, int samples, const std::string& what);

// FFmpeg's text for an error code.
std::string AvErrorText(int code);
// Throws MediaError("<what>: <reason>") when `code` is negative; returns it otherwise.
int CheckAv(int code, const std::string& what);

// Opens a file for reading and reads its stream information.
TInputContextPtr OpenInput(const std::string& path);

// A read-only I/O context over `input` with a buffer of `buffer_size` bytes; `input` is
// handed to the callbacks as their opaque and freed with the context.
TCustomIoPtr MakeCustomIo(std::unique_ptr<TCustomInput> input, int buffer_size,
                          int (*read)(void* opaque, uint8_t* buffer, int size),
                          int64_t (*seek)(void* opaque, int64_t offset, int whence));
// Opens a demuxer of `format` over a custom I/O context and reads its stream information; the
// input context owns the I/O from then on. Failures throw MediaError("<what>: <reason>").
TInputContextPtr OpenCustomInput(TCustomIoPtr io, const AVInputFormat* format, const std::string& what,
                                const std::string& streams_what);

// Adds a filter of FFmpeg's kind `filter` named `name` to the graph, set up with `args` (null:
// the defaults). Throws MediaError("<what>: <reason>").
AVFilterContext* CreateFilter(AVFilterGraph* graph, const char* filter, const char* name, const char* args,
                              const std::string& what);
// One labelled end of a filter description ("[in]"), attached to a filter of the graph; `next`
// follows it in the list.
TFilterInOutPtr FilterEnd(const char* label, AVFilterContext* filter, TFilterInOutPtr next = nullptr);
// Parses `description` into the graph, linking its labelled open ends to `inputs` (filters
// that take the description's outputs) and `outputs` (filters that feed its inputs), and
// configures the graph. Throws MediaError("<what> \"<description>\": <reason>").
void ParseFilterGraph(AVFilterGraph* graph, const std::string& description, TFilterInOutPtr inputs,
                      TFilterInOutPtr outputs, const std::string& what);

// Seconds of a timestamp in a time base (NaN for AV_NOPTS_VALUE).
double TimestampSeconds(int64_t ts, AVRational time_base);

// Turns FFmpeg's own log output off but for fatal errors (once per process); the engine reports
// through exceptions and callbacks instead.
void QuietFfmpegLog();

}  // namespace fc
