// as compile: --swf-version 5
// expected: ECMAScript semantics, checked with node (trace = console.log of String(x)).
// A version-5 movie: the code of version6_functions without the closures over a function's
// locals (Ruffle gives a version-5 function none: a counter made by a function shares its
// count with the next one made); for-in lists a variable by name.
function fact(n) {
  if (n <= 1) return 1;
  return n * fact(n - 1);
}
trace(fact(6));
function sum() {
  var total = 0;
  for (var i = 0; i < arguments.length; i++) total += arguments[i];
  return total + "/" + arguments.length;
}
trace(sum(1, 2, 3, 4));
function Point(x, y) {
  this.x = x;
  this.y = y;
}
Point.prototype.len2 = function () { return this.x * this.x + this.y * this.y; };
var p = new Point(3, 4);
trace(p.len2());
trace(p.x + "," + p.y);
var fns = [];
for (var k = 0; k < 3; k++) {
  var f = function () { return k; };
  fns.push(f);
}
var first = fns[0];
var last = fns[2];
trace(first() + " " + last());
var a = [5, 1, 4];
a.push(2);
trace(a.length + " " + a.join("-"));
a.sort();
trace(a.join(","));
var o = {name: "box", size: 3};
o.size = o.size * 2;
trace(o.name + " " + o.size);
var keys = [];
for (var key in o) keys.push(key + "=" + o[key]);
keys.sort();
trace(keys.join(";"));
var nested = {inner: {deep: [1, [2, 3]]}};
trace(nested.inner.deep[1][0] + nested.inner.deep.length);
function apply(f, v) { return f(v); }
var shout = function (s) { return s + "!"; };
trace(apply(shout, "hi"));
trace(typeof fact + " " + typeof o + " " + typeof 3 + " " + typeof "s");
var s = "Hello";
trace(s.toUpperCase() + " " + s.charAt(1) + " " + s.length + " " + s.indexOf("l"));
trace(7 % 3 + " " + (-7) % 3 + " " + 7 / 2);
trace(1 == 1 && "a" < "b");
