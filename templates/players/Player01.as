// Player01.swf: a 41-pixel control bar under the video (over it, hiding itself, with
// g_AutoHideSkin): play/pause, a seek bar with the loaded part and the position (click or drag
// to seek), elapsed and total time, volume with mute, and full screen where the player allows
// it. The bar takes g_SkinColor, mixed into its grey by g_SkinColorSaturation percent.
// Everything is drawn at run time from Stage.width and Stage.height, so one template serves
// every video size.
//
// Besides the globals player_core.as lists (playback, links, posters, layouts, auto hide), it
// reads g_SkinColor (0xRRGGBB) and g_SkinColorSaturation (0 to 100: the share of that colour
// in the bar's grey; 100 when missing) and g_AutoHideSkin (the bar over the video, hiding with
// the mouse after g_AutoHideDelay ms while playing).

var kHasBar = true;

#include "player_core.as"
#include "skin_paint.as"

var kButton = 41;
var kTimeWidth = 84;
var kVolumeWidth = 40;
var kSpeakerWidth = 24;
var kTrackHeight = 6;
var kFullWidth = 200;       // narrowest stage with a full-screen button
var kVolumeMinWidth = 200;  // ... with volume and mute
var kTimeMinWidth = 260;    // ... with the time

var bar_color = BarColor();
var dragging = null;   // the control being dragged: "seek" or "volume"
var seek_x = 0;
var seek_w = 0;
var volume_x = 0;

host.createEmptyMovieClip("bar_mc", kBarDepth);
bar_mc.createEmptyMovieClip("bg_mc", 1);
bar_mc.createEmptyMovieClip("play_mc", 2);
bar_mc.createEmptyMovieClip("seek_mc", 3);
bar_mc.createEmptyMovieClip("speaker_mc", 4);
bar_mc.createEmptyMovieClip("volume_mc", 5);
bar_mc.createEmptyMovieClip("full_mc", 6);
bar_mc.createTextField("time_txt", 7, 0, 0, kTimeWidth, 20);
var time_format = new TextFormat("_sans", 11, kIcon);
time_format.align = "center";
bar_mc.time_txt.selectable = false;
bar_mc.time_txt.setNewTextFormat(time_format);

bar_mc.play_mc.onRelease = function() { TogglePlay(); };
bar_mc.speaker_mc.onRelease = function() { ToggleMute(); };
bar_mc.full_mc.onRelease = function() { ToggleFullScreen(); };
bar_mc.seek_mc.onPress = function() { dragging = "seek"; };
bar_mc.seek_mc.onRelease = bar_mc.seek_mc.onReleaseOutside = function() {
  dragging = null;
  var d = Duration();
  if (d > 0) SeekTo(SeekShare() * d);
};
bar_mc.volume_mc.onPress = function() {
  dragging = "volume";
  SetVolume(VolumeShare() * 100);
};
bar_mc.volume_mc.onRelease = bar_mc.volume_mc.onReleaseOutside = function() { dragging = null; };

function SeekShare() { return seek_w > 0 ? Math.max(0, Math.min(1, (bar_mc._xmouse - seek_x) / seek_w)) : 0; }
function VolumeShare() { return Math.max(0, Math.min(1, (bar_mc._xmouse - volume_x) / kVolumeWidth)); }

// Sizes and places the bar's parts for a stage of the given width; the bar lies under the
// video area, or over its bottom when it hides itself.
function SkinLayout(x, y, w, h) {
  var width = StageWidth();
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

  // Narrow stages drop the time, then volume and full screen, before the seek bar shrinks.
  var full = CanFullScreen() && width >= kFullWidth;
  var show_volume = width >= kVolumeMinWidth;
  var show_time = width >= kTimeMinWidth;
  var right = width - (full ? kButton : 6);
  volume_x = right - (show_volume ? kVolumeWidth : 0);
  var speaker_x = volume_x - (show_volume ? kSpeakerWidth + 2 : 0);
  var time_x = speaker_x - (show_time ? kTimeWidth : 0);
  seek_x = kButton + 6;
  seek_w = Math.max(10, time_x - 6 - seek_x);
  bar_mc.time_txt._x = time_x;
  bar_mc.time_txt._y = Math.round((kBarHeight - 18) / 2);
  bar_mc.time_txt._visible = show_time;
  bar_mc.speaker_mc._x = speaker_x;
  bar_mc.speaker_mc._visible = show_volume;
  bar_mc.volume_mc._visible = show_volume;
  bar_mc.full_mc._x = right;
  bar_mc.full_mc._visible = full;
  DrawFullScreen(bar_mc.full_mc);
  SkinUpdate();
}

function DrawPlay(mc) {
  mc.clear();
  mc.beginFill(0x000000, 0);  // the whole square takes the click
  DrawRect(mc, 0, 0, kButton, kButton);
  mc.endFill();
  mc.beginFill(kIcon, 100);
  if (IsPlaying()) {
    DrawRect(mc, 14, 12, 5, 17);
    DrawRect(mc, 23, 12, 5, 17);
  } else {
    mc.moveTo(15, 11);
    mc.lineTo(30, 20.5);
    mc.lineTo(15, 30);
    mc.lineTo(15, 11);
  }
  mc.endFill();
}

function DrawSeek(mc, played, loaded) {
  var top = Math.round((kBarHeight - kTrackHeight) / 2);
  mc.clear();
  mc.beginFill(0x000000, 0);
  DrawRect(mc, seek_x, 8, seek_w, kBarHeight - 16);
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
  DrawRect(mc, seek_x + at - 3, top - 4, 6, kTrackHeight + 8);
  mc.endFill();
}

function DrawSpeaker(mc) {
  mc.clear();
  mc.beginFill(0x000000, 0);
  DrawRect(mc, 0, 8, kSpeakerWidth, kBarHeight - 16);
  mc.endFill();
  DrawSpeakerIcon(mc, 0, 0, kIcon);
}

function DrawVolume(mc) {
  var top = Math.round((kBarHeight - kTrackHeight) / 2);
  var level = muted ? 0 : volume / 100;
  mc.clear();
  mc.beginFill(0x000000, 0);
  DrawRect(mc, volume_x, 8, kVolumeWidth, kBarHeight - 16);
  mc.endFill();
  mc.beginFill(Darker(bar_color, 0.55), 100);
  DrawRect(mc, volume_x, top, kVolumeWidth, kTrackHeight);
  mc.endFill();
  if (level > 0) {
    mc.beginFill(kIcon, 100);
    DrawRect(mc, volume_x, top, Math.round(kVolumeWidth * level), kTrackHeight);
    mc.endFill();
  }
}

function DrawFullScreen(mc) {
  mc.clear();
  mc.beginFill(0x000000, 0);
  DrawRect(mc, 0, 0, kButton, kButton);
  mc.endFill();
  DrawFullScreenIcon(mc, 0, 0, kIcon);
}

function SkinUpdate() {
  if (dragging == "volume") SetVolume(VolumeShare() * 100);
  var d = Duration();
  var played = dragging == "seek" ? SeekShare() : (d > 0 ? Math.min(1, Position() / d) : 0);
  DrawPlay(bar_mc.play_mc);
  DrawSeek(bar_mc.seek_mc, played, LoadedShare());
  DrawSpeaker(bar_mc.speaker_mc);
  DrawVolume(bar_mc.volume_mc);
  bar_mc.time_txt.text = FormatTime(dragging == "seek" ? played * d : Position()) + " / " + FormatTime(d);
}

StartPlayer();
