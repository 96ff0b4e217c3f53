// The player's own classes through imports, full dotted names and short names, with types.
// expected: documented Flash Player behaviour of flash.geom, flash.filters,
// flash.display.BitmapData and TextField.StyleSheet (Flash 8); the arithmetic agrees with
// ECMAScript.
import flash.geom.Point;
import flash.geom.*;
import flash.filters.BlurFilter;
import flash.display.BitmapData;
var p:Point = new Point(1, 2);
trace(p.x + " " + p.y);
trace(p.toString());
var q = new flash.geom.Point(3, 4);
trace(q.length);
trace(Point.distance(new Point(0, 0), q));
var r:Rectangle = new Rectangle(0, 0, 10, 20);
trace(r.width * r.height);
trace(r.containsPoint(new Point(5, 5)));
var ct:ColorTransform = new ColorTransform(1, 1, 1, 0.5, 0, 0, 0, 0);
trace(ct.alphaMultiplier);
var blur:BlurFilter = new BlurFilter(4, 6, 2);
trace(blur.blurX + " " + blur.blurY + " " + blur.quality);
var glow = new flash.filters.GlowFilter(0xFF0000, 1, 3, 3);
trace(glow.color + " " + glow.blurX);
var bmp:BitmapData = new BitmapData(8, 4, true, 0);
trace(bmp.width + "x" + bmp.height);
var m:Matrix = new flash.geom.Matrix();
m.translate(5, 6);
trace(m.tx + " " + m.ty);
trace(typeof flash.external.ExternalInterface.available);
var sheet = new TextField.StyleSheet();
trace(typeof sheet.setStyle);
// Conversion functions stay the player's functions; a cast to MovieClip stays a cast.
trace(Boolean(0) + " " + Number("3") + " " + String(4) + " " + Array(2).length);
trace(MovieClip(_root) == _root);
