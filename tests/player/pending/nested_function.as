// PENDING: "Parse Error in line: 9 pos: 17": a named function declared inside another
// function's body does not parse.
//
// A named function declared inside a function, using the outer function's local. The
// expected lines come from running this same file in Node with trace(x) defined as
// console.log(String(x)): JavaScript has the same semantics for every line here.
function outer(suffix) {
  var x = "outer";
  function inner() { return x + "-" + suffix; }
  return inner();
}
trace(outer("inner"));
