// expected: documented Flash Player behaviour (Object.watch has no ECMAScript counterpart; the
// callback gets the property name, the old value, the new value and the user data, and what it
// returns is stored)
var log = [];
var volume = new Object();
volume.level = 5;
var clamp = function (prop, oldVal, newVal, limit) {
  log.push(prop + ": " + oldVal + " -> " + newVal);
  if (newVal > limit) return limit;
  if (newVal < 0) return 0;
  return newVal;
};
trace(volume.watch("level", clamp, 10));
volume.level = 7;
volume.level = 25;
trace(volume.level);
volume.level = -3;
trace(volume.level);
volume.level++;
trace(volume.level);
trace(log.join("; "));

// `this` in the callback is the watched object
var sheet = new Object();
sheet.name = "sheet";
var stamp = function (prop, oldVal, newVal) { return newVal + "@" + this.name; };
sheet.watch("title", stamp);
sheet.title = "draft";
trace(sheet.title);

// watching a property that does not exist yet: its old value is undefined
var seen = "";
var remember = function (prop, oldVal, newVal) { seen = prop + " was " + oldVal; return newVal; };
var fresh = new Object();
fresh.watch("later", remember);
fresh.later = 1;
trace(seen + ", now " + fresh.later);

// a callback that returns nothing stores undefined
var forget = function (prop, oldVal, newVal) { };
var lost = new Object();
lost.value = "kept";
lost.watch("value", forget);
lost.value = "replaced";
trace(lost.value);

// unwatch: later assignments are plain again; unwatching twice fails
trace(volume.unwatch("level"));
volume.level = 99;
trace(volume.level);
trace(volume.unwatch("level"));
trace(log.length);

// a second watch on the same property replaces the first
var twice = function (prop, oldVal, newVal) { return newVal * 2; };
var thrice = function (prop, oldVal, newVal) { return newVal * 3; };
var n = new Object();
n.watch("v", twice);
n.watch("v", thrice);
n.v = 5;
trace(n.v);
