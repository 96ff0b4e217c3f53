#include "movie/flash_image.h"

namespace fc {

TFlashImage::TFlashImage() = default;
TFlashImage::~TFlashImage() = default;
void SetCustomImageLoader(TImageLoader) {}
void TFlashImage::LoadFromFile(const std::filesystem::path&) {}
void TFlashImage::LoadBitmapFromStream(std::span<const uint8_t>) {}
void TFlashImage::LoadJPEGFromMemory(std::span<const uint8_t>) {}
void TFlashImage::LoadPNGFromMemory(std::span<const uint8_t>) {}
void TFlashImage::SetRGBA(int32_t, int32_t, std::span<const uint8_t>) {}
void TFlashImage::SetTransparentIndex(int, uint8_t) {}
void TFlashImage::SetConvertProgressive(bool convert) { ConvertProgressive = convert; }
void TFlashImage::SetAlphaData(std::span<const uint8_t>) {}
void TFlashImage::MakeLossless() {}
uint8_t TFlashImage::MinVersion() const { return HasAlpha ? 3 : 2; }
void TFlashImage::WriteToStream(TBitsEngine&) {}
std::unique_ptr<TSWFDataObject> TFlashImage::MakeTag() { return nullptr; }

}  // namespace fc

namespace fc {
TFlashImage* TFlashMovie::AddImage(const std::filesystem::path&) { return nullptr; }
}  // namespace fc
