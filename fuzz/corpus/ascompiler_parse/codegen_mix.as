var a = 1 + 2 * 3;
trace(a);
trace("s" + a);
function f(x, y) { var t = x * y; return t + 1; }
trace(f(3, 4));
var o = {p: 1, q: "two"};
trace(o.q);
var arr = [1, 2, 3];
arr[1] += 10;
trace(arr);
var i = 0;
var s = 0;
while (i < 10) { i++; if (i == 3) continue; if (i == 8) break; s += i; }
trace(s);
for (var k = 0; k < 3; k++) { switch (k) { case 0: trace("zero"); break; case 1: trace("one"); continue; default: trace("other"); } }
function mk() { var c = 0; return function () { c++; return c; }; }
var g = mk(); g(); trace(g());
try { throw "boom"; } catch (e) { trace("caught " + e); } finally { trace("fin"); }
var j = 0; var b = [5, 6, 7]; b[j++] += 1; trace(b + " " + j);
trace(3000000000);
trace(typeof o);
trace(5 > 3);
trace(2 >= 3);
function h() { return arguments.length; }
trace(h(1, 2, 3));
trace(h2());
function h2() { return "hoisted"; }
