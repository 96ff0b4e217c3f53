#pragma once
// The Customize wizard: three pages for one task. Profile: the output profile's values and
// the sound (kept, left out or replaced by another file, with a small player to choose its
// part). Generate: which files are made and how the movie finds its video, and the links.
// SWF template: skin, effect, preloader, colours, the title screens and the credit, with the
// player movie playing live as the settings change. The rules and checks are the model's
// (customize_model.h, credit_overlay.h); the window shows them and forwards its controls.
//
// The dialog edits copies: the main window gives it the task's Flash settings and custom
// profile, and takes both back when it ends with OK.

#include <QDialog>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "flash/swf_feature.h"
#include "gui/flash_preview.h"
#include "gui/font_dialog.h"
#include "gui/form_list.h"
#include "gui/model/customize_model.h"
#include "tasks/media_task.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class QTimer;
class QGroupBox;

namespace fc {
class TAudioOutput;
class TMediaPlayer;
class TProfileCatalogue;
struct TProfileItem;
}  // namespace fc

namespace fc::gui {

class TColorButton;
class TCreditOverlay;
class TMarkTrackBar;
class TProfilePane;

class TCustomizeForm : public QDialog {
  Q_OBJECT

public:
  // The major version of the Flash Player the pages are played with (Ruffle reports 32).
  static constexpr int32_t kFlashPlayerMajorVersion = 32;

  // Without a catalogue the dialog only has its controls (the language file skeleton).
  // `sound` (may be null: the audio player is silent) outlives the dialog.
  TCustomizeForm(const TFormContext& context, TProfileCatalogue* catalogue, const TSwfFeature& feature,
                 const TCustomProfileSettings& custom, QWidget* parent = nullptr, TAudioOutput* sound = nullptr);
  ~TCustomizeForm() override;

  const TSwfFeature& SwfFeature() const { return feature_; }
  const TCustomProfileSettings& CustomProfile() const { return custom_; }
  bool SaveAsDefault() const;
  void SetSaveAsDefault(bool on);
  // Save As or Delete changed the user's profiles.
  bool ProfilesChanged() const { return profiles_changed_; }
  // The profile chosen on the first page (its effective identifier).
  int32_t ChosenProfileId() const;

  TCustomizePage Page() const { return page_; }
  void Next();
  void Back();
  // Builds the preview movie for the settings shown and plays it (only on the template page).
  void RefreshPreview();
  // The preview movie last built ("" before the first, or when it failed).
  const std::string& PreviewMovie() const { return preview_movie_; }
  // The live player; null where the web view is not available (then a still stands in).
  TFlashPreview* Preview() const { return preview_; }
  // What the credit lies on, and the credit's overlays once shown.
  QWidget* PlayerArea() const { return player_area_; }
  TCreditOverlay* CreditOverlay() const { return overlay_.get(); }
  TMediaPlayer* AudioPlayer() const { return audio_player_.get(); }
  void SetFontChooser(TFontChooser chooser) { font_chooser_ = std::move(chooser); }

  void accept() override;  // OK: the checks, then the settings are stored
  void done(int result) override;

protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  // A title screen's controls (the "Head" and "Tail" tabs).
  struct TTitleControls {
    QCheckBox* Enabled = nullptr;
    QGroupBox* Group = nullptr;
    QComboBox* Transition = nullptr;
    TColorButton* BGColor = nullptr;
    QSpinBox* Duration = nullptr;
    QPlainTextEdit* Content = nullptr;
    QLineEdit* Image = nullptr;
    QPushButton* Font = nullptr;
    TMediaTaskFont FontChoice;
  };

  QWidget* BuildProfilePage();
  QWidget* BuildAudioGroup();
  QWidget* BuildGeneratePage();
  QWidget* BuildTemplatePage();
  QWidget* BuildPlayerTab();
  QWidget* BuildDecorateTab();
  QWidget* BuildTitleTab(const char* prefix, TTitleControls& title);
  QListWidget* BuildPictureList(const char* name, const char* folder, const char* extension);

  // --- page 1 ---
  void FillProfileBox();
  void ProfileBoxChosen(int index);
  // The values of a profile (or of the custom profile over it) into the controls.
  void LoadProfile(const TProfileItem& profile, const TCustomProfileSettings* custom);
  const TProfileItem* ChosenProfile() const;
  TProfilePageValues ProfileValues() const;
  void WidthChanged(int value);
  void HeightChanged(int value);
  void SaveProfileAs();
  void DeleteProfile();
  void ShowAudioEnables();
  void ChooseReplacementAudio();
  void OpenReplacementAudio();
  void ShowAudioPosition();
  void StopAudio();

  // --- page 2 ---
  void LoadGeneratePage();
  void ShowGenerateChoices();
  // The pages' controls into the dialog's copy of the settings.
  void StoreGeneratePage();
  TLinkFields LinkFields() const;

  // --- page 3 ---
  void LoadTemplatePage();
  void StoreTemplatePage();
  // The credit is placed in the output frame the first page sets.
  void TakeFrameSize();
  void LoadTitle(const TDTextEffect& effect, TTitleControls& title);
  void StoreTitle(const TTitleControls& title, TDTextEffect& effect) const;
  void ShowTitleEnables();
  void ChooseTitleFont(TTitleControls& title);
  void ChooseTitlePicture(TTitleControls& title);
  // The credit's group, overlays and link for the chosen kind.
  void RefreshWaterMaskState();
  void CreditKindChosen();
  void ChooseCreditFont();
  void ChooseCreditPicture();
  // A picture from the chooser that loads; "" when cancelled or unreadable (then said so).
  std::string ChoosePicture();
  // A change on the template page: at once, or after 500 ms of quiet (typing, spinning).
  void TemplateChanged();
  void TemplateTyped();

