on (press, release) { _root.count++; gotoAndPlay(2); }
on (rollOver) { this._alpha = 50; }
on (keyPress "<Enter>") { trace("enter"); }
