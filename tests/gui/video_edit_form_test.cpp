// The video edit dialog on the offscreen platform, over a generated clip with sound and a
// subtitle stream: changes confirmed with OK reach the task, the same changes cancelled leave
// it as it was, and the output view shows the edits.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <fstream>

#include "edit_params_compare.h"
#include "fake_prompts.h"
#include "gui/media_player_view.h"
#include "gui/video_edit_form.h"
#include "tasks/task_source.h"

namespace fc::gui {

class TVideoEditFormTest : public TWindowTest {
  Q_OBJECT

  QString clip_;     // 2 s, 320x240, sound and a text subtitle stream
  QString picture_;  // a 64x32 PNG for the picture watermark
  std::unique_ptr<TMediaTaskMgr> manager_;
  TMediaBaseTask* task_ = nullptr;

  static bool MakeClip(const QString& folder, const QString& path) {
    const QString subtitles = folder + "/clip.srt";
    std::ofstream(subtitles.toStdString()) << "1\n00:00:00,000 --> 00:00:02,000\nHello\n";
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                            "testsrc2=size=320x240:rate=25:duration=2", "-f", "lavfi", "-i",
                            "sine=frequency=440:sample_rate=44100:duration=2", "-i", subtitles, "-map", "0", "-map",
                            "1", "-map", "2", "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a",
                            "aac", "-ac", "1", "-c:s", "mov_text", path});
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
  }

  std::unique_ptr<TVideoEditForm> OpenForm() {
    auto form = std::make_unique<TVideoEditForm>(Context(), task_);
    form->SetFontChooser([](QWidget*, const TMediaTaskFont&) {
      return std::optional<TMediaTaskFont>(TMediaTaskFont{.Name = "DejaVu Serif", .Size = 20, .Color = 0xFF0000,
                                                          .Style = kTextBold});
    });
    form->show();
    return form;
  }
  // Shows the form and waits until its output view shows pictures.
  std::unique_ptr<TVideoEditForm> OpenPlaying() {
    auto form = OpenForm();
    if (!QTest::qWaitFor([&form] { return form->OutputWindow()->Picture() != nullptr; }, 10000))
      qWarning("the preview shows no picture");
    return form;
  }

  // The changes both OK and Cancel are tried with.
  void MakeChanges(TVideoEditForm& form) {
    Find<QSpinBox>(&form, "seCropLeft")->setValue(8);
    Find<QSpinBox>(&form, "seCropTop")->setValue(4);
    Find<QSpinBox>(&form, "seCropWidth")->setValue(200);
    Find<QSpinBox>(&form, "seCropHeight")->setValue(150);
    Find<QComboBox>(&form, "cbZoom")->setCurrentIndex(1);  // "Full screen"
    Find<QSlider>(&form, "tbBrightness")->setValue(40);
    Find<QComboBox>(&form, "cbEffect")->setCurrentIndex(1);  // "Gray"
    Find<QToolButton>(&form, "btnHorzFlip")->click();
    Find<QCheckBox>(&form, "chbWatermark")->click();
    Find<QRadioButton>(&form, "rbTextWM")->click();
    QTest::keyClicks(Find<QLineEdit>(&form, "edtMarkText"), "Flarecast");
    Find<QRadioButton>(&form, "rbImageWM")->click();
    prompts_.Files.push_back({picture_});
    Find<QToolButton>(&form, "btnMarkImage")->click();
    Find<QSpinBox>(&form, "sedMarkTrans")->setValue(25);
    Find<QSpinBox>(&form, "sedMarkLeft")->setValue(100);
    Find<QCheckBox>(&form, "chbSubTitle")->click();
    Find<QCheckBox>(&form, "chbSubTitleUserStyle")->click();
    Find<QPushButton>(&form, "btnSubTitleFont")->click();
    Find<QSpinBox>(&form, "sedSubTitleTrans")->setValue(30);
    Find<QSlider>(&form, "tbVolume")->setValue(150);
    Find<QToolButton>(&form, "btnVolume")->click();
  }

  static double MeanLevel(const TPictureRef& picture) {
    const std::vector<uint8_t> rgb = picture->Rgb();
    double sum = 0;
    for (uint8_t v : rgb) sum += v;
    return rgb.empty() ? 0 : sum / static_cast<double>(rgb.size());
  }


