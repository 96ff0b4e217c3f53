// as compile: --swf-version 4
// expected: documented Flash Player behaviour for version-4 movies: values are text and
// numbers (true is 1, comparisons give 1 or 0), + adds numbers and `add` joins strings.
// Arithmetic, strings, loops, slash paths, tellTarget and gotoAndStop.
a = 7;
b = 3;
trace(a + b);
trace(a - b * 2);
trace(a / 2);
trace(a % b);
trace(-a % b);
trace("10" + 5);
s = "ab" add "cd";
trace(s);
trace(length(s));
trace(substring(s, 2, 2));
trace(s eq "abcd");
trace(a > b);
trace(chr(65) add ord("B"));
trace(int(7.8));
flag = true;
trace(flag);
i = 0;
total = 0;
while (i < 5) {
  total += i;
  i++;
}
trace(total);
for (j = 0; j < 3; j++) {
  trace("j" add j);
}
do {
  i--;
} while (i > 2);
trace(i);
if (a > b && b > 0) {
  trace("both");
}
if (a < b || b == 3) {
  trace("either");
}
if (!(a == 7)) {
  trace("wrong");
} else {
  trace("seven");
}
/:score = 42;
trace(/:score);
trace(score);
set("v" add 1, "dynamic");
trace(v1);
trace(eval("v" add 1));
trace(/:_totalframes);
tellTarget ("/") {
  trace("in " add /:_name add "/");
}
gotoAndStop(1);
trace(/:_currentframe);
ifFrameLoaded (1) {
  trace("loaded");
}
