// None.swf: no preloader (an empty movie, so that the list has a "None" entry; the Flash
// output leaves a preloader of this name out).
