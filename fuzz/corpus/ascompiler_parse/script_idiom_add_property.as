// expected: documented Flash Player behaviour (Object.addProperty has no ECMAScript
// counterpart; the values follow its documentation: the getter's result is the property's
// value, the setter receives what is assigned, a null setter makes the property read-only)
var log = [];
var account = new Object();
account._cents = 1250;
var getEuros = function () { log.push("get"); return this._cents / 100; };
var setEuros = function (v) { log.push("set " + v); this._cents = Math.round(v * 100); };
trace(account.addProperty("euros", getEuros, setEuros));
trace(account.euros);
account.euros = 3.5;
trace(account._cents);
trace(account.euros + 1);
trace(log.join(", "));

// a read-only property: null as setter, assignments are ignored
var counter = new Object();
counter.n = 0;
var nextValue = function () { this.n++; return this.n; };
counter.addProperty("next", nextValue, null);
trace(counter.next + " " + counter.next + " " + counter.next);
counter.next = 100;
trace(counter.n + " " + counter.next);

// addProperty refuses a missing getter and an empty name (it returns false)
trace(counter.addProperty("bad", null, null));
trace(counter.addProperty("", nextValue, null));

// on a prototype: every instance shares the property, `this` is the instance
function Temperature(c) { this.c = c; }
var getF = function () { return this.c * 9 / 5 + 32; };
var setF = function (f) { this.c = (f - 32) * 5 / 9; };
Temperature.prototype.addProperty("f", getF, setF);
var cold = new Temperature(-40);
var warm = new Temperature(25);
trace(cold.f + " " + warm.f);
warm.f = 212;
trace(warm.c + " " + cold.c);

// delete on an instance does not reach a property its prototype holds (false: nothing deleted);
// deleting it on the prototype removes it for every instance
trace(typeof warm.f);
trace(delete warm.f);
trace(warm.f);
trace(delete Temperature.prototype.f);
trace(warm.f + " " + warm.c);
