// Prototype objects: constructors, methods on the prototype, inheritance by a prototype
// chain, overriding and instanceof. Expected values: the same code run in node (JavaScript
// has the same semantics for these).
function Animal(name) { this.name = name; }
Animal.prototype.speak = function () { return this.name + " makes a sound"; };
Animal.prototype.legs = 4;
function Bird(name) { this.name = name; }
Bird.prototype = new Animal("proto");
Bird.prototype.legs = 2;
Bird.prototype.speak = function () { return this.name + " sings"; };
var a = new Animal("Cat");
var b = new Bird("Robin");
trace(a.speak());
trace(b.speak());
trace(a.legs + " " + b.legs);
trace(b instanceof Bird);
trace(b instanceof Animal);
trace(a instanceof Bird);
a.legs = 3;
var dog = new Animal("Dog");
trace(a.legs + " " + dog.legs);
delete a.legs;
trace(a.legs);
var point = {x: 1, y: 2};
point.z = point.x + point.y;
trace(point.z);
trace(point["x"] + point["y"]);
var key = "y";
point[key] = 20;
trace(point.y);
function Counter() { this.n = 0; }
Counter.prototype.inc = function () { this.n++; return this; };
var ctr = new Counter();
ctr.inc().inc().inc();
trace(ctr.n);
var list = [3, 1, 2];
list.push(5);
trace(list.length + " " + list[3] + " " + list.join("-"));
trace(typeof Animal.prototype.speak);
