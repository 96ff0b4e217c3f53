#pragma once
// The conversion progress window and its two small windows: the overwrite question and the
// power-off countdown. Every decision is TProgressModel's; the window shows it, forwards the
// user's commands, and drives the run with a timer on the main loop, so the main window stays
// responsive while a run goes on.

#include <QDialog>
#include <QImage>

#include <memory>

#include "gui/model/progress_model.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;

namespace fc::gui {

class TRunSession;

// The picture of the frame being encoded, scaled to the panel with its aspect kept, on black.
class TPreviewPanel : public QWidget {
  Q_OBJECT
public:
  explicit TPreviewPanel(QWidget* parent = nullptr);
  // Shows the picture unless it is the one already shown; an empty picture clears the panel.
  void Show(const TPreviewPicture& picture);
  bool HasPicture() const { return !image_.isNull(); }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QImage image_;
  uint64_t serial_ = 0;
};

// The overwrite question: the formatted question and five answers, each the dialog's result
// (a TOverwriteAnswer).
class TConvertQueryForm : public QDialog {
  Q_OBJECT
public:
  explicit TConvertQueryForm(QWidget* parent = nullptr);
  void SetQuestion(const std::string& question);
  TOverwriteAnswer Answer() const;  // Cancel unless a button answered
  void reject() override;           // Escape and closing answer Cancel
};

// The power-off countdown after a completed run: the model's countdown text, advanced by a
// one-second timer. "Shut down now" powers off at once; Cancel (or closing) stops it.
class TShutDownForm : public QDialog {
  Q_OBJECT
public:
  explicit TShutDownForm(TProgressModel& model, QWidget* parent = nullptr);
  // Starts the one-second timer and shows the window (not modally).
  void Begin();
  // The timer's tick, callable without waiting.
  void Second();
  void ShutDownNow();
  void reject() override;  // Cancel and closing

private:
  void ShowCountdown();

  TProgressModel& model_;
  QLabel* info_ = nullptr;
  QTimer* timer_ = nullptr;
};

// The questions of a run as message boxes and the overwrite question window.
class TDialogProgressQuestions final : public TProgressQuestions {
public:
  explicit TDialogProgressQuestions(QWidget* parent = nullptr) : parent_(parent) {}
  TOverwriteAnswer AskOverwrite(const std::string& question, const TMediaTask& task) override;
  bool ConfirmCancel(const std::string& question) override;
  void Inform(const std::string& title, const std::string& message) override;

private:
  QWidget* parent_;
};

class TProgressForm : public QDialog {
  Q_OBJECT
public:
  TProgressForm(TMediaTaskMgr& manager, TMainLoop& loop, TProgressQuestions& questions, TDesktopActions& desktop,
                TProgressSettings settings, QWidget* parent = nullptr);
  ~TProgressForm() override;

  // Replaces the desktop session services (sleep inhibition, notification); before Begin.
  void SetRunSession(std::unique_ptr<TRunSession> session);

  // Asks about outputs that exist and starts the run. True when there is something to run:
  // the window then shows (not modally) and finishes by itself at the run's end, Accepted when
  // the run completed. False when nothing runs; the window stays hidden and Rejected.
  bool Begin();

  TProgressModel& Model() { return model_; }
  const TProgressModel& Model() const { return model_; }
  // The countdown window while it is shown, else null.
  TShutDownForm* ShutDownWindow() const { return shut_down_.get(); }

  // The pause button and the timer's step, callable without clicking or waiting.
  void TogglePause();
  void Step();

  void reject() override;  // Cancel, Escape and closing: the model asks first

protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

private:
  void ReadTexts();
  void ShowModel();
  void ShowPauseButton();
  void RunEnded();
  void Finish();

  TProgressModel model_;
  std::unique_ptr<TRunSession> session_;
  std::unique_ptr<TShutDownForm> shut_down_;
  bool ended_ = false;  // the run's end was handled
  std::string pause_entry_;

  QTimer* timer_ = nullptr;
  TPreviewPanel* preview_ = nullptr;
  QCheckBox* show_preview_ = nullptr;
  QLabel* total_text_ = nullptr;
  QLabel* file_text_ = nullptr;
  QLabel* format_text_ = nullptr;
  QProgressBar* job_bar_ = nullptr;
  QProgressBar* total_bar_ = nullptr;
  QLabel* elapsed_text_ = nullptr;
  QLabel* converted_text_ = nullptr;
  QLabel* estimated_text_ = nullptr;
  QWidget* flash_box_ = nullptr;
  QLabel* flash_text_ = nullptr;
  QProgressBar* flash_bar_ = nullptr;
  QCheckBox* shut_down_box_ = nullptr;
  QCheckBox* open_target_ = nullptr;
  QCheckBox* open_url_ = nullptr;
  QPushButton* pause_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// The three windows made without a run, for the language file skeleton.
std::unique_ptr<QWidget> MakeProgressFormSkeleton();
std::unique_ptr<QWidget> MakeShutDownFormSkeleton();

}  // namespace fc::gui
