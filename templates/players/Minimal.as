// Minimal.swf: a slim bar that shows only while the mouse is over the movie: play/pause, a
// thin seek line with the loaded part and the position (click or drag to seek) and the time.
// A mouse movement shows it; it fades out after g_AutoHideDelay ms without movement (5000
// when missing), playing or not, and at once when the mouse leaves the video (the player has
// no event for leaving the stage from the bar: there the delay hides it).
//
// With g_AutoHideSkin false the movie reserves kBarHeight pixels under the video: the bar
// lies at the bottom of that strip, which stays plain black while the bar is hidden. With
// g_AutoHideSkin true the bar lies over the bottom of the video. The bar takes g_SkinColor
// mixed into its grey by g_SkinColorSaturation percent, as Player01 does.
//
// The skin shows and hides the bar itself, every frame, after player_core.as's auto hide has
// run; g_AutoHideMouse still hides the mouse as in every player.

var kHasBar = true;

#include "player_core.as"
#include "skin_paint.as"

var kSlimHeight = 26;      // the bar, at the bottom of the stage
var kLineHeight = 3;       // the seek line
var kTimeWidth = 76;
var kTimeMinWidth = 200;   // narrowest stage with the time
var kStripDepth = kBarDepth - 1;
var kFadeStep = 20;        // alpha per frame while fading out

var bar_color = BarColor();
var seeking = false;
var seek_x = 0;
var seek_w = 0;
var moved_at = -1;         // getTimer() of the last mouse movement; -1 before the first
var pointer_left = false;  // the mouse left the video for outside the movie

host.createEmptyMovieClip("strip_mc", kStripDepth);
host.createEmptyMovieClip("bar_mc", kBarDepth);
bar_mc.createEmptyMovieClip("bg_mc", 1);
bar_mc.createEmptyMovieClip("play_mc", 2);
bar_mc.createEmptyMovieClip("seek_mc", 3);
bar_mc.createTextField("time_txt", 4, 0, 0, kTimeWidth, 18);
var time_format = new TextFormat("_sans", 10, kIcon);
time_format.align = "right";
bar_mc.time_txt.selectable = false;
bar_mc.time_txt.setNewTextFormat(time_format);
bar_mc._visible = false;
bar_mc._alpha = 0;

bar_mc.play_mc.onRelease = function() { TogglePlay(); };
bar_mc.seek_mc.onPress = function() { seeking = true; };
bar_mc.seek_mc.onRelease = bar_mc.seek_mc.onReleaseOutside = function() {
  seeking = false;
  var d = Duration();
  if (d > 0) SeekTo(SeekShare() * d);
};

var hover_listener = new Object();
hover_listener.onMouseMove = function() {
  moved_at = getTimer();
  pointer_left = false;
  ShowBar(true);
};
Mouse.addListener(hover_listener);

function SeekShare() { return seek_w > 0 ? Math.max(0, Math.min(1, (bar_mc._xmouse - seek_x) / seek_w)) : 0; }

// The mouse is over the bottom strip, where the bar is (the video's hit area is left for it).
function OverBarStrip() { return host._ymouse >= StageHeight() - kBarHeight && host._ymouse < StageHeight(); }

function HideDelay() {
  var delay = Number(_global.g_AutoHideDelay);
  return isNaN(delay) || delay < 0 ? 5000 : delay;
}

function ShowBar(show) {
  if (show) {
    bar_mc._alpha = 100;
    bar_mc._visible = true;
  } else if (bar_mc._visible) {
    bar_mc._alpha = Math.max(0, bar_mc._alpha - kFadeStep);
    // A faded bar takes no clicks: they go to the video.
    if (bar_mc._alpha <= 0) bar_mc._visible = false;
  }
}

function SkinLayout(x, y, w, h) {
  var width = StageWidth();
  var height = StageHeight();
  strip_mc.clear();
  if (!auto_hide_skin) {
    strip_mc.beginFill(0x000000, 100);
    DrawRect(strip_mc, 0, y + h, width, height - (y + h));
    strip_mc.endFill();
  }
  bar_mc._x = 0;
  bar_mc._y = height - kSlimHeight;
  var bg = bar_mc.bg_mc;
  bg.clear();
  bg.beginFill(bar_color, auto_hide_skin ? 80 : 100);
  DrawRect(bg, 0, 0, width, kSlimHeight);
  bg.endFill();
  var show_time = width >= kTimeMinWidth;
  var time_x = width - (show_time ? kTimeWidth + 6 : 0);
  seek_x = kSlimHeight + 4;
  seek_w = Math.max(10, time_x - 8 - seek_x);
  bar_mc.time_txt._x = time_x;
  bar_mc.time_txt._y = Math.round((kSlimHeight - 16) / 2);
  bar_mc.time_txt._visible = show_time;
  SkinUpdate();
}

function DrawSeekLine(mc, played, loaded) {
  var top = Math.round((kSlimHeight - kLineHeight) / 2);
  mc.clear();
  mc.beginFill(0x000000, 0);  // the whole height of the bar takes the click
  DrawRect(mc, seek_x, 0, seek_w, kSlimHeight);
  mc.endFill();
  mc.beginFill(Darker(bar_color, 0.55), 100);
  DrawRect(mc, seek_x, top, seek_w, kLineHeight);
  mc.endFill();
  if (loaded > 0) {
    mc.beginFill(Lighter(bar_color, 0.35), 100);
    DrawRect(mc, seek_x, top, Math.round(seek_w * loaded), kLineHeight);
    mc.endFill();
  }
  var at = Math.round(seek_w * played);
  if (at > 0) {
    mc.beginFill(kIcon, 100);
    DrawRect(mc, seek_x, top, at, kLineHeight);
    mc.endFill();
  }
  mc.beginFill(kIcon, 100);
  DrawRect(mc, seek_x + at - 1, top - 3, 3, kLineHeight + 6);
  mc.endFill();
}

function SkinUpdate() {
  var recent = moved_at >= 0 && getTimer() - moved_at < HideDelay();
  ShowBar(seeking || recent && !pointer_left);
  var d = Duration();
  var played = seeking ? SeekShare() : (d > 0 ? Math.min(1, Position() / d) : 0);
  var play = bar_mc.play_mc;
  play.clear();
  play.beginFill(0x000000, 0);
  DrawRect(play, 0, 0, kSlimHeight, kSlimHeight);
  play.endFill();
  DrawPlayIcon(play, 0, 0, kSlimHeight, kIcon);
  DrawSeekLine(bar_mc.seek_mc, played, LoadedShare());
  bar_mc.time_txt.text = FormatTime(seeking ? played * d : Position()) + " / " + FormatTime(d);
}

StartPlayer();

// Leaving the video for outside the movie hides the bar; leaving it for the bar does not.
hit_mc.onRollOut = function() {
  if (!OverBarStrip()) pointer_left = true;
};
