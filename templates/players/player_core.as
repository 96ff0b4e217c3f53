// Playback shared by every player skin: which clips to play, playing, pausing, seeking, the
// end of the list, links, posters, auto hide and the trace lines of the tests.
//
// A skin #includes this file in its frame script after setting kHasBar (true when it draws a
// control bar of kBarHeight pixels), then defines the hooks it needs:
//   SkinLayout(x, y, w, h)  lay the controls out; the video area is given (called at start and
//                           whenever the stage changes size)
//   SkinUpdate()            once a frame: show position, loaded part, state
// and calls StartPlayer() last. Controls call TogglePlay(), SeekTo(seconds), SetVolume(0..100),
// ToggleMute() and ToggleFullScreen(), and read Position(), Duration(), LoadedShare(),
// IsPlaying(), volume and muted.
//
// The template is imported into the generated movie as the sprite "player_mc" (depth 4000,
// main frame 2). What a player reads, set by that movie's frame 1:
//   _global.g_noDebug              true: no trace lines (the tests set it false and read
//                                  "player:play NAME", "player:pause", "player:seek SECONDS",
//                                  "player:end", "player:url URL TARGET")
//   _global.g_AutoPlay             true: start without a click
//   _global.g_Repetition           true: start the list again at its end
//   _global.g_ClickingUrl, g_ClickingTarget   link of a click on the playing video
//   _global.g_EndUrl, g_EndTarget  link opened at the end of the list
//                                  (getURL; an empty target is the same window)
//   _global.g_noPlayer             true for None.swf (no control bar)
//   _global.g_AutoHideMouse        true: hide the mouse after g_AutoHideDelay ms without
//   _global.g_AutoHideDelay        movement while playing
//   _global.g_AutoHideSkin         true: the bar lies over the video and hides with the mouse
//   _global.g_SkinColor, g_SkinColorSaturation   the bar's colour (read by the skin)
//   _global.g_bSlide               a slide show: each clip's poster shows until it plays
//   _global.g_noRePlay             no replay: the end is final (small frames, previews)
//   _global.g_showPerloader        preview with a preloader: auto play waits while the
//                                  preloader demonstrates itself (g_PreloaderBusy, below)
//   Clips, one of three layouts:
//   _global.g_ArrFlvPath[i], g_ArrPhotoPath[i]   FLV files (relative to the page) and posters
//   _global.g_FLvFromUrlVar        name V of a page variable: _root[V] is
//                                  "a.flv,a.jpg#b.flv,b.jpg" (pictures only with thumbnails)
//   _global.FramesArrays[j], realTotalFrames, swffps
//                                  video embedded as segment sprites _root.mc1, mc2, ... on
//                                  main frames 2, 3, ...; frame counts and frame rate
// The player lays itself out from Stage.width and Stage.height; the video area is the whole
// stage, less the bar of a skin whose bar does not hide.
//
// What a player tells the preloader ("preloader_mc", templates/preloaders/preloader_core.as
// has the whole protocol), published once a frame by PublishState:
//   _global.g_PlayerState          "waiting" (for a click), "loading" (a clip was asked for
//                                  and its first picture has not shown yet), "playing",
//                                  "paused", "ended"
//   _global.g_LoadedShare          0..1, LoadedShare() of the current clip
// and what it reads from the preloader:
//   _global.g_PreloaderBusy        true while a preview's preloader demonstrates itself;
//                                  auto play waits for it, kPreloaderWaitMs at most

var kBarHeight = 41;
var kVideoDepth = 1;     // the video object "vid" that the template build places
var kPosterDepth = 20;
var kHitDepth = 50;
var kBarDepth = 100;
var kEmbeddedFirstFrame = 2;  // main frame that shows segment 0 ("mc1")
var kDefaultFps = 15;

var host = this;
var is_debug = _global.g_noDebug != true;
var auto_hide_skin = kHasBar && _global.g_AutoHideSkin == true;
var no_replay = _global.g_noRePlay == true;

var clips = [];          // external: {Flv, Photo} per clip in playing order
var photos = [];         // embedded: poster per segment (slide previews)
var embedded = false;
var frames_per_segment = [];
var total_frames = 0;
var embedded_fps = kDefaultFps;

