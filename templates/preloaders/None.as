// None.swf: no preloader (a movie that does nothing, so that the list has a "None" entry; the
// Flash output leaves a preloader of this name out).
stop();
