// expected: ECMAScript semantics, checked with node
// Function expressions wherever an expression may stand: call arguments, object literal
// values, array elements, return values, operands, and functions called where they are made.
var sorted = [5, 1, 4, 2, 3];
sorted.sort(function (a, b) { return b - a; });
trace(sorted.join(","));
function apply(f, v) { return f(v); }
trace(apply(function (x) { return x * x; }, 7));
trace(apply(function (s) { return s.toUpperCase(); }, "shout") + apply(function () { return "!"; }));

// object literal values
var three = {valueOf: function () { return 3; }};
trace(three + 1);
trace(three * 2 + " " + (three > 2));
var shape = {w: 2, h: 5, area: function () { return this.w * this.h; }, name: "rect"};
trace(shape.name + " " + shape.area());

// array elements
var ops = [function (a, b) { return a + b; }, function (a, b) { return a * b; }];
trace(ops.length + " " + ops[0](3, 4) + " " + ops[1](3, 4));
var table = {double: [function (v) { return v * 2; }]};
trace(table.double[0](21));

// return values, and a function returned by a function returned by a function
function adder(a) {
  return function (b) {
    return function (c) { return a + b + c; };
  };
}
trace(adder(1)(2)(3));

// immediately called
trace((function () { return "called at once"; })());
trace((function (a, b) { return a - b; })(10, 4));
var counter = (function () {
  var n = 0;
  return {next: function () { n++; return n; }};
})();
counter.next();
trace(counter.next());

// operands
trace(typeof function () { });
var chosen = true ? function () { return "yes"; } : function () { return "no"; };
trace(chosen());
var fallback = null || function () { return "fallback"; };
trace(fallback());