var current = -1;        // clip or segment playing (from 0)
var playing = false;
var started = false;     // playback began once (a click now follows the click link)
var ended = false;
var duration = 0;        // seconds of the current clip (external) or of all segments
var video_width = 0;
var video_height = 0;
var volume = 100;
var muted = false;
var last_move = 0;
var area_x = 0;
var area_y = 0;
var area_w = 0;
var area_h = 0;
var pending_seek = -1;   // embedded: main frame counts to reach once the segment exists
var sound = new Sound();
var ns = null;

function Log(text) {
  if (is_debug) trace(text);
}

// A link as the movie gives it; an empty target is getURL's own default (the same window).
function OpenUrl(url, target) {
  if (url == undefined || url == "") return;
  if (target == undefined) target = "";
  Log("player:url " + url + " " + target);
  if (target == "") getURL(url);
  else getURL(url, target);
}

function ReadClips() {
  var i;
  if (_global.FramesArrays instanceof Array && _global.FramesArrays.length > 0) {
    embedded = true;
    frames_per_segment = _global.FramesArrays;
    total_frames = Number(_global.realTotalFrames);
    if (isNaN(total_frames) || total_frames <= 0) {
      total_frames = 0;
      for (i = 0; i < frames_per_segment.length; i++) total_frames += Number(frames_per_segment[i]);
    }
    embedded_fps = Number(_global.swffps);
    if (isNaN(embedded_fps) || embedded_fps <= 0) embedded_fps = kDefaultFps;
    duration = total_frames / embedded_fps;
    if (_global.g_ArrPhotoPath instanceof Array) photos = _global.g_ArrPhotoPath;
    return;
  }
  if (_global.g_FLvFromUrlVar != undefined && _global.g_FLvFromUrlVar != "") {
    // The page's URL variable: "a.flv,a.jpg#b.flv,b.jpg" (the pictures only with thumbnails).
    var text = _root[_global.g_FLvFromUrlVar];
    if (text == undefined) text = "";
    var items = String(text).split("#");
    for (i = 0; i < items.length; i++) {
      if (items[i] == "") continue;
      var parts = items[i].split(",");
      clips.push({Flv: parts[0], Photo: parts.length > 1 ? parts[1] : undefined});
    }
    return;
  }
  if (_global.g_ArrFlvPath instanceof Array) {
    for (i = 0; i < _global.g_ArrFlvPath.length; i++) {
      var photo = _global.g_ArrPhotoPath instanceof Array ? _global.g_ArrPhotoPath[i] : undefined;
      clips.push({Flv: _global.g_ArrFlvPath[i], Photo: photo});
    }
  }
}

// ---------------------------------------------------------------------------------------
// Layout

function StageWidth() { return Stage.width; }
function StageHeight() { return Stage.height; }

function Layout() {
  area_x = 0;
  area_y = 0;
  area_w = StageWidth();
  area_h = StageHeight() - (kHasBar && !auto_hide_skin ? kBarHeight : 0);
  if (area_h < 1) area_h = 1;
  FitVideo();
  FitPoster(poster_mc);
  hit_mc.clear();
  hit_mc.beginFill(0x000000, 0);
  DrawRect(hit_mc, area_x, area_y, area_w, area_h);
  hit_mc.endFill();
  if (typeof(SkinLayout) == "function") SkinLayout(area_x, area_y, area_w, area_h);
}

function DrawRect(mc, x, y, w, h) {
  mc.moveTo(x, y);
  mc.lineTo(x + w, y);
  mc.lineTo(x + w, y + h);
  mc.lineTo(x, y + h);
  mc.lineTo(x, y);
}

// Scales w x h into the video area keeping its aspect, centred; gives {x, y, w, h}.
function FitBox(w, h) {
  if (!(w > 0) || !(h > 0)) return {x: area_x, y: area_y, w: area_w, h: area_h};
  var s = Math.min(area_w / w, area_h / h);
  var fw = Math.round(w * s), fh = Math.round(h * s);
  return {x: area_x + Math.floor((area_w - fw) / 2), y: area_y + Math.floor((area_h - fh) / 2), w: fw, h: fh};
}

