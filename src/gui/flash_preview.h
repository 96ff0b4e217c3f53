#pragma once
// The Customize page's Flash player: Ruffle's web player (the program folder's ruffle/) in a
// web view, showing one movie file. The page, Ruffle's files and the movie with the files
// beside it (its FLVs and posters) reach the view through the "flarecast:" URL scheme, served
// by this process: no network port is opened.

#include <QWidget>

#include <memory>
#include <string>

class QWebEngineProfile;
class QWebEngineView;

namespace fc::gui {

class TFlashPreview : public QWidget {
  Q_OBJECT

public:
  // Registers the URL scheme; once, before the QApplication is made. Without it there is no
  // live preview (Available() is false) and the Customize page shows a still placeholder.
  static void RegisterScheme();
  static bool Available();

  // `ruffle_folder` holds ruffle.js and its companions.
  explicit TFlashPreview(const std::string& ruffle_folder, QWidget* parent = nullptr);
  ~TFlashPreview() override;

  // Plays the movie at `path` (the files beside it are served with it); "" shows nothing.
  void ShowMovie(const std::string& path);
  const std::string& Movie() const { return movie_; }
  QWebEngineView* View() const { return view_; }

signals:
  // A line the movie traced ("player:play Fcst.flv").
  void Traced(const QString& line);
  // Ruffle has loaded the movie (true), or the page or the movie failed (false).
  void MovieLoaded(bool ok);

private:
  class TPage;
  class TSchemeHandler;

  // Where the current movie's folder (and the page playing it) is served.
  QString FolderUrl() const;

  QWebEngineProfile* profile_ = nullptr;
  QWebEngineView* view_ = nullptr;
  std::unique_ptr<TSchemeHandler> handler_;
  std::string movie_;
  int generation_ = 0;  // each movie gets its own URLs, so nothing stale comes from a cache
};

}  // namespace fc::gui
