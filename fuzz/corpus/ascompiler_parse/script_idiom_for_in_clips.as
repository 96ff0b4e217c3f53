// expected: documented Flash Player behaviour (clips do not exist in ECMAScript): for..in over
// a clip lists its named child clips and its timeline variables. The loops gather the names and
// sort them, as for..in leaves the order open.
function names(o) {
  var list = [];
  for (var k in o) list.push(k);
  list.sort();
  return list.join(",");
}
this.createEmptyMovieClip("holder", 1);
holder.createEmptyMovieClip("left", 1);
holder.createEmptyMovieClip("right", 2);
holder.score = 10;
holder.title = "board";
trace(names(holder));

// telling child clips from variables: typeof gives "movieclip" for a clip
var clips = [];
var values = [];
for (var k in holder) {
  if (typeof holder[k] == "movieclip") clips.push(k);
  else values.push(k + "=" + holder[k]);
}
clips.sort();
values.sort();
trace(clips.join(",") + " | " + values.join(","));

// a removed clip and a deleted variable are gone from the list
holder.right.removeMovieClip();
delete holder.score;
trace(names(holder));

// variables set on a child's timeline belong to the child, not the parent
holder.left.inner = true;
trace(names(holder) + " | " + names(holder.left));

// an empty clip lists nothing
this.createEmptyMovieClip("empty", 2);
trace("[" + names(empty) + "]");

// functions stored on a clip are listed like any variable
holder.onData = function () { };
trace(names(holder));