function FitVideo() {
  var box = FitBox(video_width, video_height);
  vid._x = box.x;
  vid._y = box.y;
  vid._width = box.w;
  vid._height = box.h;
}

function FitPoster(mc) {
  if (mc.picture_width > 0) {
    var box = FitBox(mc.picture_width, mc.picture_height);
    mc._x = box.x;
    mc._y = box.y;
    mc._xscale = box.w / mc.picture_width * 100;
    mc._yscale = box.h / mc.picture_height * 100;
  }
}

// ---------------------------------------------------------------------------------------
// Posters: the clip's picture while it waits for play (every clip's in a slide show)

var poster_loader = new MovieClipLoader();
var poster_listener = new Object();
// The picture may arrive after the clip has started: it then stays hidden.
var poster_wanted = false;
poster_listener.onLoadInit = function(target) {
  target.picture_width = target._width;
  target.picture_height = target._height;
  FitPoster(target);
  target._visible = poster_wanted;
};
poster_loader.addListener(poster_listener);

function ShowPoster(index) {
  var photo = embedded ? photos[index] : clips[index].Photo;
  if (photo == undefined || photo == "") {
    HidePoster();
    return;
  }
  poster_wanted = true;
  poster_mc._visible = true;
  if (poster_mc.shown == photo) return;
  poster_mc.shown = photo;
  poster_mc.picture_width = 0;
  poster_loader.loadClip(FileUrl(photo), poster_mc);
}

function HidePoster() {
  poster_wanted = false;
  poster_mc._visible = false;
}

// ---------------------------------------------------------------------------------------
// External FLVs

function OpenStream() {
  var nc = new NetConnection();
  nc.connect(null);
  ns = new NetStream(nc);
  ns.setBufferTime(1);
  vid.attachVideo(ns);
  vid.smoothing = true;
  ns.onStatus = function(info) { OnStreamStatus(info.code); };
  ns.onMetaData = function(meta) { OnMetaData(meta); };
}

function OnStreamStatus(code) {
  if (code == "NetStream.Play.Start" || code == "NetStream.Buffer.Full") {
    if (playing) HidePoster();
  } else if (code == "NetStream.Play.Stop") {
    ClipEnded();
  } else if (code == "NetStream.Play.StreamNotFound") {
    ClipEnded();  // a missing clip is skipped
  }
}

function OnMetaData(meta) {
  if (meta.duration > 0) duration = meta.duration;
  if (meta.width > 0 && meta.height > 0) {
    video_width = meta.width;
    video_height = meta.height;
    FitVideo();
  }
}

// A file name as a URL relative to the page: the characters a URL gives a meaning ("%", "#",
// "?", and "\\", which browsers read as "/") are percent-encoded; a name that is a URL already
// (it has a scheme) stays as it is.
function FileUrl(name) {
  if (name.indexOf("://") > 0) return name;
  var special = ["%", "#", "?", "\\"];
  var codes = ["%25", "%23", "%3F", "%5C"];
  for (var i = 0; i < special.length; i++) name = name.split(special[i]).join(codes[i]);
  return name;
}

function StartClip(index) {
  current = index;
  playing = true;
  started = true;
  ended = false;
  // An external clip's length comes with its metadata; the segments' is known from the start.
  if (!embedded) duration = 0;
  if (index == 0 || _global.g_bSlide == true) ShowPoster(index);
  if (embedded) {
    SeekFrames(FirstFrameOf(index));
    Log("player:play mc" + (index + 1));
    return;
  }
  ns.play(FileUrl(clips[index].Flv));
  Log("player:play " + clips[index].Flv);
}

// ---------------------------------------------------------------------------------------
// Embedded segments: main frame 2 + j holds segment j as "mc" + (j + 1); each segment's last
// frame moves the main timeline on.

function FirstFrameOf(segment) {
  var n = 0;
  for (var j = 0; j < segment; j++) n += Number(frames_per_segment[j]);
  return n;
}

function SegmentIndex() { return _root._currentframe - kEmbeddedFirstFrame; }
function SegmentClip() { return _root["mc" + (SegmentIndex() + 1)]; }

