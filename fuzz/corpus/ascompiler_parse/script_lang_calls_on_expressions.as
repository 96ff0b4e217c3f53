// expected: ECMAScript semantics, checked with node
// Calls and member access on any expression: a[name](), f()(), (expr).m(), new X(args).m()
// (the new binds first: the method applies to the new object), calls on literals.
var tools = {twice: function (v) { return v * 2; }, name: "tools"};
var which = "twice";
trace(tools[which](8));
trace(tools["tw" + "ice"](1));
var list = [function () { return "first"; }, function () { return this.length; }];
trace(list[0]() + " " + list[1]());

// this is the object the member was taken from
var obj = {v: 42, get: function () { return this.v; }};
trace(obj["get"]());

function maker() { return function (x) { return "made " + x; }; }
trace(maker()("item"));
function level1() { return level2; }
function level2() { return level3; }
function level3() { return "three calls"; }
trace(level1()()());

// a method called on a parenthesised expression
trace((1 + 2).toString() + " " + ("ab" + "cd").toUpperCase() + " " + ("x,y,z").split(",").length);
trace((obj).get() + " " + (true ? obj : null).get());
trace([3, 1, 2].sort().join("") + " " + "hello".charAt(1) + " " + "a-b".split("-")[1]);
var n = 255;
trace((n).toString(16) + " " + (n + 1).toString(2));

// new X(args).m(): the method is called on the new object
function Point(x, y) { this.x = x; this.y = y; }
Point.prototype.sum = function () { return this.x + this.y; };
Point.prototype.scaled = function (k) { return new Point(this.x * k, this.y * k); };
trace(new Point(1, 2).sum());
trace(new Point(1, 2).scaled(10).sum());
trace(new Point(3, 4).x + " " + new Array(1, 2, 3).join("-") + " " + new Array(4).length);
var built = new Point(5, 6);
trace(built.sum());

// member access after a call and after an index
function makePoint() { return new Point(7, 8); }
trace(makePoint().x + " " + makePoint().sum() + " " + [new Point(0, 9)][0].y);
