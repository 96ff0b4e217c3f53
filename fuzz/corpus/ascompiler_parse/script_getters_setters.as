// Getters and setters: a class's get/set functions, and addProperty on a plain object.
// Expected values worked out by hand (JavaScript accessors behave the same way).
var t = new Temperature();
trace(t.celsius);
t.celsius = 100;
trace(t.fahrenheit);
t.fahrenheit = 32;
trace(t.celsius);
t.fahrenheit = 212;
trace(t.celsius);
trace(t.changeCount);
var box = new Object();
box.stored = 1;
var readDoubled = function () { return this.stored * 2; };
var writeDoubled = function (v) { this.stored = v / 2; };
box.addProperty("doubled", readDoubled, writeDoubled);
trace(box.doubled);
box.doubled = 10;
trace(box.stored);
trace(box.doubled);
