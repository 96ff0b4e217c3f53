// expected: documented Flash Player behaviour (clips do not exist in ECMAScript): inside
// tellTarget, variables are read and written on the target's timeline; the target is named by
// a string (a name or a slash or dot path) or given as a clip.
this.createEmptyMovieClip("box", 1);
box.createEmptyMovieClip("inner", 1);
this.createEmptyMovieClip("other", 2);
trace(typeof box); // a clip's type is "movieclip", not "object"
var where = "root";
tellTarget ("box") {
  where = "box";
  count = 1;
}
trace(where + " " + box.where + " " + box.count);

// by slash path and by dot path, absolute and relative to the timeline
tellTarget ("/box/inner") {
  depth = "slash";
}
trace(box.inner.depth);
tellTarget ("box.inner") {
  depth = depth + " and dot";
}
trace(box.inner.depth);
tellTarget ("_root.other") {
  depth = "other";
}
trace(other.depth);

// by a clip value: an expression that evaluates to a clip
var clip = box.inner;
tellTarget (clip) {
  depth = "by value";
}
trace(box.inner.depth);

// reading inside tellTarget sees the target's variables, not the root's
box.count = 41;
tellTarget ("box") {
  count++;
  trace(count + " " + where);
}

// after the block, names refer to the root again
count = "root count";
trace(count + " " + box.count);

// a path computed at run time
var names = ["box", "other"];
for (var i = 0; i < names.length; i++) {
  tellTarget (names[i]) {
    visited = true;
  }
}
trace(box.visited + " " + other.visited + " " + box.inner.visited);
