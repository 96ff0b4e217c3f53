#include "core/config_keys.h"

#include <array>

#include "core/paths.h"
#include "core/text.h"
#include "core/version.h"

namespace fc {
namespace {

using enum SettingType;

const std::array kSettings = {
    SettingKey{keys::kSystem, keys::kDefLanguage, String, "", "identifier of the interface language"},
    SettingKey{keys::kSystem, keys::kDefSkin, String, "Default", "skin folder name"},
    SettingKey{keys::kSystem, keys::kSkinPath, String, "Skin", "folder of the skins, relative to the program folder"},
    SettingKey{keys::kSystem, keys::kFullName, String, kProductName, "window title, per-user folder and log name"},
    SettingKey{keys::kSystem, keys::kSnapshotFormat, String, "jpg", "format of preview snapshots: jpg or bmp"},
    SettingKey{keys::kSystem, keys::kSnapshotPath, String, nullptr, "folder of preview snapshots"},
    SettingKey{keys::kSystem, keys::kIsUseUpload, Bool, "1", "open a chosen web page when a conversion completes"},
    SettingKey{keys::kSystem, keys::kUploadList, String, "", "web pages offered after a conversion"},
    SettingKey{keys::kSystem, keys::kUpdateFlag, Bool, "0", "enables the update checker"},
    SettingKey{keys::kOutput, keys::kOutputPath, String, nullptr, "current output folder"},
    SettingKey{keys::kOutput, keys::kOutPutPathList, String, "", "recent output folders, each preceded by |"},
    SettingKey{keys::kOutput, keys::kSaveAsDefault, Bool, "0", "remember the profile and the Flash settings"},
    SettingKey{keys::kOutput, keys::kRecentFormatId, Integer, "0", "profile selected when SaveAsDefault is set"},
    SettingKey{keys::kOutput, keys::kRecentVideoFiles, String, "", "last folder of the video file chooser"},
    SettingKey{keys::kOutput, keys::kRecentVideoFolder, String, "", "last folder of the video folder chooser"},
    SettingKey{keys::kOutput, keys::kRecentDVDFolder, String, "", "last DVD folder"},
    SettingKey{keys::kOutput, keys::kRecentIFOFolder, String, "", "last folder of the IFO file chooser"},
    SettingKey{keys::kOutput, keys::kRecentISOFolder, String, "", "last folder of the ISO file chooser"},
    SettingKey{keys::kOutput, keys::kRecentAudioFiles, String, "", "last folder of the audio file chooser"},
    SettingKey{keys::kOutput, keys::kRecentSwfPicFiles, String, "", "last folder of the picture chooser"},
    SettingKey{keys::kOutput, keys::kFormatId, Integer, "0", "custom profile: format"},
    SettingKey{keys::kOutput, keys::kVideoFourCC, Integer, "0", "custom profile: video codec"},
    SettingKey{keys::kOutput, keys::kVideoBitrate, Integer, "0", "custom profile: video bit rate"},
    SettingKey{keys::kOutput, keys::kVideoFrameRate, Float, "0", "custom profile: frame rate"},
    SettingKey{keys::kOutput, keys::kVideoWidth, Integer, "0", "custom profile: width"},
    SettingKey{keys::kOutput, keys::kVideoHeight, Integer, "0", "custom profile: height"},
    SettingKey{keys::kOutput, keys::kAudioFourCC, Integer, "0", "custom profile: audio codec"},
    SettingKey{keys::kOutput, keys::kAudioBitrate, Integer, "0", "custom profile: audio bit rate"},
    SettingKey{keys::kOutput, keys::kAudioSampleRate, Integer, "0", "custom profile: sample rate"},
    SettingKey{keys::kOutput, keys::kChannels, Integer, "0", "custom profile: channels"},
    SettingKey{keys::kProfile, keys::kRecent, String, "", "recently used profiles"},
};

}  // namespace

std::span<const SettingKey> KnownSettings() { return kSettings; }

const SettingKey* FindSetting(std::string_view section, std::string_view key) {
  for (const auto& k : kSettings)
    if (IEquals(k.section, section) && IEquals(k.key, key)) return &k;
  return nullptr;
}

std::string SettingDefault(const SettingKey& key, const TConfig& config) {
  if (key.default_value) return key.default_value;
  if (IEquals(key.key, keys::kOutputPath)) return DefaultOutputFolder(config);
  if (IEquals(key.key, keys::kSnapshotPath)) return DefaultSnapshotFolder(config);
  return {};
}

std::string_view SettingTypeName(SettingType type) {
  switch (type) {
    case String: return "string";
    case Integer: return "integer";
    case Bool: return "bool";
    case Float: return "float";
  }
  return "string";
}

}  // namespace fc
