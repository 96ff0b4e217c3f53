#include "gui/flash_preview.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#include <filesystem>

#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"

namespace fc::gui {
namespace {

constexpr char kScheme[] = "flarecast";
constexpr char kHost[] = "preview";
// Where each kind of file is served: .../ruffle/NAME, and the page at .../movie/N/ among the
// movie's files .../movie/N/NAME (N the movie's generation), so that what the movie loads by
// a relative name comes from its own folder.
constexpr char kRufflePath[] = "ruffle";
constexpr char kMoviePath[] = "movie";

bool scheme_registered = false;

// The content type of a served file by its extension.
struct TContentType {
  const char* Extension;
  const char* Type;
};
constexpr TContentType kContentTypes[] = {
    {".html", "text/html"},        {".js", "text/javascript"}, {".wasm", "application/wasm"},
    {".swf", "application/x-shockwave-flash"}, {".flv", "video/x-flv"}, {".jpg", "image/jpeg"},
    {".png", "image/png"},         {".json", "application/json"},
};

QByteArray ContentType(const std::string& name) {
  const std::string ext = std::filesystem::path(name).extension().string();
  for (const TContentType& entry : kContentTypes)
    if (IEquals(ext, entry.Extension)) return entry.Type;
  return "application/octet-stream";
}

// A single file name out of a URL: no folders, nothing that climbs out of the folder.
bool PlainFileName(const QString& name) {
  return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\\');
}

QString BaseUrl() { return QString("%1://%2/").arg(kScheme, kHost); }

// The page: Ruffle filling the view, playing one movie. Qt's custom schemes cannot be read
// with fetch(), which Ruffle uses for its own files and for the movie's FLVs, so those
// requests go through XMLHttpRequest. The page reports through console lines that the view
// reads: "trace:" with the movie's trace output, and "flarecast:loaded" or "flarecast:error".
QByteArray PageHtml(const QString& folder_url, const QString& movie_url) {
  static const char kTemplate[] = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Preview</title>
<style>html,body{margin:0;padding:0;width:100%;height:100%;overflow:hidden;background:#000}
#player{width:100%;height:100%}</style>
<script>
(function () {
  const typeOf = (url) => url.endsWith('.wasm') ? 'application/wasm' : 'application/octet-stream';
  const realFetch = window.fetch.bind(window);
  window.fetch = function (input, init) {
    const url = new URL(typeof input === 'string' ? input : (input.url || String(input)), location.href);
    if (url.protocol !== '%1:') return realFetch(input, init);
    return new Promise(function (resolve, reject) {
      const request = new XMLHttpRequest();
      request.open((init && init.method) || 'GET', url.href);
      request.responseType = 'arraybuffer';
      request.onload = function () {
        const type = request.getResponseHeader('Content-Type') || typeOf(url.pathname);
        resolve(new Response(request.response, {status: request.status || 200, headers: {'Content-Type': type}}));
      };
      request.onerror = function () { reject(new TypeError('cannot load ' + url.href)); };
      request.send();
    });
  };
})();
window.RufflePlayer = window.RufflePlayer || {};
window.RufflePlayer.config = {
  publicPath: '%2ruffle/', autoplay: 'on', unmuteOverlay: 'hidden', splashScreen: false,
  letterbox: 'on', preferredRenderer: 'canvas', contextMenu: 'off', logLevel: 'warn',
  warnOnUnsupportedContent: false, showSwfDownload: false, base: '%4'
};
</script>
<script src="%2ruffle/ruffle.js"></script>
</head><body><div id="player"></div>
<script>
(function () {
  const player = window.RufflePlayer.newest().createPlayer();
  player.style.width = '100%';
  player.style.height = '100%';
  document.getElementById('player').appendChild(player);
  // The movie's trace lines, from its first frame on.
  const observe = function (line) { console.log('trace:' + line); };
  const watch = function () {
    const api = typeof player.ruffle === 'function' ? player.ruffle() : player;
    api.traceObserver = observe;
  };
  player.addEventListener('loadedmetadata', watch);
  player.load({url: '%3', allowScriptAccess: false})
    .then(function () { watch(); console.log('flarecast:loaded'); })
    .catch(function (e) { console.log('flarecast:error ' + e); });
})();
</script></body></html>
)";
  return QString::fromLatin1(kTemplate).arg(kScheme, BaseUrl(), movie_url, folder_url).toUtf8();
}

}  // namespace

// The movie's console lines become the view's signals.
class TFlashPreview::TPage final : public QWebEnginePage {
public:
  TPage(QWebEngineProfile* profile, TFlashPreview& owner) : QWebEnginePage(profile, &owner), owner_(owner) {}

protected:
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                const QString& source) override {
    if (message.startsWith("trace:")) {
      emit owner_.Traced(message.mid(6));
    } else if (message == "flarecast:loaded") {
      emit owner_.MovieLoaded(true);
    } else if (message.startsWith("flarecast:error")) {
      Log("preview: " + message.toStdString());
      emit owner_.MovieLoaded(false);
    } else if (level == ErrorMessageLevel) {
      Log(Format("preview: %s (%s:%d)", message.toStdString().c_str(), source.toStdString().c_str(), line));
    }
  }

private:
  TFlashPreview& owner_;
};

