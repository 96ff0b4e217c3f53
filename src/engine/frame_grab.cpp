#include "engine/frame_grab.h"

#include <algorithm>
#include <filesystem>

#include "core/file_io.h"
#include "core/text.h"

namespace fc {
namespace {

TFramePtr ConvertFrame(const AVFrame* in, AVPixelFormat format) {
  TSwsContextPtr sws(sws_getContext(in->width, in->height, static_cast<AVPixelFormat>(in->format), in->width,
                                   in->height, format, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
                                   nullptr, nullptr, nullptr));
  if (!sws) throw MediaError(Format("cannot convert a %dx%d picture", in->width, in->height));
  TFramePtr out = AllocPicture(in->width, in->height, format, "picture buffer");
  sws_scale(sws.get(), in->data, in->linesize, 0, in->height, out->data, out->linesize);
  return out;
}

}  // namespace

std::vector<uint8_t> EncodeFrameImage(const AVFrame* frame, const std::string& extension) {
  if (!frame || frame->width <= 0 || frame->height <= 0) throw MediaError("there is no picture to save");
  const std::string ext = ToLowerAscii(extension);
  AVCodecID id;
  AVPixelFormat format;
  if (ext == ".jpg" || ext == ".jpeg") {
    id = AV_CODEC_ID_MJPEG;
    format = AV_PIX_FMT_YUVJ420P;
  } else if (ext == ".bmp") {
    id = AV_CODEC_ID_BMP;
    format = AV_PIX_FMT_BGR24;
  } else {
    throw MediaError("pictures are saved as .jpg or .bmp, not " + (ext.empty() ? std::string("without extension") : ext));
  }
  const AVCodec* codec = avcodec_find_encoder(id);
  if (!codec) throw MediaError("this build of FFmpeg cannot write " + ext + " pictures");
  TFramePtr converted = ConvertFrame(frame, format);
  TCodecContextPtr ctx(avcodec_alloc_context3(codec));
  if (!ctx) throw MediaError("out of memory for an encoder");
  ctx->width = frame->width;
  ctx->height = frame->height;
  ctx->pix_fmt = format;
  ctx->time_base = {1, 25};
  if (id == AV_CODEC_ID_MJPEG) {
    // Quality about 90 of 100: qscale 2 to 3 in FFmpeg's terms.
    ctx->flags |= AV_CODEC_FLAG_QSCALE;
    ctx->global_quality = FF_QP2LAMBDA * 2;
    converted->quality = ctx->global_quality;
  }
  CheckAv(avcodec_open2(ctx.get(), codec, nullptr), "cannot open the picture encoder");
  converted->pts = 0;
  CheckAv(avcodec_send_frame(ctx.get(), converted.get()), "cannot encode the picture");
  CheckAv(avcodec_send_frame(ctx.get(), nullptr), "cannot encode the picture");
  TPacketPtr packet = AllocPacket();
  CheckAv(avcodec_receive_packet(ctx.get(), packet.get()), "cannot encode the picture");
  return std::vector<uint8_t>(packet->data, packet->data + packet->size);
}

void SaveFrameImage(const AVFrame* frame, const std::string& path) {
  WriteFileAtomic(path, EncodeFrameImage(frame, std::filesystem::path(path).extension().string()));
}

std::vector<uint8_t> FrameToRgb(const AVFrame* frame) {
  TFramePtr rgb = ConvertFrame(frame, AV_PIX_FMT_RGB24);
  std::vector<uint8_t> out(static_cast<size_t>(frame->width) * frame->height * 3);
  for (int y = 0; y < frame->height; ++y)
    std::copy_n(rgb->data[0] + static_cast<ptrdiff_t>(y) * rgb->linesize[0], frame->width * 3,
                out.data() + static_cast<size_t>(y) * frame->width * 3);
  return out;
}

}  // namespace fc
