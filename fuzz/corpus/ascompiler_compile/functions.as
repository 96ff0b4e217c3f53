function outer(a, b) { var t = a; function inner() { return t + arguments.length; } return inner(); }
var f = function (x) { return x * 2; };
var o = { a: 1, b: [1, 2, 3], c: "s" };
o.a += f(o.b[1]++);
trace(outer(1, 2) + typeof o + (o instanceof Object) + (1 < 2) + ("a" lt "b"));
delete o.c; x = void 0; y = -x; z = ~y; w = !z;
getURL("http://x", "_blank", "GET"); loadMovieNum("m.swf", 1); fscommand("a", "b");
