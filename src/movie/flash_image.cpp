#include "movie/flash_image.h"

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"
#include "readers/bmp_reader.h"
#include "readers/jpeg_size.h"
#include "readers/media_source.h"
#include "swf/bitmaps.h"

namespace fc {

namespace {

constexpr uint8_t kJPEGErrorHeader[4] = {0xFF, 0xD9, 0xFF, 0xD8};
// A converted JPEG is compressed a second time: high quality and full-resolution colour keep
// that second loss small.
constexpr int kBaselineQuality = 95;

TImageLoader& CustomLoader() {
  static TImageLoader loader;
  return loader;
}

std::vector<uint8_t> Deflate(std::span<const uint8_t> data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::vector<uint8_t> out(size);
  if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
    throw Error("zlib could not compress the bitmap");
  out.resize(size);
  return out;
}

uint8_t Premultiply(uint8_t c, uint8_t a) { return static_cast<uint8_t>((c * a + 127) / 255); }

// ---------------------------------------------------------------------------------------
// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to
// the codec call. Only C objects live in the frames it crosses. A file cut short is only a
// warning to libjpeg (it draws grey); here it is a fault.

struct TJPEGErrors {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JPEGFail(j_common_ptr info) {
  auto* errors = reinterpret_cast<TJPEGErrors*>(info->err);
  (*info->err->format_message)(info, errors->Message);
  std::longjmp(errors->Jump, 1);
}

void JPEGMessage(j_common_ptr info, int level) {
  if (level >= 0 || info->err->msg_code != JWRN_JPEG_EOF) return;
  auto* errors = reinterpret_cast<TJPEGErrors*>(info->err);
  std::snprintf(errors->Message, sizeof errors->Message, "cut short (the data ends inside the picture)");
  std::longjmp(errors->Jump, 1);
}

void InitErrors(TJPEGErrors& errors) {
  jpeg_std_error(&errors.Manager);
  errors.Manager.error_exit = JPEGFail;
  errors.Manager.emit_message = JPEGMessage;
  errors.Message[0] = 0;
}

struct TDecodedJPEG {
  int32_t Width = 0, Height = 0;
  std::vector<uint8_t> RGB;
};

// Decodes to RGB; returns an empty string or the codec's (or the size check's) message.
std::string DecodeJPEGInto(std::span<const uint8_t> jpeg, TDecodedJPEG& out) {
  jpeg_decompress_struct info;
  TJPEGErrors errors;
  InitErrors(errors);
  info.err = &errors.Manager;
  if (setjmp(errors.Jump)) {
    jpeg_destroy_decompress(&info);
    return errors.Message;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&info, TRUE);
  if (int64_t{info.image_width} * info.image_height > kMaxImagePixels || info.image_width > kMaxImageSide ||
      info.image_height > kMaxImageSide) {
    std::snprintf(errors.Message, sizeof errors.Message, "picture too large (%ux%u pixels)", info.image_width,
                  info.image_height);
    jpeg_destroy_decompress(&info);
    return errors.Message;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  const size_t stride = size_t{info.output_width} * 3;
  out.Width = static_cast<int32_t>(info.output_width);
  out.Height = static_cast<int32_t>(info.output_height);
  out.RGB.resize(stride * info.output_height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.RGB.data() + size_t{info.output_scanline} * stride;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return {};
}

TDecodedJPEG DecodeJPEG(std::span<const uint8_t> jpeg) {
  TDecodedJPEG out;
  const std::string error = DecodeJPEGInto(jpeg, out);
  if (!error.empty()) throw FormatError("JPEG picture: " + error);
  return out;
}

// Baseline JPEG of RGB pixels; returns an empty string or the codec's message.
std::string EncodeJPEGInto(const TDecodedJPEG& picture, std::vector<uint8_t>& out) {
  jpeg_compress_struct info;
  TJPEGErrors errors;
  InitErrors(errors);
  info.err = &errors.Manager;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(errors.Jump)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return errors.Message;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(picture.Width);
  info.image_height = static_cast<JDIMENSION>(picture.Height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, kBaselineQuality, TRUE);
  info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  const size_t stride = size_t(picture.Width) * 3;
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(picture.RGB.data() + size_t{info.next_scanline} * stride);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  out.assign(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return {};
}

// True when an end-of-image marker follows the first scan: a JPEG cut short has none.
// Markers cannot occur inside entropy-coded data, and a thumbnail's end lies before the scan.
bool HasImageEnd(const TMediaSource& file) {
  TBufferedSourceReader in(file);
  uint8_t b[4];
  uint64_t pos = 2;
  for (;;) {
    if (in.ReadAt(pos, std::span(b, 2)) != 2 || b[0] != 0xFF) return false;
    const uint8_t marker = b[1];
    if (marker == 0xFF) {
      ++pos;
      continue;
    }
    pos += 2;
    if (marker == 0xD9) return false;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;
    if (in.ReadAt(pos, std::span(b, 2)) != 2) return false;
    pos += (uint32_t{b[0]} << 8) | b[1];
    if (marker == 0xDA) break;
  }
  uint8_t chunk[4096];
  bool after_ff = false;
  for (size_t n; (n = in.ReadAt(pos, chunk)) > 0; pos += n) {
    for (size_t i = 0; i < n; ++i) {
      if (after_ff && chunk[i] == 0xD9) return true;
      after_ff = chunk[i] == 0xFF;
    }
  }
  return false;
}

// Writes the tag with `data` lent to it rather than copied; the data comes back also when
// writing fails.
void WriteLendingData(TSWFDataObject& tag, std::vector<uint8_t>& data, TBitsEngine& be) {
  struct TLoan {
    TSWFDataObject& Tag;
    std::vector<uint8_t>& Data;
    ~TLoan() { Tag.Data.swap(Data); }
  } loan{tag, data};
  tag.Data.swap(data);
  tag.WriteToStream(be);
}

// Pixel `x` of a 1-, 4- or 8-bit row.
uint8_t PaletteIndex(const uint8_t* row, uint32_t x, uint16_t bits) {
  switch (bits) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4;
    default: return row[x];
  }
}

}  // namespace

void SetCustomImageLoader(TImageLoader loader) { CustomLoader() = std::move(loader); }

TFlashImage::TFlashImage() = default;
TFlashImage::~TFlashImage() = default;

void TFlashImage::Reset() {
  Width = Height = 0;
  IsJPEG = HasAlpha = false;
  BitmapFormat = 0;
  RowWidth = PaletteSize = 0;
  DataState = TImageDataState::None;
  FileName.clear();
  Data.clear();
  AlphaData.clear();
  pixels_.clear();
  palette_.clear();
}

void TFlashImage::SetSize(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0) throw FormatError(Format("picture without pixels (%lldx%lld)", static_cast<long long>(width), static_cast<long long>(height)));
  if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels)
    throw FormatError(Format("picture too large (%lldx%lld pixels; at most %lld pixels, %d a side)",
                             static_cast<long long>(width), static_cast<long long>(height),
                             static_cast<long long>(kMaxImagePixels), kMaxImageSide));
  Width = static_cast<int32_t>(width);
  Height = static_cast<int32_t>(height);
}

void TFlashImage::LoadFromFile(const std::filesystem::path& file_name) {
  if (Owner && Owner->OnLoadImage && !Owner->OnLoadImage(*this, file_name)) return;
  std::string extension = file_name.extension().string();
  if (!extension.empty()) extension.erase(0, 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  try {
    if (extension == "JPG" || extension == "JPEG") {
      Reset();
      IsJPEG = true;
      const TFileSource file(file_name);
      uint16_t width = 0, height = 0;
      if (ReadJPEGSize(file, width, height)) {
        SetSize(width, height);
        if (!HasImageEnd(file)) throw FormatError("JPEG picture cut short (no end of image after the scan)");
        DataState = TImageDataState::JPEGInFile;
      } else if (!ConvertProgressive) {
        DataState = TImageDataState::JPEGInFile;
      } else {
        ConvertJPEG(ReadFileBytes(file_name));
      }
    } else if (extension == "BMP") {
      TBMPReader bitmap;
      bitmap.LoadFromFile(file_name, static_cast<uint64_t>(kMaxImagePixels) * 4);
      LoadBitmap(bitmap);
    } else if (extension == "PNG") {
      LoadPNGFromMemory(ReadFileBytes(file_name));
    } else if (CustomLoader()) {
      CustomLoader()(*this, file_name, extension);
    } else {
      throw Error(Format("Image format \"%s\" not supported!", extension.c_str()));
    }
  } catch (const FormatError& e) {
    throw FormatError(file_name.string() + ": " + e.what());
  }
  FileName = file_name;
}

void TFlashImage::LoadBitmapFromStream(std::span<const uint8_t> bytes) {
  TBMPReader bitmap;
  bitmap.LoadFromBytes(bytes, static_cast<uint64_t>(kMaxImagePixels) * 4);
  LoadBitmap(bitmap);
}

void TFlashImage::LoadBitmap(const TBMPReader& bitmap) {
  Reset();
  SetSize(bitmap.Width(), bitmap.RowCount());
  const uint16_t bits = bitmap.BitCount();
  const uint32_t width = static_cast<uint32_t>(Width), rows = bitmap.RowCount();
  const auto source_row = [&](uint32_t y) { return bitmap.Row(bitmap.Height() > 0 ? rows - 1 - y : y); };
  pixels_.reserve(size_t{width} * rows * (bits <= 8 ? 1 : 4));
  if (bits == 1 || bits == 4 || bits == 8) {
    BitmapFormat = kImagePalette;
    RowWidth = (Width + 3) & ~3;
    PaletteSize = static_cast<int32_t>(std::clamp<uint32_t>(bitmap.Info().ClrUsed, 1, 1u << bits));
    HasAlpha = bitmap.TransparentIndex >= 0;
    for (int32_t i = 0; i < PaletteSize; ++i) {
      const TRGBQuad& q = bitmap.Palette()[i];
      palette_.push_back({q.Red, q.Green, q.Blue, HasAlpha ? q.Reserved : uint8_t{255}});
    }
    for (uint32_t y = 0; y < rows; ++y)
      for (uint32_t x = 0; x < width; ++x) {
        // An index past the palette (a file that claims fewer colours) shows entry 0.
        const uint8_t index = PaletteIndex(source_row(y), x, bits);
        pixels_.push_back(index < PaletteSize ? index : 0);
      }
    DataState = TImageDataState::InMemory;
    if (HasAlpha) SetTransparentIndex(bitmap.TransparentIndex, 0);
  } else if (bits == 16 && bitmap.RedMask == 0x7C00 && bitmap.GreenMask == 0x03E0 && bitmap.BlueMask == 0x001F) {
    BitmapFormat = kImage15;
    RowWidth = (Width + 1) & ~1;
    for (uint32_t y = 0; y < rows; ++y) {
      const uint8_t* row = source_row(y);
      for (uint32_t x = 0; x < width; ++x) {
        pixels_.push_back(row[2 * x + 1]);  // the SWF stores the 15-bit value high byte first
        pixels_.push_back(row[2 * x]);
      }
    }
  } else {
    std::vector<uint8_t> rgba;
    rgba.reserve(size_t{width} * rows * 4);
    // 32-bit files keep their fourth byte as alpha, unless it is 0 everywhere: most writers
    // leave it unused.
    const bool alpha_byte = bits == 32 && bitmap.Compression() == kBmpRGB;
    bool any_alpha = false;
    for (uint32_t y = 0; y < rows; ++y) {
      const uint8_t* row = source_row(y);
      for (uint32_t x = 0; x < width; ++x) {
        const TRGBQuad q = bitmap.ColorAt(x, y);
        const uint8_t a = alpha_byte ? row[4 * x + 3] : uint8_t{255};
        any_alpha |= a != 0;
        rgba.insert(rgba.end(), {q.Red, q.Green, q.Blue, a});
      }
    }
    if (alpha_byte && !any_alpha)
      for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    SetRGBA(Width, Height, rgba);
    return;
  }
  DataState = TImageDataState::InMemory;
}

void TFlashImage::LoadJPEGFromMemory(std::span<const uint8_t> bytes) {
  Reset();
  IsJPEG = true;
  const TMemorySource source(bytes.data(), bytes.size());
  uint16_t width = 0, height = 0;
  if (ReadJPEGSize(source, width, height)) {
    SetSize(width, height);
    if (!HasImageEnd(source)) throw FormatError("JPEG picture cut short (no end of image after the scan)");
  } else if (ConvertProgressive) {
    ConvertJPEG(bytes);
    return;
  }
  Data.assign(bytes.begin(), bytes.end());
  DataState = TImageDataState::InMemory;
}

void TFlashImage::ConvertJPEG(std::span<const uint8_t> jpeg) {
  TDecodedJPEG picture = DecodeJPEG(jpeg);
  SetSize(picture.Width, picture.Height);
  std::vector<uint8_t> baseline;
  const std::string error = EncodeJPEGInto(picture, baseline);
  if (!error.empty()) throw Error("JPEG encoder: " + error);
  Data = std::move(baseline);
  DataState = TImageDataState::ConvertedJPEG;
}

void TFlashImage::LoadPNGFromMemory(std::span<const uint8_t> bytes) {
  Reset();
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
    throw FormatError(std::string("PNG picture: ") + image.message);
  // The simplified reader frees its state on every failure; this keeps the success path clean.
  struct TRelease {
    png_image& Image;
    ~TRelease() { png_image_free(&Image); }
  } release{image};
  SetSize(image.width, image.height);
  const bool colour_mapped = (image.format & PNG_FORMAT_FLAG_COLORMAP) != 0;
  image.format = colour_mapped ? PNG_FORMAT_RGBA_COLORMAP : PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  std::vector<uint8_t> colormap(colour_mapped ? PNG_IMAGE_COLORMAP_SIZE(image) : 0);
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, colour_mapped ? colormap.data() : nullptr))
    throw FormatError(std::string("PNG picture: ") + image.message);
  if (!colour_mapped) {
    SetRGBA(Width, Height, pixels);
    return;
  }
  BitmapFormat = kImagePalette;
  RowWidth = (Width + 3) & ~3;
  PaletteSize = static_cast<int32_t>(std::clamp<png_uint_32>(image.colormap_entries, 1, 256));
  for (int32_t i = 0; i < PaletteSize; ++i) {
    const uint8_t* c = colormap.data() + 4 * i;
    palette_.push_back({c[0], c[1], c[2], c[3]});
    HasAlpha |= c[3] != 255;
  }
  for (uint8_t& index : pixels)
    if (index >= PaletteSize) index = 0;
  pixels_ = std::move(pixels);
  DataState = TImageDataState::InMemory;
}

void TFlashImage::SetRGBA(int32_t width, int32_t height, std::span<const uint8_t> rgba) {
  Reset();
  SetSize(width, height);
  if (rgba.size() != size_t(width) * size_t(height) * 4)
    throw Error(Format("RGBA pixels: %zu bytes for %dx%d pixels", rgba.size(), width, height));
  BitmapFormat = kImage32;
  RowWidth = width;
  pixels_.assign(rgba.begin(), rgba.end());
  for (size_t i = 3; i < pixels_.size() && !HasAlpha; i += 4) HasAlpha = pixels_[i] != 255;
  DataState = TImageDataState::InMemory;
}

void TFlashImage::SetTransparentIndex(int index, uint8_t alpha) {
  if (BitmapFormat != kImagePalette || DataState != TImageDataState::InMemory)
    throw Error("a transparent index needs a colour-mapped bitmap that is not yet written");
  if (index < 0 || index >= PaletteSize)
    throw Error(Format("transparent index %d outside the palette of %d colours", index, PaletteSize));
  auto& entry = palette_[static_cast<size_t>(index)];
  entry[3] = alpha;
  if (alpha == 0) entry = {0, 0, 0, 0};
  if (alpha != 255) HasAlpha = true;
}

void TFlashImage::SetConvertProgressive(bool convert) {
  ConvertProgressive = convert;
  if (!convert || !IsJPEG || DataState != TImageDataState::JPEGInFile) return;
  std::vector<uint8_t> bytes = ReadFileBytes(FileName);
  uint16_t width = 0, height = 0;
  const TMemorySource source(bytes.data(), bytes.size());
  if (ReadJPEGSize(source, width, height)) return;  // already baseline: it stays in its file
  ConvertJPEG(bytes);
}

void TFlashImage::SetAlphaData(std::span<const uint8_t> alpha) {
  if (!IsJPEG) throw Error("an alpha plane is for JPEG pictures; bitmaps carry their alpha");
  if (alpha.size() != size_t(Width) * size_t(Height))
    throw Error(Format("alpha plane of %zu bytes for a %dx%d picture", alpha.size(), Width, Height));
  AlphaData.assign(alpha.begin(), alpha.end());
}

void TFlashImage::SetAlphaFromMask(const TFlashImage& mask) {
  if (mask.Width != Width || mask.Height != Height)
    throw Error(Format("the mask is %dx%d, the picture %dx%d: an alpha plane needs the picture's size", mask.Width,
                       mask.Height, Width, Height));
  const std::vector<uint8_t> rgba = mask.DecodeRGBA();
  std::vector<uint8_t> alpha(rgba.size() / 4);
  for (size_t i = 0; i < alpha.size(); ++i) {
    const uint8_t* p = &rgba[4 * i];
    // Rec. 601 luma in integers: the weights sum to 1000.
    alpha[i] = mask.HasAlpha ? p[3] : static_cast<uint8_t>((299 * p[0] + 587 * p[1] + 114 * p[2] + 500) / 1000);
  }
  SetAlphaData(alpha);
}

std::vector<uint8_t> TFlashImage::DecodeRGBA() const {
  std::vector<uint8_t> rgba;
  if (IsJPEG) {
    const TDecodedJPEG picture = DecodeJPEG(DataState == TImageDataState::JPEGInFile ? ReadFileBytes(FileName) : Data);
    const size_t count = size_t(picture.Width) * size_t(picture.Height);
    const bool with_alpha = AlphaData.size() == count;
    rgba.reserve(count * 4);
    for (size_t i = 0; i < count; ++i)
      rgba.insert(rgba.end(), {picture.RGB[3 * i], picture.RGB[3 * i + 1], picture.RGB[3 * i + 2],
                               with_alpha ? AlphaData[i] : uint8_t{255}});
    return rgba;
  }
  if (DataState != TImageDataState::InMemory) throw Error("the bitmap's pixels are already encoded");
  if (BitmapFormat == kImage32) return pixels_;
  const size_t count = size_t(Width) * size_t(Height);
  rgba.reserve(count * 4);
  for (size_t i = 0; i < count; ++i) {
    if (BitmapFormat == kImagePalette) {
      const auto& c = palette_[pixels_[i]];
      rgba.insert(rgba.end(), c.begin(), c.end());
    } else {
      const uint32_t v = (uint32_t{pixels_[2 * i]} << 8) | pixels_[2 * i + 1];
      const auto five = [](uint32_t f) { return static_cast<uint8_t>((f << 3) | (f >> 2)); };
      rgba.insert(rgba.end(), {five((v >> 10) & 31), five((v >> 5) & 31), five(v & 31), uint8_t{255}});
    }
  }
  return rgba;
}

void TFlashImage::MakeLossless() {
  if (!IsJPEG || DataState == TImageDataState::None) return;
  const std::vector<uint8_t> rgba = DecodeRGBA();
  const std::filesystem::path file_name = FileName;
  SetRGBA(Width, Height, rgba);
  FileName = file_name;
}

void TFlashImage::EncodeLossless() {
  std::vector<uint8_t> out;
  const size_t width = size_t(Width), row_width = size_t(RowWidth);
  switch (BitmapFormat) {
    case kImagePalette:
      out.reserve(palette_.size() * 4 + row_width * size_t(Height));
      for (const auto& c : palette_) {
        if (HasAlpha) out.insert(out.end(), {Premultiply(c[0], c[3]), Premultiply(c[1], c[3]), Premultiply(c[2], c[3]), c[3]});
        else out.insert(out.end(), {c[0], c[1], c[2]});
      }
      for (int32_t y = 0; y < Height; ++y) {
        const uint8_t* row = pixels_.data() + size_t(y) * width;
        out.insert(out.end(), row, row + width);
        out.resize(out.size() + row_width - width, 0);
      }
      break;
    case kImage15:
      out.reserve(row_width * 2 * size_t(Height));
      for (int32_t y = 0; y < Height; ++y) {
        const uint8_t* row = pixels_.data() + size_t(y) * width * 2;
        out.insert(out.end(), row, row + width * 2);
        out.resize(out.size() + (row_width - width) * 2, 0);
      }
      break;
    default:
      out.reserve(pixels_.size());
      for (size_t i = 0; i < pixels_.size(); i += 4) {
        const uint8_t a = HasAlpha ? pixels_[i + 3] : uint8_t{255};
        out.insert(out.end(), {a, Premultiply(pixels_[i], a), Premultiply(pixels_[i + 1], a), Premultiply(pixels_[i + 2], a)});
      }
      break;
  }
  Data = Deflate(out);
  pixels_.clear();
  pixels_.shrink_to_fit();
  DataState = TImageDataState::Compressed;
}

uint8_t TFlashImage::MinVersion() const {
  if (IsJPEG) return AlphaData.empty() ? 2 : 3;
  return HasAlpha ? 3 : 2;
}

void TFlashImage::WriteToStream(TBitsEngine& be) {
  if (DataState == TImageDataState::None) return;  // an empty image defines nothing
  if (IsJPEG) {
    std::unique_ptr<TSWFDefineBitsJPEG2> tag;
    if (AlphaData.empty()) {
      tag = std::make_unique<TSWFDefineBitsJPEG2>();
    } else {
      auto jpeg3 = std::make_unique<TSWFDefineBitsJPEG3>();
      jpeg3->AlphaData = Deflate(AlphaData);
      tag = std::move(jpeg3);
    }
    tag->CharacterID = GetID();
    if (DataState == TImageDataState::JPEGInFile) {
      // The file is copied into the tag piece by piece rather than held in memory.
      tag->OnDataWrite = [this](TSWFDataObject&, TBitsEngine& out) {
        out.WriteBuffer(kJPEGErrorHeader);
        const TFileSource file(FileName);
        std::vector<uint8_t> chunk(64 * 1024);
        for (uint64_t pos = 0; pos < file.Size();) {
          const size_t n = file.ReadAt(pos, chunk);
          if (n == 0) throw IoError(FileName.string() + ": the JPEG file ended while it was copied");
          out.WriteBuffer(std::span<const uint8_t>(chunk.data(), n));
          pos += n;
        }
      };
      tag->WriteToStream(be);
      return;
    }
    tag->Framing = TSWFJPEGFraming::ErrorHeader;
    WriteLendingData(*tag, Data, be);
    return;
  }
  if (DataState == TImageDataState::InMemory) EncodeLossless();
  std::unique_ptr<TSWFDefineBitsLossless> tag =
      HasAlpha ? std::make_unique<TSWFDefineBitsLossless2>() : std::make_unique<TSWFDefineBitsLossless>();
  tag->CharacterID = GetID();
  tag->BitmapFormat = BitmapFormat;
  tag->BitmapWidth = static_cast<uint16_t>(Width);
  tag->BitmapHeight = static_cast<uint16_t>(Height);
  if (BitmapFormat == kImagePalette) tag->BitmapColorTableSize = static_cast<uint8_t>(PaletteSize - 1);
  WriteLendingData(*tag, Data, be);
}

TFlashImage* TFlashMovie::AddImage(const std::filesystem::path& file_name) {
  auto image = std::make_unique<TFlashImage>();
  // The owner is known while loading, for the movie's loading event; the ID is taken only
  // once the file loaded.
  image->Owner = this;
  if (!file_name.empty()) image->LoadFromFile(file_name);
  return AddImage(std::move(image));
}

TFlashImage* TFlashMovie::AddImage(std::unique_ptr<TFlashImage> image) {
  TFlashImage* raw = AddDefinition(std::move(image));
  Images.push_back(raw);
  return raw;
}

}  // namespace fc
