// LargeButtons.swf: a skin for small frames and fingers. A big round play button lies in the
// middle of the video while the player waits or is paused (and for a moment after a mouse
// movement while it plays, then as a pause button); the 41-pixel bar has large play/pause,
// mute and full-screen buttons around a thick seek bar (click or drag to seek) that shows the
// loaded part and the position. It lays itself out from Stage.width and Stage.height down to
// 120 x 120: narrow stages drop full screen, then mute, before the seek bar shrinks.
//
// It reads g_SkinColor and g_SkinColorSaturation as Player01 does (the bar and the big
// button take that colour) and g_AutoHideSkin (the bar over the video, hiding with the mouse
// after g_AutoHideDelay ms while playing, through player_core.as).

var kHasBar = true;

#include "player_core.as"
#include "skin_paint.as"

var kButton = 41;
var kTrackHeight = 12;
var kMuteMinWidth = 150;   // narrowest stage with the mute button
var kFullMinWidth = 220;   // ... with full screen
var kHoverShowMs = 1500;   // the big button after a mouse movement while playing
var kBigDepth = kBarDepth - 1;

var bar_color = BarColor();
var seeking = false;
var seek_x = 0;
var seek_w = 0;
var moved_at = -1;

host.createEmptyMovieClip("big_mc", kBigDepth);
host.createEmptyMovieClip("bar_mc", kBarDepth);
bar_mc.createEmptyMovieClip("bg_mc", 1);
bar_mc.createEmptyMovieClip("play_mc", 2);
bar_mc.createEmptyMovieClip("seek_mc", 3);
bar_mc.createEmptyMovieClip("mute_mc", 4);
bar_mc.createEmptyMovieClip("full_mc", 5);

big_mc.onRelease = function() { TogglePlay(); };
bar_mc.play_mc.onRelease = function() { TogglePlay(); };
bar_mc.mute_mc.onRelease = function() { ToggleMute(); };
bar_mc.full_mc.onRelease = function() { ToggleFullScreen(); };
bar_mc.seek_mc.onPress = function() { seeking = true; };
bar_mc.seek_mc.onRelease = bar_mc.seek_mc.onReleaseOutside = function() {
  seeking = false;
  var d = Duration();
  if (d > 0) SeekTo(SeekShare() * d);
};

var hover_listener = new Object();
hover_listener.onMouseMove = function() { moved_at = getTimer(); };
Mouse.addListener(hover_listener);

function SeekShare() { return seek_w > 0 ? Math.max(0, Math.min(1, (bar_mc._xmouse - seek_x) / seek_w)) : 0; }

// A circle of radius r around (cx, cy) in eight curves.
function DrawCircle(mc, cx, cy, r) {
  var k = Math.tan(Math.PI / 8);
  var d = Math.SQRT1_2;
  mc.moveTo(cx + r, cy);
  mc.curveTo(cx + r, cy + r * k, cx + r * d, cy + r * d);
  mc.curveTo(cx + r * k, cy + r, cx, cy + r);
  mc.curveTo(cx - r * k, cy + r, cx - r * d, cy + r * d);
  mc.curveTo(cx - r, cy + r * k, cx - r, cy);
  mc.curveTo(cx - r, cy - r * k, cx - r * d, cy - r * d);
  mc.curveTo(cx - r * k, cy - r, cx, cy - r);
  mc.curveTo(cx + r * k, cy - r, cx + r * d, cy - r * d);
  mc.curveTo(cx + r, cy - r * k, cx + r, cy);
}

// The big button's radius for a video area: a fifth of its shorter side, within 16 to 48.
function BigRadius(w, h) { return Math.max(16, Math.min(48, Math.round(Math.min(w, h) / 5))); }

