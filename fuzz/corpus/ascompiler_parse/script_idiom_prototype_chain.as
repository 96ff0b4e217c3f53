// expected: ECMAScript semantics, checked with node
// The prototype chain as Flash 5 and 6 authors built classes: constructor functions, methods on
// the prototype, inheritance by `Sub.prototype = new Base()` and by `__proto__`, overriding,
// calling the overridden method and instanceof along the chain.
function Shape(name) { this.name = name; }
Shape.prototype.kind = "shape";
Shape.prototype.area = function () { return 0; };
Shape.prototype.describe = function () { return this.name + " is a " + this.kind + " of area " + this.area(); };

// inheritance by an instance of the base as prototype, the base constructor called by hand
function Rect(name, w, h) {
  Shape.call(this, name);
  this.w = w;
  this.h = h;
}
Rect.prototype = new Shape("rect prototype");
Rect.prototype.kind = "rectangle";
Rect.prototype.area = function () { return this.w * this.h; };

// inheritance by linking the prototypes through __proto__
function Square(name, side) { Rect.call(this, name, side, side); }
Square.prototype.__proto__ = Rect.prototype;
Square.prototype.kind = "square";
Square.prototype.describe = function () {
  return "[" + Rect.prototype.describe.call(this) + "]";
};

var s = new Shape("blob");
var r = new Rect("door", 2, 5);
var q = new Square("tile", 3);
trace(s.describe());
trace(r.describe());
trace(q.describe());
trace((r instanceof Rect) + " " + (r instanceof Shape) + " " + (r instanceof Square));
trace((q instanceof Square) + " " + (q instanceof Rect) + " " + (q instanceof Shape));
trace(s instanceof Rect);
trace(r.__proto__ == Rect.prototype);
trace(q.__proto__.__proto__ == Rect.prototype);
trace(q.__proto__.__proto__.__proto__ == Shape.prototype);

// a change on a prototype reaches every instance that does not hide it
Shape.prototype.colour = "grey";
trace(s.colour + " " + r.colour + " " + q.colour);
r.colour = "red";
trace(r.colour + " " + q.colour);
delete r.colour;
trace(r.colour);

// an instance member hides the prototype's; deleting it uncovers the prototype's again
q.area = function () { return -1; };
trace(q.describe());
delete q.area;
trace(q.area());

// re-pointing __proto__ changes what an existing object inherits and what instanceof says
var plain = new Object();
plain.name = "loose";
trace(plain.describe == undefined);
plain.__proto__ = Rect.prototype;
plain.w = 4;
plain.h = 4;
trace(plain.describe());
trace((plain instanceof Rect) + " " + (plain instanceof Square));

// a method found on the chain runs with `this` set to the object it was called on
Shape.prototype.rename = function (n) { this.name = n; return this; };
trace(q.rename("slab").name + " " + Square.prototype.name + " " + Rect.prototype.name);
trace(typeof Shape.prototype.area + " " + typeof q.w + " " + typeof q.missing);
