// expected: ECMAScript semantics, checked with node
// var lists: several names in one statement, some with initialisers, at the top level, in
// functions and in a for header; a later initialiser sees the earlier ones.
var a, b = 2, c;
trace(a + " " + b + " " + c);
var first = 1, second = first + 1, third = second * 3;
trace(first + " " + second + " " + third);
var x = 5, y;
y = x * 2;
trace(x + " " + y);
function locals(n) {
  var sum = 0, i, label = "sum";
  for (i = 1; i <= n; i++) sum += i;
  return label + " " + sum + " " + i;
}
trace(locals(4));
function shadow() {
  var a = "local a", b, c = "local c";
  return a + "/" + b + "/" + c;
}
trace(shadow());
trace(a + " " + b + " " + c);
var total = 0;
for (var p = 0, q = 10; p < q; p += 2, q -= 1) total += p * q;
trace(total + " " + p + " " + q);
var typed:Number = 1, named:String = "n", plain;
trace(typed + named + plain);
function counters() {
  var up = 0, down = 10;
  var step = function () { up++; down--; return up + ":" + down; };
  step();
  return step();
}
trace(counters());
