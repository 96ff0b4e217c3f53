#include "gui/progress_form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "core/language.h"
#include "gui/model/desktop_actions.h"
#include "gui/run_session.h"
#include "gui/named_widget.h"
#include "gui/translate.h"
#include "gui/user_prompts.h"

namespace fc::gui {
namespace {

// How often the window hands the converter's statuses over; Tick never blocks.
constexpr int kStepMs = 40;
// The pause button's built-in captions, by the language entry it takes its texts from.
constexpr const char* kPauseCaption = "&Pause";
constexpr const char* kResumeCaption = "&Resume";

QProgressBar* PercentBar(const char* name, QWidget* parent) {
  auto* bar = Named<QProgressBar>(name, parent);
  bar->setRange(0, 100);
  bar->setValue(0);
  bar->setTextVisible(true);
  return bar;
}

void SetText(QLabel* label, const std::string& text) {
  const QString q = ToQString(text);
  if (label->text() != q) label->setText(q);
}

}  // namespace

// --- the preview panel ------------------------------------------------------------------------

TPreviewPanel::TPreviewPanel(QWidget* parent) : QWidget(parent) {
  setMinimumSize(160, 120);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPreviewPanel::Show(const TPreviewPicture& picture) {
  if (picture.Serial == serial_) return;
  serial_ = picture.Serial;
  const size_t row = static_cast<size_t>(picture.Width) * 3;
  if (picture.Width <= 0 || picture.Height <= 0 || picture.Rgb.size() < row * static_cast<size_t>(picture.Height)) {
    image_ = QImage();
  } else {
    // The model's buffer changes with the next picture: the image keeps its own copy.
    image_ = QImage(picture.Rgb.data(), picture.Width, picture.Height, static_cast<qsizetype>(row),
                    QImage::Format_RGB888)
                 .copy();
  }
  update();
}

void TPreviewPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (image_.isNull()) return;
  // Drawn in device pixels through the painter's scale, so the picture is sharp on HiDPI.
  const QSize fitted = image_.size().scaled(size(), Qt::KeepAspectRatio);
  const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, image_);
}

// --- the overwrite question -------------------------------------------------------------------