// Goes to `frame` frames from the start of the first segment; the segment plays when playing.
function SeekFrames(frame) {
  if (frame < 0) frame = 0;
  if (frame >= total_frames) frame = total_frames - 1;
  var j = 0;
  var first = 0;
  while (j < frames_per_segment.length - 1 && frame >= first + Number(frames_per_segment[j])) {
    first += Number(frames_per_segment[j]);
    j++;
  }
  current = j;
  if (SegmentIndex() != j) _root.gotoAndStop(kEmbeddedFirstFrame + j);
  var clip = SegmentClip();
  if (clip == undefined) {
    pending_seek = frame;  // placed at the next frame
    return;
  }
  pending_seek = -1;
  if (playing) clip.gotoAndPlay(frame - first + 1);
  else clip.gotoAndStop(frame - first + 1);
}

function UpdateEmbedded() {
  var clip = SegmentClip();
  if (clip == undefined) return;
  if (pending_seek >= 0) {
    SeekFrames(pending_seek);
    return;
  }
  var j = SegmentIndex();
  if (j != current) {
    // The timeline moved on by itself: the next segment starts.
    current = j;
    if (playing) {
      clip.play();
      if (_global.g_bSlide == true) ShowPoster(j);
      Log("player:play mc" + (j + 1));
    } else {
      clip.stop();
    }
  } else if (!playing) {
    clip.stop();
  }
  if (playing && photos.length > 0 && clip._currentframe > 1) HidePoster();
  if (playing && j >= frames_per_segment.length - 1 && clip._currentframe >= clip._totalframes) {
    clip.stop();
    ClipEnded();
  }
}

// ---------------------------------------------------------------------------------------
// Commands

function IsPlaying() { return playing; }
function Duration() { return duration; }

function Position() {
  if (embedded) {
    var clip = SegmentClip();
    var frame = FirstFrameOf(SegmentIndex()) + (clip == undefined ? 0 : clip._currentframe - 1);
    return frame / embedded_fps;
  }
  return ns == null || current < 0 ? 0 : ns.time;
}

// The share (0..1) of the current clip that has arrived.
function LoadedShare() {
  if (embedded) return _root.getBytesTotal() > 0 ? _root.getBytesLoaded() / _root.getBytesTotal() : 1;
  if (ns == null || current < 0 || !(ns.bytesTotal > 0)) return 0;
  return ns.bytesLoaded / ns.bytesTotal;
}

function PlayVideo() {
  if (playing || clips.length == 0 && !embedded) return;
  if (ended && no_replay) return;
  if (!started || ended) {
    StartClip(0);
    return;
  }
  playing = true;
  if (embedded) {
    SegmentClip().play();
    Log("player:play mc" + (current + 1));
  } else {
    ns.pause(false);
    Log("player:play " + clips[current].Flv);
  }
}

function PauseVideo() {
  if (!playing) return;
  playing = false;
  if (embedded) SegmentClip().stop();
  else ns.pause(true);
  Log("player:pause");
}

function TogglePlay() {
  if (playing) PauseVideo();
  else PlayVideo();
}

function SeekTo(seconds) {
  if (!started || (embedded ? total_frames <= 0 : current < 0)) return;
  if (seconds < 0) seconds = 0;
  if (duration > 0 && seconds > duration) seconds = duration;
  Log("player:seek " + seconds);
  if (embedded) {
    if (ended) playing = true;
    ended = false;
    SeekFrames(Math.floor(seconds * embedded_fps));
    return;
  }
  if (ended) {
    // The stream has stopped: open the clip again at the place asked for.
    ended = false;
    playing = true;
    ns.play(FileUrl(clips[current].Flv));
  }
  ns.seek(seconds);
}

function ApplyVolume() {
  sound.setVolume(muted ? 0 : volume);
}

function SetVolume(value) {
  volume = Math.max(0, Math.min(100, Math.round(value)));
  muted = false;
  ApplyVolume();
}

function ToggleMute() {
  muted = !muted;
  ApplyVolume();
}

function CanFullScreen() { return Stage["displayState"] != undefined; }

function ToggleFullScreen() {
  if (!CanFullScreen()) return;
  Stage["displayState"] = Stage["displayState"] == "fullScreen" ? "normal" : "fullScreen";
}