private slots:
  void initTestCase() {
    clip_ = dir_.path() + "/clip.mp4";
    if (!MakeClip(dir_.path(), clip_)) QSKIP("ffmpeg cannot make the test clip");
    picture_ = dir_.path() + "/mark.png";
    QImage mark(64, 32, QImage::Format_ARGB32);
    mark.fill(QColor(255, 255, 0, 200));
    QVERIFY(mark.save(picture_));
  }
  void init() {
    Start("[System]\nDefLanguage=ENU\n");
    manager_ = std::make_unique<TMediaTaskMgr>();
    task_ = static_cast<TMediaBaseTask*>(manager_->Tasks().Add(std::make_unique<TMediaBaseTask>(
        &manager_->Tasks(), std::make_unique<TMediaTaskVideoSource>(clip_.toStdString(), 0))));
    QVERIFY(task_->Source()->HasVideo);
  }
  void cleanup() {
    manager_.reset();
    core_.reset();
  }

  void OkWritesEveryChange() {
    QVERIFY(task_->Source()->HasSubtitles);
    auto form = OpenPlaying();
    MakeChanges(*form);
    Find<QPushButton>(form.get(), "btnOk")->click();
    QCOMPARE(form->result(), int(QDialog::Accepted));
    const TMediaTaskEditParams& e = *task_->EditParams();
    QVERIFY(e.Crop == (TCropRect{8, 4, 208, 154}));
    QCOMPARE(task_->Record().ScaleMode, 0);
    QCOMPARE(e.UserScaleMode, uint8_t{1});
    QCOMPARE(e.Brightness, 40);
    QCOMPARE(e.EffectFlags, kEffectGray);
    QVERIFY(e.FlipHorizontal);
    QVERIFY(!e.FlipVertical);
    QCOMPARE(e.Volume, 150);
    QVERIFY(e.Mute);
    const TMediaTaskWatermark& w = e.Watermark;
    QVERIFY(w.Enabled);
    QCOMPARE(w.Kind, kWatermarkPicture);
    QVERIFY(w.ImageFile == picture_.toStdString());
    QVERIFY(w.Text == "Flarecast");
    QCOMPARE(w.Transparency, 25);
    QCOMPARE(w.X, 100);
    QCOMPARE(w.Width, 64);
    QCOMPARE(w.Height, 32);
    QCOMPARE(w.Image.Width(), 64);
    const TMediaTaskSubtitle& s = e.Subtitle;
    QVERIFY(s.Enabled);
    QCOMPARE(s.Kind, uint8_t{1});
    QVERIFY(s.Font.Name == "DejaVu Serif");
    QCOMPARE(s.Font.Color, 0xFF0000u);
    QCOMPARE(s.Transparency, 30);
    QVERIFY(task_->Source()->VideoDecodeOptions.SubtitleID != 0);
  }

  void CancelWritesNothing() {
    TMediaTaskEditParams before(nullptr);
    before.Assign(*task_->EditParams());
    const TEncodeParams record = task_->Record();
    const int32_t subtitle = task_->Source()->VideoDecodeOptions.SubtitleID;
    auto form = OpenPlaying();
    MakeChanges(*form);
    QVERIFY(form->Model()->WatermarkEnabled());
    Find<QPushButton>(form.get(), "btnCancel")->click();
    QCOMPARE(form->result(), int(QDialog::Rejected));
    QCOMPARE(QString::fromStdString(test::EditDifference(*task_->EditParams(), before)), QString());
    QCOMPARE(task_->Record().ScaleMode, record.ScaleMode);
    QCOMPARE(task_->Source()->VideoDecodeOptions.SubtitleID, subtitle);
  }

  void BrightnessShowsInTheOutputView() {
    auto form = OpenPlaying();
    TMediaPlayerView* output = form->OutputWindow();
    form->PlayClick();  // pause
    QVERIFY(form->Player()->State() == TPlayerState::Paused);
    QTest::qWait(300);  // pictures on their way arrive
    const TPictureRef before = output->Picture();
    QVERIFY(before);
    Find<QSlider>(form.get(), "tbBrightness")->setValue(80);
    QVERIFY(QTest::qWaitFor([&] { return output->Picture() != before; }, 5000));
    const TPictureRef after = output->Picture();
    QCOMPARE(after->Time, before->Time);
    QVERIFY2(MeanLevel(after) > MeanLevel(before) + 20, "the picture is not brighter");
  }

  void TypedPathsAreReadOnlyWhenSensible() {
    auto form = OpenPlaying();
    TVideoEditModel& model = *form->Model();
    Find<QCheckBox>(form.get(), "chbWatermark")->click();
    auto* path = Find<QLineEdit>(form.get(), "edtMarkImage");
    // Typing: nothing is read until the typing pauses.
    QTest::keyClicks(path, picture_);
    QVERIFY(model.MarkImageTyped());
    QVERIFY(!model.WatermarkArea());
    QVERIFY(QTest::qWaitFor([&] { return !model.MarkImageTyped(); }, 3000));
    QCOMPARE(model.MarkImage().Width(), 64);
    // A folder and a file past the size limit are never read.
    const QString folder = dir_.path() + "/folder.png";
    QDir().mkpath(folder);
    const QString huge = dir_.path() + "/huge.png";
    QFile::copy(picture_, huge);
    std::filesystem::resize_file(huge.toStdString(), kMaxWatermarkFileBytes + 1);
    for (const QString& bad : {folder, huge}) {
      path->clear();
      QTest::keyClicks(path, bad);
      QTest::keyClick(path, Qt::Key_Return);  // Enter reads at once
      QVERIFY(!model.MarkImageTyped());
      QVERIFY(model.MarkImage().empty());
      QVERIFY(!model.WatermarkArea());
    }
  }

  void DoubleClickTogglesTheOutputsFullScreen() {
    auto form = OpenPlaying();
    TMediaPlayerView* output = form->OutputWindow();
    QTest::mouseDClick(output, Qt::LeftButton);
    QVERIFY(output->FullScreen());
    form->reject();  // Escape leaves full screen, the dialog stays
    QVERIFY(!output->FullScreen());
    QVERIFY(form->isVisible());
  }

  void RunVideoEditDialogTellsOk() {
    QTimer::singleShot(300, [] {
      if (auto* form = qobject_cast<TVideoEditForm*>(QApplication::activeModalWidget())) form->accept();
    });
    QVERIFY(RunVideoEditDialog(Context(), *task_, nullptr));
    QTimer::singleShot(300, [] {
      if (auto* form = qobject_cast<TVideoEditForm*>(QApplication::activeModalWidget())) form->reject();
    });
    QVERIFY(!RunVideoEditDialog(Context(), *task_, nullptr));
  }

  void Screenshots() {
    task_->EditParams()->Watermark.Enabled = true;
    task_->EditParams()->Watermark.Kind = kWatermarkText;
    task_->EditParams()->Watermark.Text = "Flarecast";
    task_->EditParams()->Brightness = 20;
    auto form = OpenPlaying();
    form->resize(900, 680);
    form->PlayClick();  // pause, so the watermark's rectangle shows
    QTest::qWait(300);
    auto* pages = Find<QTabWidget>(form.get(), "PageControl");
    const char* names[] = {"video_edit_crop", "video_edit_effect", "video_edit_watermark", "video_edit_subtitle"};
    for (int i = 0; i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      SaveScreenshot(*form, names[i]);
    }
  }
};

}  // namespace fc::gui

QTEST_MAIN(fc::gui::TVideoEditFormTest)
#include "video_edit_form_test.moc"
