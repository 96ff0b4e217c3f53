// None.swf: no opening effect (a movie that does nothing, so that the list has a "None" entry).
stop();
