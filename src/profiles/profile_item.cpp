#include "profiles/profile_item.h"

#include <cmath>
#include <utility>

#include "core/text.h"

namespace fc {
namespace {

int32_t IntText(const char* text) { return ParseInt32(text).value_or(0); }

std::string ChildText(const pugi::xml_node& parent, const char* name) {
  return ChildNoCase(parent, name).text().get();
}

std::vector<TCodecChoice> CodecChoices(const std::string& text) {
  std::vector<TCodecChoice> out;
  for (std::string& entry : SplitChoiceList(text)) {
    TCodecChoice choice{std::move(entry), 0};
    choice.Code = MakeFourCC(choice.Text);
    out.push_back(std::move(choice));
  }
  return out;
}

// A choice list as written back: comma-separated, entries with blanks left as they are.
template <class T, class TextOf>
std::string JoinChoices(const std::vector<T>& list, TextOf text_of) {
  std::string out;
  for (const T& entry : list) out += (out.empty() ? "" : ",") + text_of(entry);
  return out;
}

std::string JoinChoices(const std::vector<std::string>& list) {
  return JoinChoices(list, [](const std::string& s) { return s; });
}

std::string JoinCodecs(const std::vector<TCodecChoice>& list) {
  return JoinChoices(list, [](const TCodecChoice& c) { return c.Text; });
}

pugi::xml_node ChildOrNew(pugi::xml_node parent, const char* name) {
  pugi::xml_node node = ChildNoCase(parent, name);
  return node ? node : parent.append_child(name);
}

void SetChildText(pugi::xml_node parent, const char* name, const std::string& text) {
  ChildOrNew(parent, name).text().set(text.c_str());
}

void SetAttribute(pugi::xml_node node, const char* name, const std::string& value) {
  pugi::xml_attribute a = node.attribute(name);
  if (!a) a = node.append_attribute(name);
  a.set_value(value.c_str());
}

}  // namespace

pugi::xml_node ChildNoCase(const pugi::xml_node& parent, const char* name) {
  for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
    if (child.type() == pugi::node_element && IEquals(child.name(), name)) return child;
  return {};
}

std::vector<std::string> SplitChoiceList(const std::string& text) {
  std::vector<std::string> out;
  if (Trim(text).empty()) return out;
  for (const std::string& part : Split(text, ',')) {
    size_t start = 0;
    while (start < part.size() && (part[start] == ' ' || part[start] == '\t')) ++start;
    out.push_back(part.substr(start));
  }
  return out;
}

bool ParseXmlBool(const char* text) {
  const std::string_view t = Trim(text ? text : "");
  if (IEquals(t, "true") || IEquals(t, "yes")) return true;
  return ParseInt32(t).value_or(0) != 0;
}

bool TProfileItem::NoVideo() const {
  if (Width == 0 || Height == 0 || VideoBitrate == 0) return true;
  if (VideoBitrates.size() == 1) {
    const std::string& only = VideoBitrates.front();
    return only.substr(0, only.find(' ')) == "0";
  }
  return false;
}

TProfileItem TProfileItem::FromXml(const pugi::xml_node& node) {
  TProfileItem p;
  p.Id = IntText(node.attribute("id").value());
  p.NewId = IntText(node.attribute("newid").value());
  p.Skip = ParseXmlBool(node.attribute("skip").value());
  p.CategoryId = IntText(node.attribute("categoryid").value());
  p.FourCC = MakeFourCC(node.attribute("FourCC").value());
  p.Icon = node.attribute("icon").value();
  p.Format = node.attribute("Format").value();
  p.Name = ChildText(node, "name");
  p.Description = ChildText(node, "description");
  if (p.Name.empty()) p.Name = std::exchange(p.Description, std::string());

  if (const pugi::xml_node enc = ChildNoCase(node, "EncParam")) {
    p.Interpolation = IntText(ChildText(enc, "Interpolation").c_str());
    p.ResizeStyle = IntText(ChildText(enc, "ResizeStyle").c_str());
    p.SampleRate = IntText(ChildText(enc, "SampleRate").c_str());
    p.Width = IntText(ChildText(enc, "Width").c_str());
    p.Height = IntText(ChildText(enc, "Height").c_str());
    p.AudioEncoder = MakeFourCC(ChildText(enc, "AudioEncoder"));
    p.VideoEncoder = MakeFourCC(ChildText(enc, "VideoEncoder"));
    p.Channels = IntText(ChildText(enc, "Channels").c_str());
    p.FrameRate = IntText(ChildText(enc, "FrameRate").c_str()) / kFrameRateScale;
    p.AudioBitrate = IntText(ChildText(enc, "AudioBitrate").c_str());
    p.VideoBitrate = IntText(ChildText(enc, "VideoBitrate").c_str());
    p.Formate = IntText(ChildText(enc, "Formate").c_str());
    p.Norm = IntText(ChildText(enc, "Norm").c_str());
  }
  p.Resolutions = SplitChoiceList(ChildText(node, "Resolution"));
  p.FrameRates = SplitChoiceList(ChildText(node, "FrameRate"));
  p.VideoBitrates = SplitChoiceList(ChildText(node, "VideoBitrate"));
  p.AudioBitrates = SplitChoiceList(ChildText(node, "AudioBitrate"));
  p.SampleRates = SplitChoiceList(ChildText(node, "SampleRate"));
  p.ChannelChoices = SplitChoiceList(ChildText(node, "Channel"));
  p.VideoEncoders = CodecChoices(ChildText(node, "VideoEnclist"));
  p.AudioEncoders = CodecChoices(ChildText(node, "AudioEnclist"));
  return p;
}

void TProfileItem::ToXml(pugi::xml_node node) const {
  SetAttribute(node, "id", std::to_string(Id));
  if (NewId != 0) SetAttribute(node, "newid", std::to_string(NewId));
  SetAttribute(node, "skip", Skip ? "True" : "False");
  SetAttribute(node, "icon", Icon);
  SetAttribute(node, "categoryid", std::to_string(CategoryId));
  SetAttribute(node, "FourCC", FourCCToString(FourCC));
  SetAttribute(node, "Format", Format);
  SetChildText(node, "name", Name);
  SetChildText(node, "description", Description);

  pugi::xml_node enc = ChildOrNew(node, "EncParam");
  SetChildText(enc, "Interpolation", std::to_string(Interpolation));
  SetChildText(enc, "ResizeStyle", std::to_string(ResizeStyle));
  SetChildText(enc, "SampleRate", std::to_string(SampleRate));
  SetChildText(enc, "Width", std::to_string(Width));
  SetChildText(enc, "Height", std::to_string(Height));
  SetChildText(enc, "AudioEncoder", FourCCToString(AudioEncoder));
  SetChildText(enc, "VideoEncoder", FourCCToString(VideoEncoder));
  SetChildText(enc, "Channels", std::to_string(Channels));
  SetChildText(enc, "FrameRate", std::to_string(std::lround(FrameRate * kFrameRateScale)));
  SetChildText(enc, "AudioBitrate", std::to_string(AudioBitrate));
  SetChildText(enc, "VideoBitrate", std::to_string(VideoBitrate));
  SetChildText(enc, "Formate", std::to_string(Formate));
  SetChildText(enc, "Norm", std::to_string(Norm));

  SetChildText(node, "Resolution", JoinChoices(Resolutions));
  SetChildText(node, "FrameRate", JoinChoices(FrameRates));
  SetChildText(node, "VideoBitrate", JoinChoices(VideoBitrates));
  SetChildText(node, "AudioBitrate", JoinChoices(AudioBitrates));
  SetChildText(node, "SampleRate", JoinChoices(SampleRates));
  SetChildText(node, "Channel", JoinChoices(ChannelChoices));
  SetChildText(node, "VideoEnclist", JoinCodecs(VideoEncoders));
  SetChildText(node, "AudioEnclist", JoinCodecs(AudioEncoders));
}

}  // namespace fc
