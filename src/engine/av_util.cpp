#include "engine/av_util.h"

#include <cmath>
#include <mutex>

extern "C" {
#include <libavutil/error.h>
}

namespace fc {

void detail::FormatInputDeleter::operator()(AVFormatContext* p) const {
  const bool custom = p->flags & AVFMT_FLAG_CUSTOM_IO;
  AVIOContext* pb = p->pb;
  avformat_close_input(&p);
  if (custom && pb) {
    delete static_cast<CustomInput*>(pb->opaque);
    av_freep(&pb->buffer);
    avio_context_free(&pb);
  }
}

void detail::FormatOutputDeleter::operator()(AVFormatContext* p) const {
  if (p->pb && !(p->oformat->flags & AVFMT_NOFILE)) avio_closep(&p->pb);
  avformat_free_context(p);
}

FramePtr AllocFrame() {
  FramePtr f(av_frame_alloc());
  if (!f) throw MediaError("out of memory for a frame");
  return f;
}

PacketPtr AllocPacket() {
  PacketPtr p(av_packet_alloc());
  if (!p) throw MediaError("out of memory for a packet");
  return p;
}

FramePtr CloneFrame(const AVFrame* frame) {
  FramePtr f(av_frame_clone(frame));
  if (!f) throw MediaError("out of memory for a frame");
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

InputContextPtr OpenInput(const std::string& path) {
  QuietFfmpegLog();
  AVFormatContext* raw = nullptr;
  CheckAv(avformat_open_input(&raw, path.c_str(), nullptr, nullptr), "cannot open " + path);
  InputContextPtr ctx(raw);
  CheckAv(avformat_find_stream_info(ctx.get(), nullptr), "cannot read the streams of " + path);
  return ctx;
}

double TimestampSeconds(int64_t ts, AVRational time_base) {
  if (ts == AV_NOPTS_VALUE) return NAN;
  return static_cast<double>(ts) * av_q2d(time_base);
}

}  // namespace fc
