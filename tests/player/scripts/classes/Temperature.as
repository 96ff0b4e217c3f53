// Getters and setters: stored in Celsius, readable and writable in either scale.
class Temperature {
  private var c:Number = 0;
  private var changes:Number = 0;

  function get celsius():Number {
    return c;
  }
  function set celsius(value:Number):Void {
    c = value;
    changes++;
  }
  function get fahrenheit():Number {
    return c * 9 / 5 + 32;
  }
  function set fahrenheit(value:Number):Void {
    celsius = (value - 32) * 5 / 9;
  }
  function get changeCount():Number {
    return changes;
  }
}
