// expected: ECMAScript semantics, checked with node
// arguments and arguments.callee: anonymous recursion through callee, the count of the
// arguments actually passed, arguments beyond the declared parameters, and callee as the
// function itself (a place to keep state between calls).
var factorial = function (n) {
  if (n <= 1) return 1;
  return n * arguments.callee(n - 1);
};
trace(factorial(6));
var countDown = function (n) {
  if (n == 0) return "go";
  return n + " " + arguments.callee(n - 1);
};
trace(countDown(3));

// recursion through callee keeps working when the variable that held the function is reused
var keep = factorial;
factorial = null;
trace(keep(5));

// arguments.length counts what the caller passed, not what the function declares
var declared = function (a, b, c) { return arguments.length; };
trace(declared() + " " + declared(1) + " " + declared(1, 2, 3, 4, 5));
var lastOf = function () { return arguments[arguments.length - 1]; };
trace(lastOf("a", "b", "c"));
var joinAll = function (sep) {
  var parts = [];
  for (var i = 1; i < arguments.length; i++) parts.push(arguments[i]);
  return parts.join(sep);
};
trace(joinAll("-", 1, 2, 3));
trace(joinAll("/"));

// a default for a missing parameter, the old way
var greet = function (name, greeting) {
  if (arguments.length < 2) greeting = "hello";
  return greeting + " " + name;
};
trace(greet("Ann") + ", " + greet("Bob", "hi"));

// callee is the function object: a counter kept on it survives between calls
var ticket = function () {
  if (arguments.callee.issued == undefined) arguments.callee.issued = 0;
  arguments.callee.issued++;
  return "ticket " + arguments.callee.issued;
};
ticket();
ticket();
trace(ticket());
trace(ticket.issued);

// callee in a named function and in a method
function sumTo(n) { return n == 0 ? 0 : n + arguments.callee(n - 1); }
trace(sumTo(100));
var walker = new Object();
walker.depth = function (list) {
  var deepest = 0;
  for (var i = 0; i < list.length; i++) {
    if (typeof list[i] == "object") {
      var d = arguments.callee(list[i]);
      if (d > deepest) deepest = d;
    }
  }
  return deepest + 1;
};
trace(walker.depth([1, [2, [3, [4]], 5], [6]]));
trace(sumTo == sumTo.prototype.constructor);
