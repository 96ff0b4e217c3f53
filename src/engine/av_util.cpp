#include "engine/av_util.h"

#include <cmath>
#include <mutex>

extern "C" {
#include <libavutil/error.h>
}

namespace fc {

void detail::TFormatInputDeleter::operator()(AVFormatContext* p) const {
  // Closing the demuxer leaves a custom I/O context to its owner: here, the input context.
  const TCustomIoPtr io((p->flags & AVFMT_FLAG_CUSTOM_IO) ? p->pb : nullptr);
  avformat_close_input(&p);
}

void detail::TCustomIoDeleter::operator()(AVIOContext* p) const {
  delete static_cast<TCustomInput*>(p->opaque);
  av_freep(&p->buffer);  // the context may have replaced the buffer it was given
  avio_context_free(&p);
}

void detail::TFormatOutputDeleter::operator()(AVFormatContext* p) const {
  if (p->pb && !(p->oformat->flags & AVFMT_NOFILE)) avio_closep(&p->pb);
  avformat_free_context(p);
}

void TAvOptions::Set(const char* key, const std::string& value) {
  CheckAv(av_dict_set(&dictionary_, key, value.c_str(), 0), "options");
}

void TAvOptions::Set(const char* key, int64_t value) { CheckAv(av_dict_set_int(&dictionary_, key, value, 0), "options"); }

TFramePtr AllocFrame() {
  TFramePtr f(av_frame_alloc());
  if (!f) throw MediaError("out of memory for a frame");
  return f;
}

TPacketPtr AllocPacket() {
  TPacketPtr p(av_packet_alloc());
  if (!p) throw MediaError("out of memory for a packet");
  return p;
}

TFramePtr CloneFrame(const AVFrame* frame) {
  TFramePtr f(av_frame_clone(frame));
  if (!f) throw MediaError("out of memory for a frame");
  return f;
}

TFramePtr AllocPicture(int width, int height, AVPixelFormat format, const std::string& what) {
  TFramePtr f = AllocFrame();
  f->width = width;
  f->height = height;
  f->format = format;
  CheckAv(av_frame_get_buffer(f.get(), 0), what);
  return f;
}

TFramePtr AllocSamples(AVSampleFormat format, int rate, int channels, int samples, const std::string& what) {
  TFramePtr f = AllocFrame();
  f->format = format;
  f->sample_rate = rate;
  av_channel_layout_default(&f->ch_layout, channels);
  f->nb_samples = samples;
  CheckAv(av_frame_get_buffer(f.get(), 0), what);
  return f;
}

std::string AvErrorText(int code) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, buf, sizeof buf);
  return buf;
}

int CheckAv(int code, const std::string& what) {
  if (code < 0) throw MediaError(what + ": " + AvErrorText(code));
  return code;
}

void QuietFfmpegLog() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

TInputContextPtr OpenInput(const std::string& path) {
  QuietFfmpegLog();
  AVFormatContext* raw = nullptr;
  CheckAv(avformat_open_input(&raw, path.c_str(), nullptr, nullptr), "cannot open " + path);
  TInputContextPtr ctx(raw);
  CheckAv(avformat_find_stream_info(ctx.get(), nullptr), "cannot read the streams of " + path);
  return ctx;
}

TCustomIoPtr MakeCustomIo(std::unique_ptr<TCustomInput> input, int buffer_size,
                          int (*read)(void* opaque, uint8_t* buffer, int size),
                          int64_t (*seek)(void* opaque, int64_t offset, int whence)) {
  struct TBufferDeleter { void operator()(unsigned char* p) const { av_free(p); } };
  std::unique_ptr<unsigned char, TBufferDeleter> buffer(static_cast<unsigned char*>(av_malloc(buffer_size)));
  if (!buffer) throw MediaError("out of memory for an input");
  TCustomIoPtr io(avio_alloc_context(buffer.get(), buffer_size, 0, input.get(), read, nullptr, seek));
  if (!io) throw MediaError("out of memory for an input");
  // Owned by the I/O context from here on.
  buffer.release();
  input.release();
  return io;
}

TInputContextPtr OpenCustomInput(TCustomIoPtr io, const AVInputFormat* format, const std::string& what,
                                const std::string& streams_what) {
  QuietFfmpegLog();
  AVFormatContext* raw = avformat_alloc_context();
  if (!raw) throw MediaError("out of memory for an input");
  raw->pb = io.get();
  raw->flags |= AVFMT_FLAG_CUSTOM_IO;
  // On failure avformat_open_input frees the format context but leaves the custom I/O to us.
  CheckAv(avformat_open_input(&raw, nullptr, format, nullptr), what);
  TInputContextPtr ctx(raw);
  io.release();  // freed with the input context now
  CheckAv(avformat_find_stream_info(ctx.get(), nullptr), streams_what);
  return ctx;
}

AVFilterContext* CreateFilter(AVFilterGraph* graph, const char* filter, const char* name, const char* args,
                              const std::string& what) {
  AVFilterContext* context = nullptr;
  CheckAv(avfilter_graph_create_filter(&context, avfilter_get_by_name(filter), name, args, nullptr, graph), what);
  return context;
}

TFilterInOutPtr FilterEnd(const char* label, AVFilterContext* filter, TFilterInOutPtr next) {
  TFilterInOutPtr end(avfilter_inout_alloc());
  if (!end) throw MediaError("out of memory for a filter graph");
  end->name = av_strdup(label);
  if (!end->name) throw MediaError("out of memory for a filter graph");
  end->filter_ctx = filter;
  end->pad_idx = 0;
  end->next = next.release();
  return end;
}

void ParseFilterGraph(AVFilterGraph* graph, const std::string& description, TFilterInOutPtr inputs,
                      TFilterInOutPtr outputs, const std::string& what) {
  AVFilterInOut* in = inputs.release();
  AVFilterInOut* out = outputs.release();
  const int r = avfilter_graph_parse_ptr(graph, description.c_str(), &in, &out, nullptr);
  // The parser leaves in the lists what it did not link; those are ours to free.
  avfilter_inout_free(&in);
  avfilter_inout_free(&out);
  const std::string context = what + " \"" + description + "\"";
  CheckAv(r, context);
  CheckAv(avfilter_graph_config(graph, nullptr), context);
}

double TimestampSeconds(int64_t ts, AVRational time_base) {
  if (ts == AV_NOPTS_VALUE) return NAN;
  return static_cast<double>(ts) * av_q2d(time_base);
}

}  // namespace fc
