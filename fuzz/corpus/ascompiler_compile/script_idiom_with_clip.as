// expected: documented Flash Player behaviour (clips do not exist in ECMAScript): with over a
// clip looks names up on the clip first, so its variables, child clips and methods are used
// bare; a name the clip lacks is read and written in the enclosing scope.
this.createEmptyMovieClip("panel", 1);
panel.title = "panel title";
var title = "root title";
var note = "root note";
with (panel) {
  trace(title + " / " + note);
  title = "changed in with";
  note = "note from with";
  createEmptyMovieClip("button", 1);
  button.label = "ok";
}
trace(panel.title + " / " + title + " / " + note + " / " + panel.note);
trace(typeof panel.button + " " + panel.button.label + " " + panel.button._name);

// with over a child clip reached by a path expression, nested in a with over its parent
with (panel) {
  with (button) {
    label = label + "!";
    trace(label + " " + title);
  }
}
trace(panel.button.label);

// clip methods called bare run on the clip
with (panel.button) {
  createEmptyMovieClip("icon", 3);
}
trace(typeof panel.button.icon + " " + panel.button.icon._name);

// in a function, a clip passed in: its members win, locals stay local
function tag(clip, text) {
  var count = 0;
  with (clip) {
    label = text;
    count++;
  }
  return count + " " + clip.label;
}
trace(tag(panel.button, "tagged"));