TConvertQueryForm::TConvertQueryForm(QWidget* parent) : QDialog(parent) {
  setObjectName("ConvertQueryForm");
  setWindowTitle("Confirm");
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
  auto* question = Named<QLabel>("lblCurrentFile", "Are you sure you want to replace the existing file '%s'?", this);
  question->setWordWrap(true);
  question->setMinimumWidth(320);
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addWidget(question, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  const struct {
    const char* Name;
    const char* Caption;
    TOverwriteAnswer Answer;
  } kButtons[] = {
      {"btnYes", "Yes", TOverwriteAnswer::Yes},          {"btnYestoAll", "Yes to All", TOverwriteAnswer::YesToAll},
      {"btnNo", "No", TOverwriteAnswer::No},             {"btnNotoAll", "No to All", TOverwriteAnswer::NoToAll},
      {"btnCancel", "Cancel", TOverwriteAnswer::Cancel},
  };
  for (const auto& b : kButtons) {
    auto* button = Named<QPushButton>(b.Name, b.Caption, this);
    const int result = static_cast<int>(b.Answer);
    connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    buttons->addWidget(button);
    if (b.Answer == TOverwriteAnswer::Yes) button->setDefault(true);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(buttons);
  setResult(static_cast<int>(TOverwriteAnswer::Cancel));
  TranslateForm(this);
}

void TConvertQueryForm::SetQuestion(const std::string& question) {
  findChild<QLabel*>("lblCurrentFile")->setText(ToQString(question));
}

void TConvertQueryForm::reject() {
  // The dialog's own Rejected is 0, which is Yes here.
  done(static_cast<int>(TOverwriteAnswer::Cancel));
}

TOverwriteAnswer TConvertQueryForm::Answer() const {
  switch (static_cast<TOverwriteAnswer>(result())) {
    case TOverwriteAnswer::Yes:
    case TOverwriteAnswer::No:
    case TOverwriteAnswer::YesToAll:
    case TOverwriteAnswer::NoToAll:
      return static_cast<TOverwriteAnswer>(result());
    case TOverwriteAnswer::Cancel:
      break;
  }
  return TOverwriteAnswer::Cancel;  // also closing the window
}

// --- the countdown ----------------------------------------------------------------------------

TShutDownForm::TShutDownForm(TProgressModel& model, QWidget* parent) : QDialog(parent), model_(model) {
  setObjectName("ShutDownForm");
  setWindowTitle("ShutDownInfo");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  info_ = Named<QLabel>("lblInfo", this);
  info_->setWordWrap(true);
  info_->setMinimumWidth(300);
  auto* now = Named<QPushButton>("btnShutDown", "Shut down now", this);
  auto* cancel = Named<QPushButton>("btnCancel", "Cancel", this);
  cancel->setDefault(true);  // Enter never powers off by accident
  connect(now, &QPushButton::clicked, this, &TShutDownForm::ShutDownNow);
  connect(cancel, &QPushButton::clicked, this, &TShutDownForm::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(info_);
  layout->addLayout(RightAlignedRow({now, cancel}));
  timer_ = new QTimer(this);
  timer_->setInterval(1000);
  connect(timer_, &QTimer::timeout, this, &TShutDownForm::Second);
  TranslateForm(this);
  ShowCountdown();
}

void TShutDownForm::Begin() {
  ShowCountdown();
  timer_->start();
  show();
}

void TShutDownForm::ShowCountdown() { SetText(info_, model_.Countdown().Text()); }

void TShutDownForm::Second() {
  model_.CountdownSecond();
  ShowCountdown();
  if (!model_.Countdown().Active()) {
    timer_->stop();
    done(Accepted);
  }
}

void TShutDownForm::ShutDownNow() {
  timer_->stop();
  model_.ShutDownNow();
  done(Accepted);
}

void TShutDownForm::reject() {
  timer_->stop();
  model_.CancelCountdown();
  QDialog::reject();
}

// --- the questions ----------------------------------------------------------------------------

TOverwriteAnswer TDialogProgressQuestions::AskOverwrite(const std::string& question, const TMediaTask&) {
  TConvertQueryForm form(parent_);
  form.SetQuestion(question);
  form.exec();
  return form.Answer();
}

bool TDialogProgressQuestions::ConfirmCancel(const std::string& question) {
  return QMessageBox::question(parent_, ToQString(GetString("Info_Title", "Information")), ToQString(question),
                               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void TDialogProgressQuestions::Inform(const std::string& title, const std::string& message) {
  QMessageBox::information(parent_, ToQString(title), ToQString(message));
}

// --- the progress window ----------------------------------------------------------------------

TProgressForm::TProgressForm(TMediaTaskMgr& manager, TMainLoop& loop, TProgressQuestions& questions,
                             TDesktopActions& desktop, TProgressSettings settings, QWidget* parent)
    : QDialog(parent),
      model_(manager, loop, questions, desktop, std::move(settings)),
      session_(std::make_unique<TDBusRunSession>()) {
  setObjectName("ConvertingForm");
  setWindowTitle("Converting");

  preview_ = Named<TPreviewPanel>("pnlPreview", this);
  show_preview_ = Named<QCheckBox>("cbShowPreview", "Show Preview", this);
  show_preview_->setChecked(true);
  total_text_ = Named<QLabel>("lblTotalPro", "Total progress:  [%d / %d]", this);
  file_text_ = Named<QLabel>("lblCurrFileName", "Creating file: %s", this);
  file_text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  format_text_ = Named<QLabel>("lblFormatInfo", this);
  format_text_->setWordWrap(true);
  job_bar_ = PercentBar("pbCurrCvt", this);
  total_bar_ = PercentBar("pbTotal", this);
  elapsed_text_ = Named<QLabel>("lblElapsed", "Elapsed time : %s / Remaining time: %s", this);
  auto* converted_caption = Named<QLabel>("lblConvertedLen", "Converted length of the current file:", this);
  converted_text_ = Named<QLabel>("lblComp_All", "00:00:00/00:00:00", this);
  estimated_text_ = Named<QLabel>("lblEstimated", "Estimated size : %s", this);

  // The Flash files of the job that has just converted are made after it.
  flash_box_ = Named<QWidget>("pnlFlash", this);
  flash_text_ = Named<QLabel>("lblFlashFile", flash_box_);
  flash_bar_ = PercentBar("pbFlash", flash_box_);
  auto* flash_row = new QHBoxLayout(flash_box_);
  flash_row->setContentsMargins(0, 0, 0, 0);
  flash_row->addWidget(flash_text_);
  flash_row->addWidget(flash_bar_, 1);
  flash_box_->setVisible(false);

  shut_down_box_ = Named<QCheckBox>("cbShutdown", "Shut down computer when conversion completed", this);
  open_target_ = Named<QCheckBox>("cbOpenTarget", "Open output folder when conversion completed", this);
  open_url_ = Named<QCheckBox>("cbOpenUrl", "Open the web page you have chosen when conversion completed", this);
  pause_ = Named<QPushButton>("btnPause", kPauseCaption, this);
  cancel_ = Named<QPushButton>("btnCancel", "&Cancel", this);

  connect(show_preview_, &QCheckBox::toggled, this, [this](bool on) {
    model_.SetShowPreview(on);
    preview_->setVisible(on);
  });
  connect(shut_down_box_, &QCheckBox::toggled, this, [this](bool on) {
    model_.SetShutDown(on);
    ShowModel();
  });
  connect(open_target_, &QCheckBox::toggled, this, [this](bool on) {
    model_.SetOpenTarget(on);
    ShowModel();
  });
  connect(open_url_, &QCheckBox::toggled, this, [this](bool on) {
    model_.SetOpenUrl(on);
    ShowModel();
  });
  connect(pause_, &QPushButton::clicked, this, &TProgressForm::TogglePause);
  connect(cancel_, &QPushButton::clicked, this, &TProgressForm::reject);

  auto* texts = new QGridLayout;
  texts->addWidget(total_text_, 0, 0);
  texts->addWidget(show_preview_, 0, 1, Qt::AlignRight);
  texts->addWidget(file_text_, 1, 0, 1, 2);
  texts->addWidget(format_text_, 2, 0, 1, 2);
  texts->addWidget(job_bar_, 3, 0, 1, 2);
  texts->addWidget(total_bar_, 4, 0, 1, 2);
  texts->addWidget(elapsed_text_, 5, 0, 1, 2);
  auto* converted_row = new QHBoxLayout;
  converted_row->addWidget(converted_caption);
  converted_row->addWidget(converted_text_);
  converted_row->addStretch();
  texts->addLayout(converted_row, 6, 0, 1, 2);
  texts->addWidget(estimated_text_, 7, 0, 1, 2);
  texts->addWidget(flash_box_, 8, 0, 1, 2);
  texts->setColumnStretch(0, 1);

  auto* buttons = new QHBoxLayout;
  auto* choices = new QVBoxLayout;
  choices->addWidget(shut_down_box_);
  choices->addWidget(open_target_);
  choices->addWidget(open_url_);
  buttons->addLayout(choices, 1);
  auto* commands = new QVBoxLayout;
  commands->addWidget(pause_);
  commands->addWidget(cancel_);
  commands->addStretch();
  buttons->addLayout(commands);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(preview_, 1);
  layout->addLayout(texts);
  layout->addLayout(buttons);

  timer_ = new QTimer(this);
  timer_->setInterval(kStepMs);
  connect(timer_, &QTimer::timeout, this, &TProgressForm::Step);

  // The translated captions are the formats of the labels from now on.
  TranslateForm(this);
  ReadTexts();
  model_.OnChanged = [this] { ShowModel(); };
  ShowModel();
}

TProgressForm::~TProgressForm() {
  model_.OnChanged = nullptr;  // the widgets go before the model
  if (session_) session_->ReleaseSleep();
}

void TProgressForm::SetRunSession(std::unique_ptr<TRunSession> session) { session_ = std::move(session); }

void TProgressForm::ReadTexts() {
  TProgressTexts texts;
  texts.Caption = ToStdString(windowTitle());
  texts.TotalProgress = ToStdString(total_text_->text());
  texts.CurrentFile = ToStdString(file_text_->text());
  texts.Elapsed = ToStdString(elapsed_text_->text());
  texts.Estimated = ToStdString(estimated_text_->text());
  model_.SetTexts(texts);
}

bool TProgressForm::Begin() {
  if (!model_.Start()) {
    ended_ = true;
    setResult(Rejected);
    return false;
  }
  if (session_) session_->InhibitSleep();
  show();
  timer_->start();
  return true;
}

void TProgressForm::Step() {
  if (ended_) return;
  model_.Tick(0);
  if (model_.State() == TProgressState::Finished) RunEnded();
}

void TProgressForm::TogglePause() {
  model_.TogglePause();
  ShowModel();
}

void TProgressForm::ShowModel() {
  preview_->Show(model_.Preview());
  SetText(total_text_, model_.TotalProgressText());
  SetText(file_text_, model_.CurrentFileText());
  SetText(format_text_, model_.FormatText());
  job_bar_->setValue(model_.JobPercent());
  total_bar_->setValue(model_.TotalPercent());
  SetText(elapsed_text_, model_.ElapsedText());
  SetText(converted_text_, model_.ConvertedText());
  SetText(estimated_text_, model_.EstimatedText());
  const QString title = ToQString(model_.WindowTitle());
  if (windowTitle() != title) setWindowTitle(title);

  flash_box_->setVisible(model_.FlashActive());
  if (model_.FlashActive()) {
    SetText(flash_text_, model_.FlashFile());
    flash_bar_->setValue(model_.FlashPercent());
    // The Flash files are made inside the timer's step: paint now, not after it.
    flash_bar_->repaint();
  }

  const QSignalBlocker b1(shut_down_box_), b2(open_target_), b3(open_url_);
  shut_down_box_->setChecked(model_.ShutDown());
  open_target_->setChecked(model_.OpenTarget());
  open_url_->setChecked(model_.OpenUrl());
  open_url_->setEnabled(model_.OpenUrlAvailable());

  const TProgressState state = model_.State();
  pause_->setEnabled(state == TProgressState::Running || state == TProgressState::Paused);
  cancel_->setEnabled(state != TProgressState::Cancelling);
  ShowPauseButton();
}

void TProgressForm::ShowPauseButton() {
  const std::string entry = model_.PauseButtonEntry();
  if (entry == pause_entry_) return;
  pause_entry_ = entry;
  // Without the entry in the language file the button shows the entry's built-in caption.
  if (!TranslateControlAs(pause_, this, entry)) pause_->setText(entry == "btnResume" ? kResumeCaption : kPauseCaption);
}

void TProgressForm::RunEnded() {
  if (ended_) return;
  ended_ = true;
  timer_->stop();
  if (session_) {
    session_->ReleaseSleep();
    if (model_.Completed()) session_->Notify(ToStdString(windowTitle()), model_.EndMessage());
  }
  ShowModel();
  if (model_.Countdown().Active()) {
    // The window stays until the countdown is over or cancelled.
    shut_down_ = std::make_unique<TShutDownForm>(model_, this);
    connect(shut_down_.get(), &QDialog::finished, this, [this] { Finish(); });
    shut_down_->Begin();
    return;
  }
  Finish();
}

void TProgressForm::Finish() { done(model_.Completed() ? Accepted : Rejected); }

void TProgressForm::reject() {
  if (!ended_) {
    if (!model_.Cancel()) return;  // not confirmed: the run goes on
    RunEnded();
    return;
  }
  if (shut_down_ && shut_down_->isVisible()) {
    shut_down_->reject();  // closing the window stops the countdown, which finishes it
    return;
  }
  QDialog::reject();
}

void TProgressForm::closeEvent(QCloseEvent* event) {
  // Closing is Cancel; the window goes only when the model lets it.
  event->ignore();
  reject();
}

void TProgressForm::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange) model_.SetLowPriority(isMinimized());
  QDialog::changeEvent(event);
}

// --- windows for the language file skeleton ---------------------------------------------------

namespace {

// A run with nothing in it, so the windows can be made without one.
struct TIdleRun {
  class TNoQuestions final : public TProgressQuestions {
  public:
    TOverwriteAnswer AskOverwrite(const std::string&, const TMediaTask&) override { return TOverwriteAnswer::Cancel; }
    bool ConfirmCancel(const std::string&) override { return true; }
    void Inform(const std::string&, const std::string&) override {}
  };
  class TNoDesktop final : public TDesktopActions {
  public:
    bool OpenFolder(const std::string&) override { return false; }
    bool OpenUrl(const std::string&) override { return false; }
    bool PowerOff() override { return false; }
  };
  TMediaTaskMgr Manager;
  TMainLoop Loop;
  TNoQuestions Questions;
  TNoDesktop Desktop;
};

// The run is a base so that it is made before the window that refers to it.
class TIdleProgressForm : private TIdleRun, public TProgressForm {
public:
  TIdleProgressForm() : TProgressForm(Manager, Loop, Questions, Desktop, {}) {}
};

struct TIdleModel : TIdleRun {
  TProgressModel Model{Manager, Loop, Questions, Desktop};
};

class TIdleShutDownForm : private TIdleModel, public TShutDownForm {
public:
  TIdleShutDownForm() : TShutDownForm(Model) {}
};

}  // namespace

std::unique_ptr<QWidget> MakeProgressFormSkeleton() { return std::make_unique<TIdleProgressForm>(); }
std::unique_ptr<QWidget> MakeShutDownFormSkeleton() { return std::make_unique<TIdleShutDownForm>(); }

}  // namespace fc::gui
