#include "engine/dib_image.h"

#include "core/text.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace fc {

TDibImage::TDibImage(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 || width > 32768 || height > 32768)
    throw MediaError(Format("an image of %dx%d cannot be made", width, height));
  width_ = width;
  height_ = height;
  bits_.assign(static_cast<size_t>(width) * height * 4, 0);
}

TDibHeader TDibImage::Header() const {
  TDibHeader h;
  h.Width = width_;
  h.Height = height_;
  h.SizeImage = static_cast<uint32_t>(bits_.size());
  return h;
}

void TDibImage::LoadImage(const std::string& path) {
  TInputContextPtr input = OpenInput(path);
  const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index < 0) throw MediaError(path + " is not a picture");
  const AVStream* st = input->streams[index];
  const AVCodec* dec = avcodec_find_decoder(st->codecpar->codec_id);
  if (!dec) throw MediaError(path + ": no decoder for this picture");
  TCodecContextPtr ctx(avcodec_alloc_context3(dec));
  if (!ctx) throw MediaError("out of memory for a decoder");
  CheckAv(avcodec_parameters_to_context(ctx.get(), st->codecpar), "picture parameters");
  CheckAv(avcodec_open2(ctx.get(), dec, nullptr), "cannot open the picture decoder");
  TPacketPtr packet = AllocPacket();
  TFramePtr frame = AllocFrame();
  bool got = false;
  while (!got && av_read_frame(input.get(), packet.get()) >= 0) {
    if (packet->stream_index == index && avcodec_send_packet(ctx.get(), packet.get()) >= 0)
      got = avcodec_receive_frame(ctx.get(), frame.get()) >= 0;
    av_packet_unref(packet.get());
  }
  if (!got) {
    avcodec_send_packet(ctx.get(), nullptr);
    got = avcodec_receive_frame(ctx.get(), frame.get()) >= 0;
  }
  if (!got || frame->width <= 0 || frame->height <= 0) throw MediaError("cannot decode the picture " + path);
  TSwsContextPtr sws(sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                   frame->width, frame->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr));
  if (!sws) throw MediaError("cannot convert the picture " + path);
  std::vector<uint8_t> bits(static_cast<size_t>(frame->width) * frame->height * 4);
  uint8_t* dst[4] = {bits.data(), nullptr, nullptr, nullptr};
  int dst_stride[4] = {frame->width * 4, 0, 0, 0};
  sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, dst, dst_stride);
  // Pictures without alpha come out opaque.
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
  if (!d || !(d->flags & AV_PIX_FMT_FLAG_ALPHA))
    for (size_t i = 3; i < bits.size(); i += 4) bits[i] = 255;
  width_ = frame->width;
  height_ = frame->height;
  bits_ = std::move(bits);
}

bool TDibImage::CopyImage(const TDibImage& source) {
  if (source.empty()) return false;
  *this = source;
  return true;
}

TRgbaImage TDibImage::ToRgba() const {
  TRgbaImage out;
  out.Width = width_;
  out.Height = height_;
  out.Pixels = bits_;
  for (size_t i = 0; i + 3 < out.Pixels.size(); i += 4) std::swap(out.Pixels[i], out.Pixels[i + 2]);
  return out;
}

}  // namespace fc
