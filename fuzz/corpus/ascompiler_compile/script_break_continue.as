// Loops with break and continue. Expected values: the same code run in node (JavaScript has
// the same semantics).
var s = 0;
var i = 0;
while (i < 10) {
  i++;
  if (i % 2 == 0) continue;
  if (i > 7) break;
  s += i;
}
trace("while " + s + " " + i);
s = 0;
for (var k = 0; k < 10; k++) {
  if (k == 2) continue;
  if (k == 6) break;
  s += k;
}
trace("for " + s + " " + k);
var n = 0;
do {
  n++;
  if (n == 3) continue;
  if (n == 5) break;
} while (n < 10);
trace("do " + n);
do { n += 100; } while (false);
trace("once " + n);
var pairs = "";
for (var x = 0; x < 3; x++) {
  for (var y = 0; y < 3; y++) {
    if (y == x) continue;
    if (y > 1) break;
    pairs += x + "" + y + " ";
  }
}
trace("nested " + pairs);
var hits = "";
for (var m = 0; m < 6; m++) {
  switch (m % 3) {
    case 0:
      continue;
    case 1:
      hits += "one" + m + " ";
      break;
    default:
      hits += "two" + m + " ";
  }
  hits += "|";
}
trace("switch in loop " + hits);
var obj = {a: 1, b: 2, c: 3, d: 4};
var total = 0;
var seen = 0;
for (var key in obj) {
  seen++;
  total += obj[key];
}
trace("for in " + seen + " " + total);
var found = 0;
for (var key2 in obj) {
  if (obj[key2] > 0) {
    found++;
    break;
  }
}
trace("for in break " + found);
function firstOver(list, limit) {
  for (var i = 0; i < list.length; i++) {
    if (list[i] > limit) return list[i];
  }
  return -1;
}
trace("return from loop " + firstOver([1, 5, 9, 12], 6) + " " + firstOver([1], 6));
var count = 0;
while (true) {
  count++;
  if (count >= 4) break;
}
trace("while true " + count);