  void GoToPage(TCustomizePage page);
  // The live player runs where the web view can (its URL scheme was registered at start-up).
  bool FlashPreviewWanted() const;
  void ShowPage();
  // Shows a failed check's messages and puts the user on its page and field.
  void ShowCheck(const TCustomizeCheck& check);
  void ShowMessageKey(const std::string& key);

  TFormContext context_;
  TProfileCatalogue* catalogue_;
  TSwfFeature feature_;
  TCustomProfileSettings custom_;
  TAudioOutput* sound_;
  TFontChooser font_chooser_;
  QString caption_;  // the window's caption in the current language, before the step
  TCustomizePage page_ = TCustomizePage::Profile;
  bool loading_ = false;  // controls are being filled: their change handlers do nothing
  bool opened_ = false;
  bool profiles_changed_ = false;
  std::optional<TGeneratePage> generate_;
  TProportionalSize proportional_;
  std::string preview_movie_;
  std::string credit_text_url_, credit_image_url_;  // the link of the credit kind not shown
  std::unique_ptr<TMediaPlayer> audio_player_;
  std::unique_ptr<TCreditOverlay> overlay_;

  QStackedWidget* pages_ = nullptr;
  QPushButton* back_ = nullptr;
  QPushButton* next_ = nullptr;
  QPushButton* ok_ = nullptr;
  QCheckBox* save_default_ = nullptr;
  QTimer* preview_timer_ = nullptr;
  QTimer* audio_timer_ = nullptr;

  // Page 1.
  QComboBox* profile_box_ = nullptr;
  TProfilePane* pane_ = nullptr;
  QSpinBox* width_ = nullptr;
  QSpinBox* height_ = nullptr;
  QCheckBox* proportional_box_ = nullptr;
  QComboBox* video_codec_ = nullptr;
  QComboBox* frame_rate_ = nullptr;
  QComboBox* video_rate_ = nullptr;
  QComboBox* audio_codec_ = nullptr;
  QComboBox* sample_rate_ = nullptr;
  QComboBox* audio_rate_ = nullptr;
  QComboBox* channels_ = nullptr;
  QGroupBox* video_group_ = nullptr;
  QCheckBox* audio_enabled_ = nullptr;
  QLineEdit* replace_audio_ = nullptr;
  QCheckBox* replace_loop_ = nullptr;
  QPushButton* audio_clear_ = nullptr;
  TMarkTrackBar* audio_track_ = nullptr;
  QPushButton* audio_play_ = nullptr;
  QPushButton* audio_section_ = nullptr;
  QPushButton* audio_stop_ = nullptr;
  QPushButton* clip_start_ = nullptr;
  QPushButton* clip_end_ = nullptr;
  QPushButton* audio_time_ = nullptr;
  QPushButton* delete_ = nullptr;
  double audio_length_ = 0;

  // Page 2.
  QCheckBox* gen_flv_ = nullptr;
  QCheckBox* gen_swf_ = nullptr;
  QRadioButton* type_embed_ = nullptr;
  QRadioButton* type_external_ = nullptr;
  QRadioButton* type_url_ = nullptr;
  QLineEdit* url_var_ = nullptr;
  QCheckBox* gen_html_ = nullptr;
  QCheckBox* gen_thumbnail_ = nullptr;
  QCheckBox* auto_play_ = nullptr;
  QCheckBox* auto_rewind_ = nullptr;
  QCheckBox* click_ = nullptr;
  QLineEdit* click_url_ = nullptr;
  QComboBox* click_target_ = nullptr;
  QCheckBox* end_ = nullptr;
  QLineEdit* end_url_ = nullptr;
  QComboBox* end_target_ = nullptr;

  // Page 3.
  TColorButton* back_color_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QCheckBox* use_skin_ = nullptr;
  QListWidget* skins_ = nullptr;
  QGroupBox* skin_group_ = nullptr;
  QSpinBox* hide_delay_ = nullptr;
  TColorButton* skin_color_ = nullptr;
  QSpinBox* saturation_ = nullptr;
  QCheckBox* auto_hide_skin_ = nullptr;
  QCheckBox* auto_hide_mouse_ = nullptr;
  QListWidget* effects_ = nullptr;
  QListWidget* preloaders_ = nullptr;
  QCheckBox* decorate_ = nullptr;
  QGroupBox* credit_group_ = nullptr;
  QRadioButton* credit_text_ = nullptr;
  QRadioButton* credit_image_ = nullptr;
  QLineEdit* credit_text_edit_ = nullptr;
  QLineEdit* credit_image_edit_ = nullptr;
  QLineEdit* credit_url_ = nullptr;
  TTitleControls head_, tail_;
  QWidget* player_area_ = nullptr;
  QPointer<TFlashPreview> preview_;
};

// The dialog's result for the main window.
struct TCustomizeOutcome {
  bool Accepted = false;
  bool SaveAsDefault = false;
  bool ProfilesChanged = false;
  int32_t ProfileId = 0;
  TSwfFeature Flash;
  TCustomProfileSettings Custom;
};

// Runs the dialog over `task` (its Flash settings with its slide mark, and the custom profile
// captured from it).
TCustomizeOutcome RunCustomizeDialog(const TFormContext& context, TProfileCatalogue& catalogue, const TMediaTask& task,
                                     bool save_as_default, QWidget* parent, TAudioOutput* sound);

}  // namespace fc::gui
