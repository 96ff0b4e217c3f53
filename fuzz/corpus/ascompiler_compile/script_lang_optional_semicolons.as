// expected: ECMAScript semantics, checked with node
// Semicolons left out at line ends: a line end ends the statement where the next token could
// not continue it; `return`, `break`, `continue` and a postfix ++ or -- take nothing from the
// next line, so a `return` followed by a line break returns undefined.
var a = 1
var b = 2
trace(a + b)
a++
b--
trace(a + " " + b)
function noSemicolons(x) {
  var y = x * 2
  y += 1
  return y
}
trace(noSemicolons(4))
function early() {
  return
  "never returned"
}
trace(early())
var s = "line"
s += " two"
trace(s)
var o = {k: 1}
o.k = 5
trace(o.k)
var i = 0
while (i < 3) i++
trace(i)
do {
  i--
} while (i > 0)
trace(i)
for (var k = 0; k < 5; k++) {
  if (k == 1) continue
  if (k == 3) break
  trace("k " + k)
}
var counter = 0
var inc = function () { counter++ }
inc()
inc()
trace(counter)
var x = 1
var y = x
++y
trace(x + " " + y)
var f = function () { return 5 }
trace(f())
switch (a) {
  case 2:
    trace("two")
    break
  default:
    trace("other")
}
var total = a
  + b
  + 10
trace(total)
var obj = new Object()
obj.name = "made"
trace(obj.name)
var last = "no semicolon at the end of the file"
trace(last)