function SkinLayout(x, y, w, h) {
  var width = StageWidth();
  big_mc._x = x + Math.round(w / 2);
  big_mc._y = y + Math.round(h / 2);
  big_mc.radius = BigRadius(w, h);

  bar_mc._x = 0;
  bar_mc._y = auto_hide_skin ? StageHeight() - kBarHeight : y + h;
  var bg = bar_mc.bg_mc;
  bg.clear();
  bg.beginFill(bar_color, auto_hide_skin ? 85 : 100);
  DrawRect(bg, 0, 0, width, kBarHeight);
  bg.endFill();
  bg.beginFill(Lighter(bar_color, 0.25), 100);
  DrawRect(bg, 0, 0, width, 1);
  bg.endFill();

  var full = CanFullScreen() && width >= kFullMinWidth;
  var mute = width >= kMuteMinWidth;
  var right = width - (full ? kButton : 0);
  bar_mc.full_mc._x = right;
  bar_mc.full_mc._visible = full;
  right -= mute ? kButton : 0;
  bar_mc.mute_mc._x = right;
  bar_mc.mute_mc._visible = mute;
  seek_x = kButton + 4;
  seek_w = Math.max(10, right - 8 - seek_x);
  var fs = bar_mc.full_mc;
  fs.clear();
  fs.beginFill(0x000000, 0);
  DrawRect(fs, 0, 0, kButton, kButton);
  fs.endFill();
  DrawFullScreenIcon(fs, 0, 0, kIcon);
  SkinUpdate();
}

function DrawBig(mc) {
  var r = mc.radius;
  mc.clear();
  mc.lineStyle(3, kIcon, 100);
  mc.beginFill(bar_color, 85);
  DrawCircle(mc, 0, 0, r);
  mc.endFill();
  mc.lineStyle();
  DrawPlayIcon(mc, -r, -r, 2 * r, kIcon);
}

function DrawThickSeek(mc, played, loaded) {
  var top = Math.round((kBarHeight - kTrackHeight) / 2);
  mc.clear();
  mc.beginFill(0x000000, 0);
  DrawRect(mc, seek_x, 0, seek_w, kBarHeight);
  mc.endFill();
  mc.beginFill(Darker(bar_color, 0.55), 100);
  DrawRect(mc, seek_x, top, seek_w, kTrackHeight);
  mc.endFill();
  if (loaded > 0) {
    mc.beginFill(Lighter(bar_color, 0.35), 100);
    DrawRect(mc, seek_x, top, Math.round(seek_w * loaded), kTrackHeight);
    mc.endFill();
  }
  var at = Math.round(seek_w * played);
  if (at > 0) {
    mc.beginFill(kIcon, 100);
    DrawRect(mc, seek_x, top, at, kTrackHeight);
    mc.endFill();
  }
  mc.beginFill(kIcon, 100);
  DrawRect(mc, seek_x + at - 4, top - 5, 8, kTrackHeight + 10);
  mc.endFill();
}

function SkinUpdate() {
  // While it plays, the big button shows briefly after a movement (then it pauses); at a final
  // end it has nothing to start.
  var hovered = moved_at >= 0 && getTimer() - moved_at < kHoverShowMs;
  big_mc._visible = !(ended && no_replay) && (!IsPlaying() || hovered);
  if (big_mc._visible) DrawBig(big_mc);
  var d = Duration();
  var played = seeking ? SeekShare() : (d > 0 ? Math.min(1, Position() / d) : 0);
  var play = bar_mc.play_mc;
  play.clear();
  play.beginFill(0x000000, 0);
  DrawRect(play, 0, 0, kButton, kButton);
  play.endFill();
  DrawPlayIcon(play, 0, 0, kButton, kIcon);
  DrawThickSeek(bar_mc.seek_mc, played, LoadedShare());
  var m = bar_mc.mute_mc;
  m.clear();
  m.beginFill(0x000000, 0);
  DrawRect(m, 0, 0, kButton, kButton);
  m.endFill();
  DrawSpeakerIcon(m, 8, 0, kIcon);
}

StartPlayer();
