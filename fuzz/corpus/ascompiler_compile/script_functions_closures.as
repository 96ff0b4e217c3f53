// Functions and closures: recursion, functions as values, hoisting, a later definition of the
// same name winning, closures over locals and parameters. Expected values: the same code run
// in node (JavaScript has the same semantics).
trace(early(2));
function early(n) { return n * 10; }
function fact(n) {
  if (n <= 1) return 1;
  return n * fact(n - 1);
}
trace(fact(10));
function twice(f, x) { return f(f(x)); }
var plus3 = function (v) { return v + 3; };
trace(twice(plus3, 1));
function makeCounter(start) {
  var count = start;
  return function () {
    count++;
    return count;
  };
}
var c1 = makeCounter(0);
var c2 = makeCounter(100);
c1();
c1();
trace(c1() + " " + c2());
function adder(a) {
  return function (b) { return a + b; };
}
var add5 = adder(5);
var add10 = adder(10);
trace(add5(1) + " " + add10(2));
function late() {
  var get = function () { return value; };
  var value = "bound later";
  return get();
}
trace(late());
function pick() { return "first"; }
function pick() { return "second"; }
trace(pick());
function noReturn() { var unused = 1; }
trace(noReturn());
var square = function (x) { return x * x; };
trace(square(7));
function outer() {
  var level = "outer";
  var inner = function () { return level + "/inner"; };
  return inner();
}
trace(outer());
function fib(n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }
trace(fib(15));
var total = 0;
function addAll() {
  for (var i = 0; i < 5; i++) total += i;
}
addAll();
trace(total);
