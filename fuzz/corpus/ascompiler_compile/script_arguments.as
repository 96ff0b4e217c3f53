// The arguments object: its length, indexed access, missing and extra arguments. Expected
// values: the same code run in node (JavaScript has the same semantics for these).
function count() { return arguments.length; }
trace(count() + " " + count(1) + " " + count(1, "two", 3));
function sum() {
  var s = 0;
  for (var i = 0; i < arguments.length; i++) s += arguments[i];
  return s;
}
trace(sum(1, 2, 3, 4));
function second(a, b) { return b; }
trace(second(1));
trace(second(1, 2, 3));
function describe(name, age) {
  return name + " is " + age + " (" + arguments.length + " given)";
}
trace(describe("Ann", 30));
function firstArg() { return arguments[0]; }
trace(firstArg("x", "y"));
function mixed(a) { return a + arguments[1]; }
trace(mixed(10, 5));
function outerArgs() {
  var f = function () { return arguments.length; };
  return arguments.length + "/" + f(1, 2, 3);
}
trace(outerArgs("a"));
