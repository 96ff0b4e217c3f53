// flarecast-cli profiles ...: the output profiles beside the program and the user's own.

#include <ostream>

#include "cli/command.h"
#include "cli/output_text.h"
#include "core/error.h"
#include "core/language.h"
#include "core/paths.h"
#include "core/text.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_choices.h"

namespace fc::cli {
namespace {

TProfileCatalogue LoadCatalogue(const TArgs& args) {
  TLanguageMgr& languages = TLanguageMgr::Instance();
  if (const auto id = args.get("--lang"))
    if (!languages.SelectLanguage(*id)) throw Error("No language with the identifier " + *id);
  TProfileCatalogue catalogue;
  catalogue.LoadCatalogue(ProgramFolder(), languages.Current());
  return catalogue;
}

std::string Summary(const TProfileItem& p) {
  if (p.NoVideo())
    return Format("%s  %s %d Hz %d ch %d kbps", FourCCToString(p.FourCC).c_str(),
                  FourCCToString(p.AudioEncoder).c_str(), p.SampleRate, p.Channels, p.AudioBitrate / 1000);
  return Format("%s  %s %dx%d %s %d kbps + %s %d Hz %d ch %d kbps", FourCCToString(p.FourCC).c_str(),
                FourCCToString(p.VideoEncoder).c_str(), p.Width, p.Height, FrameRateCaption(p.FrameRate).c_str(),
                p.VideoBitrate / 1000, FourCCToString(p.AudioEncoder).c_str(), p.SampleRate, p.Channels,
                p.AudioBitrate / 1000);
}

TJson ProfileJson(const TProfileItem& p, const std::string& category) {
  const bool video = !p.NoVideo();
  return {{"id", p.EffectiveId()},
          {"name", p.Name},
          {"category", category},
          {"user", p.IsUser},
          {"container", Trim(FourCCToString(p.FourCC))},
          {"video_codec", video ? Trim(FourCCToString(p.VideoEncoder)) : ""},
          {"width", video ? p.Width : 0},
          {"height", video ? p.Height : 0},
          {"frame_rate", video ? p.FrameRate : 0},
          {"video_bitrate", video ? p.VideoBitrate : 0},
          {"audio_codec", Trim(FourCCToString(p.AudioEncoder))},
          {"sample_rate", p.SampleRate},
          {"channels", p.Channels},
          {"audio_bitrate", p.AudioBitrate}};
}

int ProfilesList(const TArgs& args, std::ostream& out) {
  TProfileCatalogue catalogue = LoadCatalogue(args);
  if (args.Has("--json")) {
    // One line per profile, in category order.
    for (size_t i = 0; i < catalogue.CategoryCount(); ++i) {
      TProfileCategory& category = catalogue.Category(i);
      if (category.Type == TProfileCategoryType::All || category.Type == TProfileCategoryType::Recent) continue;
      for (const TProfileItem* p : catalogue.CategoryItems(category).Items())
        out << JsonLine(ProfileJson(*p, category.Title));
    }
    return 0;
  }
  for (size_t i = 0; i < catalogue.CategoryCount(); ++i) {
    TProfileCategory& category = catalogue.Category(i);
    if (category.Type == TProfileCategoryType::All || category.Type == TProfileCategoryType::Recent) continue;
    const TProfileItemList& items = catalogue.CategoryItems(category);
    out << category.Title << "\n";
    if (items.Count() == 0) out << "  (none)\n";
    for (const TProfileItem* p : items.Items())
      out << Format("  %5d  %-44s %s\n", p->EffectiveId(), p->Name.c_str(), Summary(*p).c_str());
  }
  return 0;
}

int ProfilesShow(const TArgs& args, std::ostream& out) {
  TProfileCatalogue catalogue = LoadCatalogue(args);
  const auto id = ParseInt32(args.At(0));
  const TProfileItem* p = id ? catalogue.FindProfile(*id) : nullptr;
  if (!p) throw Error("No profile with the identifier " + args.At(0));
  const auto join = [](const std::vector<std::string>& v) {
    std::string s;
    for (const auto& x : v) s += (s.empty() ? "" : ", ") + x;
    return s;
  };
  out << "Id:            " << p->EffectiveId() << (p->IsUser ? " (user profile of " + std::to_string(p->Id) + ")" : "")
      << "\nName:          " << p->Name << "\nDescription:   " << p->Description
      << "\nContainer:     " << FourCCToString(p->FourCC) << "\n";
  if (!p->NoVideo())
    out << "Video:         " << FourCCToString(p->VideoEncoder) << " " << p->Width << "x" << p->Height << " "
        << FrameRateCaption(p->FrameRate) << " " << p->VideoBitrate << " bit/s\n";
  else
    out << "Video:         none\n";
  out << "Audio:         " << FourCCToString(p->AudioEncoder) << " " << p->SampleRate << " Hz " << p->Channels
      << " channel(s) " << p->AudioBitrate << " bit/s\n"
      << "Sizes:         " << join(p->Resolutions) << "\nFrame rates:   " << join(p->FrameRates)
      << "\nVideo rates:   " << join(p->VideoBitrates) << "\nAudio rates:   " << join(p->AudioBitrates)
      << "\nSample rates:  " << join(p->SampleRates) << "\nChannels:      " << join(p->ChannelChoices) << "\n";
  return 0;
}

}  // namespace

void RegisterProfileCommands(TCommandTable& table) {
  const TOptionSpec lang{"--lang", "ID", "show the names of this interface language"};
  table.Add({.Name = "profiles list",
             .Summary = "list the output profiles by category, with their encoder values",
             .Options = {lang, {"--json", "", "one JSON object per line for each profile"}},
             .Run = ProfilesList});
  table.Add({.Name = "profiles show",
             .Args = "ID",
             .Summary = "show one output profile with the choices it offers",
             .Options = {lang},
             .MinPositional = 1,
             .MaxPositional = 1,
             .Run = ProfilesShow});
}

}  // namespace fc::cli