// The end of a clip: the next one, or the end of the list with its link and repetition.
function ClipEnded() {
  if (!embedded && current + 1 < clips.length) {
    StartClip(current + 1);
    return;
  }
  playing = false;
  ended = true;
  Log("player:end");
  OpenUrl(_global.g_EndUrl, _global.g_EndTarget);
  if (_global.g_Repetition == true && !no_replay) StartClip(0);
}

// A click on the video: it starts a player that waits; then it follows the click link, or
// pauses and resumes when there is none.
function VideoClicked() {
  if (!started || ended) {
    PlayVideo();
  } else if (_global.g_ClickingUrl != undefined && _global.g_ClickingUrl != "") {
    OpenUrl(_global.g_ClickingUrl, _global.g_ClickingTarget);
  } else {
    TogglePlay();
  }
}

// ---------------------------------------------------------------------------------------
// Auto hide of the mouse and of the control bar

var mouse_listener = new Object();
mouse_listener.onMouseMove = function() {
  last_move = getTimer();
  ShowIdleParts(true);
};
Mouse.addListener(mouse_listener);

var idle_hidden = false;
function ShowIdleParts(show) {
  if (show == !idle_hidden) return;
  idle_hidden = !show;
  if (_global.g_AutoHideMouse == true) {
    if (show) Mouse.show();
    else Mouse.hide();
  }
  if (auto_hide_skin) bar_mc._visible = show;
}

function UpdateIdle() {
  var delay = Number(_global.g_AutoHideDelay);
  if (isNaN(delay) || delay < 0) delay = 5000;
  if (playing && getTimer() - last_move >= delay) ShowIdleParts(false);
  else if (!playing) ShowIdleParts(true);
}

// ---------------------------------------------------------------------------------------
// Start

// ---------------------------------------------------------------------------------------
// The preloader protocol (see the header)

var kPreloaderWaitMs = 5000;
var kPreloaderWaitFrames = 150;  // a stalled clock ends the wait too
var preloader_wait_start = getTimer();
var preloader_wait_frames = 0;

// A preview with a preloader (g_showPerloader) shows the preloader at work: auto play waits
// while it says it is busy, and not longer than the limits above.
function PreloaderRunning() {
  if (_global.g_showPerloader != true || _global.g_PreloaderBusy != true || _root.preloader_mc == undefined)
    return false;
  preloader_wait_frames++;
  return getTimer() - preloader_wait_start < kPreloaderWaitMs && preloader_wait_frames < kPreloaderWaitFrames;
}

function PlayerState() {
  if (ended) return "ended";
  if (!playing) return started ? "paused" : "waiting";
  if (!embedded && !(ns.time > 0) && LoadedShare() < 1) return "loading";
  return "playing";
}

function PublishState() {
  _global.g_PlayerState = PlayerState();
  _global.g_LoadedShare = LoadedShare();
}

var wants_auto_play = false;

function StartPlayer() {
  Stage.scaleMode = "noScale";
  Stage.align = "TL";
  ReadClips();
  host.createEmptyMovieClip("poster_mc", kPosterDepth);
  host.createEmptyMovieClip("hit_mc", kHitDepth);
  hit_mc.useHandCursor = _global.g_ClickingUrl != undefined && _global.g_ClickingUrl != "";
  hit_mc.onRelease = function() { VideoClicked(); };
  if (embedded) {
    vid._visible = false;
  } else {
    OpenStream();
  }
  var stage_listener = new Object();
  stage_listener.onResize = function() { Layout(); };
  Stage.addListener(stage_listener);
  Layout();
  if (embedded) SegmentClip().stop();
  if (embedded || clips.length > 0) ShowPoster(0);
  wants_auto_play = _global.g_AutoPlay == true;
  last_move = getTimer();
  preloader_wait_start = getTimer();
  PublishState();
  host.onEnterFrame = function() {
    if (wants_auto_play && !PreloaderRunning()) {
      wants_auto_play = false;
      PlayVideo();
    }
    if (embedded) UpdateEmbedded();
    UpdateIdle();
    PublishState();
    if (typeof(SkinUpdate) == "function") SkinUpdate();
  };
}
