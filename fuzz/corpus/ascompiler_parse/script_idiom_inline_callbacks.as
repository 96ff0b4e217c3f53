// expected: documented Flash Player behaviour (watch and addProperty have no ECMAScript
// counterpart): callbacks written where they are passed, as Flash authors write them.
var o = new Object();
o.level = 1;
o.watch("level", function (prop, oldVal, newVal) {
  trace(prop + " " + oldVal + " -> " + newVal);
  return newVal * 10;
});
o.level = 2;
trace(o.level);
o.addProperty("half", function () { return this.level / 2; }, function (v) { this.level = v * 2; });
trace(o.half);
o.unwatch("level");
o.half = 4;
trace(o.level);
var list = [3, 1, 2];
list.sort(function (a, b) { return b - a; });
trace(list.join(","));
Array.prototype.each = function (f) {
  for (var i = 0; i < this.length; i++) f(this[i], i);
};
ASSetPropFlags(Array.prototype, "each", 1);
var out = "";
list.each(function (v, i) { out += i + "=" + v + ";"; });
trace(out);
var settings = {__resolve: function (name) { return "no " + name; }};
trace(settings.colour);
var clip = this.createEmptyMovieClip("button", 1);
clip.onRelease = function () { return "released " + this._name; };
trace(clip.onRelease());
