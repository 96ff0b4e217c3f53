// expected: ECMAScript semantics, checked with node
// Functions declared inside functions and blocks, called before their declaration, and a
// local of the same name as a timeline variable.
function outer(n) {
  var r = twice(n)
  function twice(v) { return v * 2 }
  function unused() { return 0 }
  return r + inner()
  function inner() { return n }
}
trace(outer(5))

var helper = "timeline"
function shadow() {
  function helper() { return "local" }
  return helper()
}
trace(shadow())
trace(helper)

function counter() {
  var count = 0
  function next() { count++; return count }
  next()
  next()
  return next()
}
trace(counter())
