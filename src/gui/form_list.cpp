#include "gui/form_list.h"

#include <QWidget>

#include "core/error.h"
#include "gui/customize_form.h"
#include "gui/dvd_load_form.h"
#include "gui/main_window.h"
#include "gui/options_form.h"
#include "gui/profile_pane.h"
#include "gui/progress_form.h"
#include "gui/video_edit_form.h"
#include "profiles/profile_catalogue.h"
#include "gui/translate.h"
#include "gui/video_clip_form.h"

namespace fc::gui {
namespace {

// The pane on its own, over an empty catalogue: its own texts are what translators need.
struct TCatalogueHolder {
  TProfileCatalogue Catalogue;
};
struct TStandalonePane : TCatalogueHolder, TProfilePane {
  explicit TStandalonePane(const TConfig& config) : TProfilePane(Catalogue, config) {}
};

// The dialogs over an empty task and an empty DVD list.
struct TTaskHolder {
  TMediaTaskMgr Manager;
  TMediaBaseTask Task{&Manager.Tasks()};
};
struct TStandaloneClipForm : TTaskHolder, TVideoClipForm {
  explicit TStandaloneClipForm(const TFormContext& c) : TVideoClipForm(c, Task, 0) {}
};
struct TLoaderHolder {
  TDvdLoaderModel EmptyLoader;
};
struct TStandaloneDvdForm : TLoaderHolder, TDVDLoadForm {
  explicit TStandaloneDvdForm(const TFormContext& c) : TDVDLoadForm(c, EmptyLoader) {}
};

}  // namespace

std::span<const TFormFactory> FormFactories() {
  static const TFormFactory kForms[] = {
      {"MainForm", [](const TFormContext& c) { return std::make_unique<TMainForm>(c); }},
      {"ProfilePane", [](const TFormContext& c) { return std::make_unique<TStandalonePane>(c.Config); }},
      {"FileInfoForm", [](const TFormContext&) { return std::make_unique<TFileInfoForm>(TFileInformation{}); }},
      {"AboutForm", [](const TFormContext& c) { return std::make_unique<TAboutForm>(c.Config); }},
      {"OptionsForm",
       [](const TFormContext& c) { return std::make_unique<TOptionsForm>(c.Config, c.Prompts, c.Desktop); }},
      {"ConvertingForm", [](const TFormContext&) { return MakeProgressFormSkeleton(); }},
      {"ConvertQueryForm", [](const TFormContext&) { return std::make_unique<TConvertQueryForm>(); }},
      {"ShutDownForm", [](const TFormContext&) { return MakeShutDownFormSkeleton(); }},
      {"VideoEditForm", [](const TFormContext& c) { return std::make_unique<TVideoEditForm>(c, nullptr); }},
      {"VideoClipForm", [](const TFormContext& c) { return std::make_unique<TStandaloneClipForm>(c); }},
      {"DVDLoadForm", [](const TFormContext& c) { return std::make_unique<TStandaloneDvdForm>(c); }},
      {"CustomizeForm",
       [](const TFormContext& c) {
         return std::make_unique<TCustomizeForm>(c, nullptr, TSwfFeature(), TCustomProfileSettings());
       }},
  };
  return kForms;
}

void MakeLanguageResource(pugi::xml_document& doc, const TFormContext& context, bool only_translatable) {
  doc.reset();
  pugi::xml_node decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version").set_value("1.0");
  decl.append_attribute("encoding").set_value("utf-8");
  pugi::xml_node forms = doc.append_child("LanguageResource").append_child("Forms");
  for (const TFormFactory& factory : FormFactories()) {
    const std::unique_ptr<QWidget> form = factory.Create(context);
    WriteFormElement(form.get(), forms, only_translatable);
  }
}

void SaveLanguageResource(const std::string& file_name, const TFormContext& context, bool only_translatable) {
  pugi::xml_document doc;
  MakeLanguageResource(doc, context, only_translatable);
  if (!doc.save_file(file_name.c_str(), "  ", pugi::format_default, pugi::encoding_utf8))
    throw IoError("Unable to write to " + file_name);
}

}  // namespace fc::gui
