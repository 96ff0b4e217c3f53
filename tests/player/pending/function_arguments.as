// PENDING: "Parse Error in line: 9 pos: 21": a function expression is accepted on the right
// of an assignment but not as an argument of a call.
//
// A function expression passed straight as an argument. The expected lines come from
// running this same file in Node with trace(x) defined as console.log(String(x)):
// JavaScript has the same semantics for every line here.
function twice(f, x) { return f(f(x)); }
var list = [];
trace(twice(function(v) { return v * 3; }, 2));
list.push(function() { return "called"; });
trace(list[0]());
