// Iris.swf: a black cover with a round hole in the middle that grows until the whole picture
// shows.

#include "effect_core.as"

// A circle as eight quadratic curves: each control point lies on the middle angle of its
// eighth, at the radius where the two tangents meet.
function DrawCircle(mc, cx, cy, r) {
  var reach = r / Math.cos(Math.PI / 8);
  mc.moveTo(cx + r, cy);
  for (var i = 1; i <= 8; i++) {
    var a = i * Math.PI / 4, m = a - Math.PI / 8;
    mc.curveTo(cx + reach * Math.cos(m), cy + reach * Math.sin(m), cx + r * Math.cos(a), cy + r * Math.sin(a));
  }
}

function EffectDraw(mc, w, h, share) {
  var r = Ease(share) * Math.sqrt(w * w + h * h) / 2;
  mc.beginFill(kCoverColor, 100);
  DrawBox(mc, 0, 0, w, h);
  // A second outline inside the same fill is a hole (fills are even-odd).
  if (r >= 1) DrawCircle(mc, w / 2, h / 2, r);
  mc.endFill();
}

StartEffect();
