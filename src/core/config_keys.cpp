#include "core/config_keys.h"

#include <array>

#include "core/paths.h"
#include "core/text.h"
#include "core/version.h"

namespace fc {
namespace {

using enum TSettingType;

const std::array kSettings = {
    TSettingKey{keys::kSystem, keys::kDefLanguage, String, "", "identifier of the interface language"},
    TSettingKey{keys::kSystem, keys::kDefSkin, String, "Default", "skin folder name"},
    TSettingKey{keys::kSystem, keys::kSkinPath, String, "Skin", "folder of the skins, relative to the program folder"},
    TSettingKey{keys::kSystem, keys::kFullName, String, kProductName, "window title, per-user folder and log name"},
    TSettingKey{keys::kSystem, keys::kSnapshotFormat, String, "jpg", "format of preview snapshots: jpg or bmp"},
    TSettingKey{keys::kSystem, keys::kSnapshotPath, String, nullptr, "folder of preview snapshots"},
    TSettingKey{keys::kSystem, keys::kIsUseUpload, Bool, "1", "open a chosen web page when a conversion completes"},
    TSettingKey{keys::kSystem, keys::kUploadList, String, "", "web pages offered after a conversion"},
    TSettingKey{keys::kSystem, keys::kUpdateFlag, Bool, "0", "enables the update checker"},
    TSettingKey{keys::kOutput, keys::kOutputPath, String, nullptr, "current output folder"},
    TSettingKey{keys::kOutput, keys::kOutPutPathList, String, "", "recent output folders, each preceded by |"},
    TSettingKey{keys::kOutput, keys::kSaveAsDefault, Bool, "0", "remember the profile and the Flash settings"},
    TSettingKey{keys::kOutput, keys::kRecentFormatId, Integer, "0", "profile selected when SaveAsDefault is set"},
    TSettingKey{keys::kOutput, keys::kRecentVideoFiles, String, "", "last folder of the video file chooser"},
    TSettingKey{keys::kOutput, keys::kRecentVideoFolder, String, "", "last folder of the video folder chooser"},
    TSettingKey{keys::kOutput, keys::kRecentDVDFolder, String, "", "last DVD folder"},
    TSettingKey{keys::kOutput, keys::kRecentIFOFolder, String, "", "last folder of the IFO file chooser"},
    TSettingKey{keys::kOutput, keys::kRecentISOFolder, String, "", "last folder of the ISO file chooser"},
    TSettingKey{keys::kOutput, keys::kRecentAudioFiles, String, "", "last folder of the audio file chooser"},
    TSettingKey{keys::kOutput, keys::kRecentSwfPicFiles, String, "", "last folder of the picture chooser"},
    TSettingKey{keys::kOutput, keys::kFormatId, Integer, "0", "custom profile: format"},
    TSettingKey{keys::kOutput, keys::kVideoFourCC, Integer, "0", "custom profile: video codec"},
    TSettingKey{keys::kOutput, keys::kVideoBitrate, Integer, "0", "custom profile: video bit rate"},
    TSettingKey{keys::kOutput, keys::kVideoFrameRate, Float, "0", "custom profile: frame rate"},
    TSettingKey{keys::kOutput, keys::kVideoWidth, Integer, "0", "custom profile: width"},
    TSettingKey{keys::kOutput, keys::kVideoHeight, Integer, "0", "custom profile: height"},
    TSettingKey{keys::kOutput, keys::kAudioFourCC, Integer, "0", "custom profile: audio codec"},
    TSettingKey{keys::kOutput, keys::kAudioBitrate, Integer, "0", "custom profile: audio bit rate"},
    TSettingKey{keys::kOutput, keys::kAudioSampleRate, Integer, "0", "custom profile: sample rate"},
    TSettingKey{keys::kOutput, keys::kChannels, Integer, "0", "custom profile: channels"},
    TSettingKey{keys::kProfile, keys::kRecent, String, "", "recently used profiles"},
};

}  // namespace

std::span<const TSettingKey> KnownSettings() { return kSettings; }

const TSettingKey* FindSetting(std::string_view section, std::string_view key) {
  for (const auto& k : kSettings)
    if (IEquals(k.Section, section) && IEquals(k.Key, key)) return &k;
  return nullptr;
}

std::string SettingDefault(const TSettingKey& key, const TConfig& config) {
  if (key.DefaultValue) return key.DefaultValue;
  if (IEquals(key.Key, keys::kOutputPath)) return DefaultOutputFolder(config);
  if (IEquals(key.Key, keys::kSnapshotPath)) return DefaultSnapshotFolder(config);
  return {};
}

std::string SettingDefault(std::string_view section, std::string_view key, const TConfig& config) {
  const TSettingKey* entry = FindSetting(section, key);
  return entry ? SettingDefault(*entry, config) : std::string();
}

std::string_view SettingTypeName(TSettingType type) {
  switch (type) {
    case String: return "string";
    case Integer: return "integer";
    case Bool: return "bool";
    case Float: return "float";
  }
  return "string";
}

}  // namespace fc
