// Colours and small drawings that the skins with a control bar share: the bar's colour from
// g_SkinColor and g_SkinColorSaturation, lighter and darker shades of it, the time as text and
// the play/pause icon. Include it after player_core.as (it draws with DrawRect).

var kNeutral = 0x404040;  // the bar's grey before the skin colour is mixed in
var kIcon = 0xF0F0F0;

// `a` moved towards `b` by `share` (0..1), channel by channel.
function Mix(a, b, share) {
  var r = ((a >> 16) & 255) + (((b >> 16) & 255) - ((a >> 16) & 255)) * share;
  var g = ((a >> 8) & 255) + (((b >> 8) & 255) - ((a >> 8) & 255)) * share;
  var bl = (a & 255) + ((b & 255) - (a & 255)) * share;
  return (Math.round(r) << 16) | (Math.round(g) << 8) | Math.round(bl);
}

function Lighter(c, share) { return Mix(c, 0xFFFFFF, share); }
function Darker(c, share) { return Mix(c, 0x000000, share); }

// g_SkinColor (0xRRGGBB) mixed into the neutral grey by g_SkinColorSaturation percent (100
// when missing); the grey without a skin colour.
function BarColor() {
  var skin = Number(_global.g_SkinColor);
  if (isNaN(skin)) return kNeutral;
  var saturation = Number(_global.g_SkinColorSaturation);
  if (isNaN(saturation)) saturation = 100;
  return Mix(kNeutral, skin & 0xFFFFFF, Math.max(0, Math.min(100, saturation)) / 100);
}

function FormatTime(seconds) {
  if (!(seconds > 0)) seconds = 0;
  var s = Math.floor(seconds);
  var rest = s % 60;
  return Math.floor(s / 60) + ":" + (rest < 10 ? "0" : "") + rest;
}

// The pause bars while playing, else the play triangle, filling a square of `size` pixels at
// (x, y) in `colour`.
function DrawPlayIcon(mc, x, y, size, colour) {
  mc.beginFill(colour, 100);
  if (IsPlaying()) {
    var bar = size * 0.12;
    DrawRect(mc, x + size * 0.34, y + size * 0.29, bar, size * 0.42);
    DrawRect(mc, x + size * 0.66 - bar, y + size * 0.29, bar, size * 0.42);
  } else {
    mc.moveTo(x + size * 0.37, y + size * 0.27);
    mc.lineTo(x + size * 0.73, y + size * 0.5);
    mc.lineTo(x + size * 0.37, y + size * 0.73);
    mc.lineTo(x + size * 0.37, y + size * 0.27);
  }
  mc.endFill();
}

// The speaker (struck out when muted) in a box 24 pixels wide and kBarHeight high at (x, y).
function DrawSpeakerIcon(mc, x, y, colour) {
  mc.beginFill(colour, 100);
  mc.moveTo(x + 3, y + 17);
  mc.lineTo(x + 8, y + 17);
  mc.lineTo(x + 14, y + 12);
  mc.lineTo(x + 14, y + 29);
  mc.lineTo(x + 8, y + 24);
  mc.lineTo(x + 3, y + 24);
  mc.lineTo(x + 3, y + 17);
  mc.endFill();
  mc.lineStyle(2, colour, 100);
  if (muted) {
    mc.moveTo(x + 17, y + 16);
    mc.lineTo(x + 23, y + 25);
    mc.moveTo(x + 23, y + 16);
    mc.lineTo(x + 17, y + 25);
  } else {
    mc.moveTo(x + 18, y + 15);
    mc.curveTo(x + 22, y + 20.5, x + 18, y + 26);
  }
  mc.lineStyle();
}

// Four corners of the full-screen sign in a square of kBarHeight pixels at (x, y).
function DrawFullScreenIcon(mc, x, y, colour) {
  mc.lineStyle(2, colour, 100);
  mc.moveTo(x + 12, y + 17); mc.lineTo(x + 12, y + 12); mc.lineTo(x + 17, y + 12);
  mc.moveTo(x + 24, y + 12); mc.lineTo(x + 29, y + 12); mc.lineTo(x + 29, y + 17);
  mc.moveTo(x + 29, y + 24); mc.lineTo(x + 29, y + 29); mc.lineTo(x + 24, y + 29);
  mc.moveTo(x + 17, y + 29); mc.lineTo(x + 12, y + 29); mc.lineTo(x + 12, y + 24);
  mc.lineStyle();
}
