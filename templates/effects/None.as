// None.swf: no opening effect (an empty movie, so that the list has a "None" entry).
