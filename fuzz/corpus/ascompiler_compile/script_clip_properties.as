// Clip property names used bare: inside tellTarget they are the current target's properties,
// inside with the with-object's, in functions those of the function's timeline, and in the
// methods of a MovieClip subclass this clip's (so are bare MovieClip methods there).
// expected: documented Flash Player behaviour (tellTarget to a clip that does not exist
// gives undefined for its properties; _root's _name is the empty string).
var kid = _root.createEmptyMovieClip("kid", 5);
kid._x = 10;
kid.__proto__ = ClipInfo.prototype;
trace(kid.describe());
trace(kid.moveBy(5));
trace(kid.ownLocal());
tellTarget ("kid") {
  trace(_name);
  _x = 30;
  _y += 2;
}
trace(kid._x + " " + kid._y);
tellTarget ("nosuch") {
  trace(_name);
}
with (kid) {
  trace(_name + " " + _x);
}
function rootName() {
  return _name;
}
trace(rootName() == "");
function shadowed() {
  var _x = "local";
  tellTarget ("kid") {
    trace(_x);
  }
}
shadowed();
trace(_x);
