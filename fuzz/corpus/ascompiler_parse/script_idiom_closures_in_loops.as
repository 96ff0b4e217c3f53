// expected: ECMAScript semantics, checked with node
// The classic closure trap: functions made in a loop all see the loop variable's last value,
// because a variable belongs to the whole function (or timeline), not to one pass of the loop.
// The fixes: a factory function that takes the value as a parameter, or the value kept on the
// function object itself.
function callAt(list, index) {
  var f = list[index];
  return f();
}
var shown = [];
var handlers = [];
for (var i = 0; i < 3; i++) {
  handlers[i] = function () { return "handler sees " + i; };
}
for (var j = 0; j < handlers.length; j++) {
  var h = handlers[j];
  shown.push(h());
}
trace(shown.join(", "));

// the same inside a function: one activation, one variable
function makeAll(count) {
  var list = [];
  for (var k = 0; k < count; k++) {
    list[k] = function () { return k * 10; };
  }
  return list;
}
var made = makeAll(4);
trace(callAt(made, 0) + " " + callAt(made, 3));

// the fix: a factory, each call has its own parameter
function makeOne(n) {
  return function () { return n * 10; };
}
function makeAllFixed(count) {
  var list = [];
  for (var k = 0; k < count; k++) list[k] = makeOne(k);
  return list;
}
var fixed = makeAllFixed(4);
trace(callAt(fixed, 0) + " " + callAt(fixed, 1) + " " + callAt(fixed, 3));

// the other fix: keep the value on the function object
var tagged = [];
for (var t = 0; t < 3; t++) {
  var f = function () { return "tag " + arguments.callee.n; };
  f.n = t;
  tagged.push(f);
}
trace(callAt(tagged, 0) + ", " + callAt(tagged, 2));

// closures see later changes to the variable, not a copy taken when they were made
var message = "before";
var speak = function () { return message; };
message = "after";
trace(speak());

// two closures made by one call share their variables
function makePair() {
  var total = 0;
  var pair = new Object();
  pair.plus = function (v) { total += v; return total; };
  pair.get = function () { return total; };
  return pair;
}
var p1 = makePair();
var p2 = makePair();
p1.plus(5);
p1.plus(7);
p2.plus(1);
trace(p1.get() + " " + p2.get());

// a loop of factories that capture both the index and a value computed in the pass
function labels(names) {
  var out = [];
  for (var m = 0; m < names.length; m++) out.push(makeLabel(m, names[m].toUpperCase()));
  return out;
}
function makeLabel(index, text) {
  return function () { return index + ":" + text; };
}
var ls = labels(["ann", "bob", "cy"]);
trace(callAt(ls, 0) + " " + callAt(ls, 1) + " " + callAt(ls, 2));
