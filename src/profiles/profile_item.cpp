#include "profiles/profile_item.h"

#include <cmath>
#include <type_traits>
#include <utility>
#include <variant>

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


// The <EncParam> children in the order a new profile lists them. Reading and writing go
// through this one table, so a parameter is never read without being written back.
struct TEncParamField {
  const char* Name;
  std::variant<int32_t TProfileItem::*, TFourCC TProfileItem::*, double TProfileItem::*> Field;
};
const TEncParamField kEncParamFields[] = {
    {"Interpolation", &TProfileItem::Interpolation}, {"ResizeStyle", &TProfileItem::ResizeStyle},
    {"SampleRate", &TProfileItem::SampleRate},       {"Width", &TProfileItem::Width},
    {"Height", &TProfileItem::Height},               {"AudioEncoder", &TProfileItem::AudioEncoder},
    {"VideoEncoder", &TProfileItem::VideoEncoder},   {"Channels", &TProfileItem::Channels},
    {"FrameRate", &TProfileItem::FrameRate},         {"AudioBitrate", &TProfileItem::AudioBitrate},
    {"VideoBitrate", &TProfileItem::VideoBitrate},   {"Formate", &TProfileItem::Formate},
    {"Norm", &TProfileItem::Norm},
};

// The lists of choices the profile offers, each a comma-separated child of the profile.
struct TChoiceListField {
  const char* Name;
  std::vector<std::string> TProfileItem::*Field;
};
const TChoiceListField kChoiceLists[] = {
    {"Resolution", &TProfileItem::Resolutions},     {"FrameRate", &TProfileItem::FrameRates},
    {"VideoBitrate", &TProfileItem::VideoBitrates}, {"AudioBitrate", &TProfileItem::AudioBitrates},
    {"SampleRate", &TProfileItem::SampleRates},     {"Channel", &TProfileItem::ChannelChoices},
};
struct TCodecListField {
  const char* Name;
  std::vector<TCodecChoice> TProfileItem::*Field;
};
const TCodecListField kCodecLists[] = {
    {"VideoEnclist", &TProfileItem::VideoEncoders},
    {"AudioEnclist", &TProfileItem::AudioEncoders},
};

// Frame rates are stored in thousandths, codecs as their FourCC text.
void ReadEncParam(TProfileItem& p, const TEncParamField& f, const std::string& text) {
  std::visit(
      [&](auto member) {
        using TValue = std::remove_reference_t<decltype(p.*member)>;
        if constexpr (std::is_same_v<TValue, double>)
          p.*member = IntText(text.c_str()) / kFrameRateScale;
        else if constexpr (std::is_same_v<TValue, TFourCC>)
          p.*member = MakeFourCC(text);
        else
          p.*member = IntText(text.c_str());
      },
      f.Field);
}

std::string EncParamText(const TProfileItem& p, const TEncParamField& f) {
  return std::visit(
      [&](auto member) -> std::string {
        using TValue = std::remove_cvref_t<decltype(p.*member)>;
        if constexpr (std::is_same_v<TValue, double>)
          return std::to_string(std::lround(p.*member * kFrameRateScale));
        else if constexpr (std::is_same_v<TValue, TFourCC>)
          return FourCCToString(p.*member);
        else
          return std::to_string(p.*member);
      },
      f.Field);
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

  if (const pugi::xml_node enc = ChildNoCase(node, "EncParam"))
    for (const TEncParamField& f : kEncParamFields) ReadEncParam(p, f, ChildText(enc, f.Name));
  for (const TChoiceListField& f : kChoiceLists) p.*f.Field = SplitChoiceList(ChildText(node, f.Name));
  for (const TCodecListField& f : kCodecLists) p.*f.Field = CodecChoices(ChildText(node, f.Name));
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
  for (const TEncParamField& f : kEncParamFields) SetChildText(enc, f.Name, EncParamText(*this, f));
  for (const TChoiceListField& f : kChoiceLists) SetChildText(node, f.Name, JoinChoices(this->*f.Field));
  for (const TCodecListField& f : kCodecLists) SetChildText(node, f.Name, JoinCodecs(this->*f.Field));
}

}  // namespace fc
