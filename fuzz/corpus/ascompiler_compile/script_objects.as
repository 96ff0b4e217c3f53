// Objects, arrays, prototypes and compound assignment. The expected lines come from running
// this same file in Node with trace(x) defined as console.log(String(x)): JavaScript has the
// same semantics for every line here.
var o = {a: 1, b: "two"};
o.c = o.a + 2;
trace(o.a + "," + o.b + "," + o.c);
o["d"] = 4;
trace(o.d);
var arr = [3, 1, 2];
arr.push(5);
trace(arr.length);
trace(arr.join("-"));
arr.sort();
trace(arr.join("-"));
trace(arr.reverse().join(""));
var a = [0, 0, 0];
var i = 0;
a[i++] += 5;
trace(a.join(",") + " i=" + i);
var calls = 0;
function getObj() { calls++; return o; }
getObj().a++;
trace(o.a + " calls=" + calls);
function Point(x, y) { this.x = x; this.y = y; }
Point.prototype.len2 = function() { return this.x * this.x + this.y * this.y; };
var p = new Point(3, 4);
trace(p.len2());
trace(p instanceof Point);
var s = "Hello, World";
trace(s.length);
trace(s.toUpperCase());
trace(s.indexOf("World"));
trace(s.substr(7, 5));
trace(s.split(", ").join("|"));
trace(s.charAt(4));
