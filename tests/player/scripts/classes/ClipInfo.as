// A MovieClip subclass whose methods use clip properties and MovieClip methods by their bare
// names: they mean this clip's.
class ClipInfo extends MovieClip {
  function describe() {
    return _name + " " + _x + " " + getDepth();
  }
  function moveBy(dx) {
    _x += dx;
    return _x;
  }
  function ownLocal() {
    var _alpha = "mine";
    return _alpha;
  }
}
