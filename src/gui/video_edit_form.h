#pragma once
// The video edit dialog: the source (with the crop area) and the processed output (with the
// watermark's rectangle) side by side on one preview player, the play controls, and the
// Crop, Effect, WaterMark and SubTitle pages. Every decision is TVideoEditModel's; the window
// shows the model, forwards its controls, and drives the player. OK writes the edits into the
// task; Cancel (or closing) writes nothing.

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

#include "gui/font_dialog.h"
#include "gui/form_list.h"
#include "gui/model/video_edit_model.h"
#include "playback/media_player.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QTimer;
class QToolButton;

namespace fc {
class TMediaPlayerView;
}

namespace fc::gui {

class TVideoEditForm : public QDialog {
  Q_OBJECT

public:
  // The dialog over a base task with video. Without a task it only has its controls (the
  // language file skeleton).
  // `sound` (may be null: the preview runs silent on the system clock) outlives the dialog.
  TVideoEditForm(const TFormContext& context, TMediaTask* task, QWidget* parent = nullptr,
                 TAudioOutput* sound = nullptr);
  ~TVideoEditForm() override;

  TVideoEditModel* Model() const { return model_.get(); }
  TMediaPlayer* Player() const { return player_.get(); }
  TMediaPlayerView* PlayWindow() const { return play_window_; }
  TMediaPlayerView* OutputWindow() const { return output_window_; }
  // Replaces the font chooser (a font dialog and a colour dialog).
  void SetFontChooser(TFontChooser chooser) { font_chooser_ = std::move(chooser); }

  // The start timer's work: creates the player, gives both views to it, and plays.
  void StartPreview();
  // btnPlay: plays, resumes, or pauses while playing. btnStop.
  void PlayClick();
  void StopClick();

  void accept() override;  // OK: the edits go into the task
  void reject() override;  // Escape leaves the output's full screen first
  void done(int result) override;

protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  class TPreview;

  void BuildControls();
  QWidget* BuildCropPage();
  QWidget* BuildEffectPage();
  QWidget* BuildWatermarkPage();
  QWidget* BuildSubtitlePage();
  void Connect();
  // Shows the model in every control (their change handlers are idle meanwhile).
  void ShowModel();
  void ShowWatermarkArea();
  void ShowPlayButton();
  void ShowTime(double played);
  void Play();
  void PlayerStateChanged(TPlayerState state);
  void PlayerProgress(double played);
  void PositionPressed();
  void PositionMoved(int position);
  void PositionReleased();
  // Runs a model change from a control, then shows the model again.
  void Change(const std::function<void(TVideoEditModel&)>& change);
  void CropSpinChanged();
  void ChooseMarkPicture();
  void ChooseMarkFont();
  void ChooseSubtitleFont();

  TFormContext context_;
  TMediaTask* task_;
  TAudioOutput* sound_;  // not owned; null: a silent preview
  std::unique_ptr<TVideoEditModel> model_;
  std::unique_ptr<TPreview> preview_;
  std::unique_ptr<TMediaPlayer> player_;
  TFontChooser font_chooser_;
  bool filling_ = false;      // the controls are being filled from the model
  bool dragging_ = false;     // the position bar is held
  bool was_playing_ = false;  // a command paused the playing preview
  bool started_ = false;      // the start timer was armed

  QTimer* start_timer_ = nullptr;
  QTimer* typed_timer_ = nullptr;
  TMediaPlayerView* play_window_ = nullptr;
  TMediaPlayerView* output_window_ = nullptr;
  QToolButton* play_ = nullptr;
  QToolButton* stop_ = nullptr;
  QSlider* position_ = nullptr;
  QPushButton* time_ = nullptr;
  QToolButton* mute_ = nullptr;
  QSlider* volume_ = nullptr;
  QToolButton* flip_horizontal_ = nullptr;
  QToolButton* flip_vertical_ = nullptr;
  QTabWidget* pages_ = nullptr;
  // Crop.
  QComboBox* zoom_ = nullptr;
  QSpinBox* crop_left_ = nullptr;
  QSpinBox* crop_top_ = nullptr;
  QSpinBox* crop_width_ = nullptr;
  QSpinBox* crop_height_ = nullptr;
  QPushButton* reset_crop_ = nullptr;
  // Effect.
  QSlider* brightness_ = nullptr;
  QSlider* contrast_ = nullptr;
  QSlider* saturation_ = nullptr;
  QComboBox* effect_ = nullptr;
  QComboBox* interlacing_ = nullptr;
  QPushButton* reset_effect_ = nullptr;
  // Watermark.
  QCheckBox* mark_enabled_ = nullptr;
  QRadioButton* mark_picture_ = nullptr;
  QRadioButton* mark_text_kind_ = nullptr;
  QLineEdit* mark_file_ = nullptr;
  QToolButton* mark_browse_ = nullptr;
  QLineEdit* mark_text_ = nullptr;
  QToolButton* mark_font_ = nullptr;
  QSlider* mark_trans_bar_ = nullptr;
  QSpinBox* mark_trans_ = nullptr;
  QSlider* mark_left_bar_ = nullptr;
  QSpinBox* mark_left_ = nullptr;
  QSlider* mark_top_bar_ = nullptr;
  QSpinBox* mark_top_ = nullptr;
  QLabel* mark_size_label_ = nullptr;
  QSpinBox* mark_width_ = nullptr;
  QLabel* mark_x_label_ = nullptr;
  QSpinBox* mark_height_ = nullptr;
  QPushButton* reset_mark_ = nullptr;
  // Subtitle.
  QCheckBox* subtitle_enabled_ = nullptr;
  QComboBox* subtitle_stream_ = nullptr;
  QCheckBox* subtitle_own_style_ = nullptr;
  QSlider* subtitle_trans_bar_ = nullptr;
  QSpinBox* subtitle_trans_ = nullptr;
  QSlider* subtitle_x_bar_ = nullptr;
  QSpinBox* subtitle_x_ = nullptr;
  QSlider* subtitle_y_bar_ = nullptr;
  QSpinBox* subtitle_y_ = nullptr;
  QPushButton* subtitle_font_ = nullptr;
  QPushButton* reset_subtitle_ = nullptr;
};

// Opens the edit dialog modally on a base task with video. True after OK: the task then holds
// the new edits and its row should be shown again.
bool RunVideoEditDialog(const TFormContext& context, TMediaTask& task, QWidget* parent,
                        TAudioOutput* sound = nullptr);

}  // namespace fc::gui
