// Loops: for, while and do-while, with break and continue, nested. The expected lines come
// from running this same file in Node with trace(x) defined as console.log(String(x)):
// JavaScript has the same semantics for every line here.
var s = "";
for (var i = 0; i < 10; i++) {
  if (i == 2) continue;
  if (i == 6) break;
  s += i;
}
trace(s);
trace(i);
for (var m = 5; m > 0; m -= 2) {
  trace("m=" + m);
}
var j = 0;
var count = 0;
while (true) {
  j++;
  if (j % 2 == 0) continue;
  if (j > 7) break;
  count += j;
}
trace(count);
trace(j);
var k = 10;
do {
  k -= 3;
  if (k == 4) continue;
  trace("k=" + k);
} while (k > 0);
var x = 0;
do {
  x++;
} while (false);
trace(x);
var never = 0;
while (never > 0) {
  never = 100;
}
trace(never);
for (var a = 0; a < 3; a++) {
  for (var b = 0; b < 3; b++) {
    if (b > a) break;
    if (b == 1) continue;
    trace(a + "," + b);
  }
}
var found = -1;
var list = [4, 8, 15, 16, 23, 42];
for (var p = 0; p < list.length; p++) {
  if (list[p] % 2 == 1) {
    found = p;
    break;
  }
}
trace("first odd at " + found);
var total = 0;
var q = 0;
while (q < 100) {
  q++;
  if (q % 10 != 0) continue;
  total += q;
}
trace(total);
var r = 3;
var out = "";
do {
  var t = 0;
  while (true) {
    t++;
    if (t > r) break;
    out += t;
  }
  out += "|";
  r--;
} while (r > 0);
trace(out);