// Serves the page, Ruffle's files and the current movie's folder; nothing else.
class TFlashPreview::TSchemeHandler final : public QWebEngineUrlSchemeHandler {
public:
  TSchemeHandler(const TFlashPreview& owner, std::string ruffle_folder)
      : owner_(owner), ruffle_folder_(std::move(ruffle_folder)) {}

  void requestStarted(QWebEngineUrlRequestJob* job) override {
    const QUrl url = job->requestUrl();
    const QStringList parts = url.path().split('/', Qt::SkipEmptyParts);
    if (url.host() != kHost || parts.isEmpty()) return job->fail(QWebEngineUrlRequestJob::UrlInvalid);
    const QString generation = QString::number(owner_.generation_);
    if (parts[0] == kMoviePath && parts.size() == 2 && parts[1] == generation && !owner_.movie_.empty()) {
      const QString folder_url = owner_.FolderUrl();
      const QString movie_name = QString::fromStdString(std::filesystem::path(owner_.movie_).filename().string());
      auto* page = new QBuffer(job);  // the job frees it
      page->setData(PageHtml(folder_url, folder_url + QString::fromUtf8(QUrl::toPercentEncoding(movie_name))));
      return job->reply("text/html", page);
    }
    if (parts[0] == kRufflePath && parts.size() == 2 && PlainFileName(parts[1]))
      return ReplyFile(job, JoinPath(ruffle_folder_, parts[1].toStdString()));
    if (parts[0] == kMoviePath && parts.size() == 3 && parts[1] == generation && PlainFileName(parts[2]) &&
        !owner_.movie_.empty())
      return ReplyFile(job, JoinPath(std::filesystem::path(owner_.movie_).parent_path().string(), parts[2].toStdString()));
    job->fail(QWebEngineUrlRequestJob::UrlNotFound);
  }

private:
  static void ReplyFile(QWebEngineUrlRequestJob* job, const std::string& path) {
    auto* file = new QFile(QString::fromStdString(path), job);  // the job frees it
    if (!file->open(QIODevice::ReadOnly)) return job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    job->reply(ContentType(path), file);
  }

  const TFlashPreview& owner_;
  std::string ruffle_folder_;
};

void TFlashPreview::RegisterScheme() {
  if (scheme_registered) return;
  QWebEngineUrlScheme scheme(kScheme);
  scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
  scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalAccessAllowed |
                  QWebEngineUrlScheme::CorsEnabled);
  QWebEngineUrlScheme::registerScheme(scheme);
  // The web view shares its drawing context with the widgets; this must precede the application.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  scheme_registered = true;
}

bool TFlashPreview::Available() { return scheme_registered; }

TFlashPreview::TFlashPreview(const std::string& ruffle_folder, QWidget* parent)
    : QWidget(parent), handler_(std::make_unique<TSchemeHandler>(*this, ruffle_folder)) {
  // A profile of its own, in memory only: no cache keeps an earlier preview, and the scheme
  // handler serves this view alone.
  profile_ = new QWebEngineProfile(this);
  profile_->installUrlSchemeHandler(kScheme, handler_.get());
  profile_->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
  profile_->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
  view_ = new QWebEngineView(this);
  view_->setPage(new TPage(profile_, *this));
  view_->setContextMenuPolicy(Qt::NoContextMenu);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
}

TFlashPreview::~TFlashPreview() {
  // The page goes before its profile, and both before the scheme handler they use.
  delete view_->page();
  delete view_;
  delete profile_;
}

void TFlashPreview::ShowMovie(const std::string& path) {
  movie_ = path;
  ++generation_;
  if (path.empty()) {
    view_->setHtml("<html><body style=\"background:#000\"></body></html>");
    return;
  }
  view_->setUrl(QUrl(FolderUrl()));
}

QString TFlashPreview::FolderUrl() const {
  return BaseUrl() + kMoviePath + "/" + QString::number(generation_) + "/";
}

}  // namespace fc::gui
