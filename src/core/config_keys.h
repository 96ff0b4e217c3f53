#pragma once
// Names, types and defaults of the settings kept in sections "System" and "Output" of the
// initialisation file. Other sections ("Profile", "SwfSet") belong to their subsystems.

#include <span>
#include <string>
#include <string_view>

namespace fc {

struct TConfig;

namespace keys {
inline constexpr const char* kSystem = "System";
inline constexpr const char* kOutput = "Output";
inline constexpr const char* kProfile = "Profile";
inline constexpr const char* kSwfSet = "SwfSet";

// Section "System".
inline constexpr const char* kDefLanguage = "DefLanguage";
inline constexpr const char* kDefSkin = "DefSkin";
inline constexpr const char* kSkinPath = "SkinPath";
inline constexpr const char* kFullName = "FullName";
inline constexpr const char* kSnapshotFormat = "SnapshotFormat";
inline constexpr const char* kSnapshotPath = "SnapshotPath";
inline constexpr const char* kIsUseUpload = "IsUseUpload";
inline constexpr const char* kUploadList = "UploadList";
inline constexpr const char* kUpdateFlag = "UpdateFlag";

// Section "Output".
inline constexpr const char* kOutputPath = "OutputPath";
inline constexpr const char* kOutPutPathList = "OutPutPathList";
inline constexpr const char* kSaveAsDefault = "SaveAsDefault";
inline constexpr const char* kRecentFormatId = "RecentFormatId";
inline constexpr const char* kRecentVideoFiles = "RecentVideoFiles";
inline constexpr const char* kRecentVideoFolder = "RecentVideoFolder";
inline constexpr const char* kRecentDVDFolder = "RecentDVDFolder";
inline constexpr const char* kRecentIFOFolder = "RecentIFOFolder";
inline constexpr const char* kRecentISOFolder = "RecentISOFolder";
inline constexpr const char* kRecentAudioFiles = "RecentAudioFiles";
inline constexpr const char* kRecentSwfPicFiles = "RecentSwfPicFiles";
// The custom profile, stored in "Output".
inline constexpr const char* kFormatId = "FormatId";
inline constexpr const char* kVideoFourCC = "VideoFourCC";
inline constexpr const char* kVideoBitrate = "VideoBitrate";
inline constexpr const char* kVideoFrameRate = "VideoFrameRate";
inline constexpr const char* kVideoWidth = "VideoWidth";
inline constexpr const char* kVideoHeight = "VideoHeight";
inline constexpr const char* kAudioFourCC = "AudioFourCC";
inline constexpr const char* kAudioBitrate = "AudioBitrate";
inline constexpr const char* kAudioSampleRate = "AudioSampleRate";
inline constexpr const char* kChannels = "Channels";

// Section "Profile".
inline constexpr const char* kRecent = "Recent";
}  // namespace keys

enum class TSettingType { String, Integer, Bool, Float };

struct TSettingKey {
  const char* Section;
  const char* Key;
  TSettingType Type;
  const char* DefaultValue;  // nullptr: computed from other settings, see SettingDefault
  const char* Meaning;
};

// Every known key of sections "System", "Output" and "Profile", in file order.
std::span<const TSettingKey> KnownSettings();
// The entry for section and key (ignoring case), or nullptr.
const TSettingKey* FindSetting(std::string_view section, std::string_view key);
// The default text of a key; computed ones (OutputPath, SnapshotPath) ask the folders.
std::string SettingDefault(const TSettingKey& key, const TConfig& config);
// The same for a known key by name; "" for an unknown one.
std::string SettingDefault(std::string_view section, std::string_view key, const TConfig& config);
std::string_view SettingTypeName(TSettingType type);

}  // namespace fc
