// try, catch and finally: thrown values of several kinds, throws from nested calls, finally
// blocks on both paths, rethrowing. Expected values: the same code run in node (JavaScript
// has the same semantics for these).
try {
  trace("try");
  throw "oops";
  trace("not reached");
} catch (e) {
  trace("caught " + e);
} finally {
  trace("finally 1");
}
try {
  trace("no throw");
} catch (e2) {
  trace("not caught");
} finally {
  trace("finally 2");
}
function fail(n) {
  if (n > 2) throw new Error("too big: " + n);
  return n;
}
function callFail(n) { return fail(n) * 10; }
try {
  trace(callFail(1));
  trace(callFail(5));
} catch (err) {
  trace(err.message);
}
var log = "";
try {
  try {
    throw 42;
  } finally {
    log += "inner-finally ";
  }
} catch (x) {
  log += "outer-caught-" + x;
}
trace(log);
function rethrow() {
  try {
    throw "first";
  } catch (a) {
    throw a + "+again";
  }
}
try {
  rethrow();
} catch (b) {
  trace(b);
}
var obj = {code: 7};
try {
  throw obj;
} catch (o) {
  trace(o.code + " " + (o == obj));
}
var steps = 0;
for (var i = 0; i < 3; i++) {
  try {
    if (i == 1) throw i;
    steps += 10;
  } catch (n) {
    steps += 100;
  }
}
trace(steps);
