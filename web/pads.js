// Pads in the page's own screens (setup panel, messages, start screen),
// read with the browser's Gamepad API in the "standard" layout while the
// game is not running; in the game, SDL2 reads them. Up and down (d-pad or
// left stick) move between the panel's boxes and buttons, A ticks a box or
// presses a button, B is Abort, Start is SAVE; on the start screen any
// button starts the game.
(function () {
  'use strict';

  var button = { a: 0, b: 1, start: 9, up: 12, down: 13 };  // standard layout
  var tilt = 0.5;                                           // stick travel that counts as a press

  function attach(options) {
    var was = {};   // pad index -> {name: held} of the last look

    function held(pad) {
      var b = function (i) { return !!(pad.buttons[i] && pad.buttons[i].pressed); };
      var y = pad.axes.length > 1 ? pad.axes[1] : 0;
      var any = pad.buttons.some(function (x) { return x && x.pressed; });
      return { a: b(button.a), b: b(button.b), start: b(button.start), up: b(button.up) || y <= -tilt,
               down: b(button.down) || y >= tilt, any: any };
    }

    function look() {
      if (!options.running()) {
        var pads = navigator.getGamepads ? navigator.getGamepads() : [];
        for (var i = 0; i < pads.length; ++i) {
          var pad = pads[i];
          if (!pad) continue;
          var now = held(pad), before = was[pad.index] || {};
          // One press a look: the A that closes a message must not also
          // start the game on the screen that comes next.
          var name = Object.keys(now).filter(function (n) { return now[n] && !before[n]; })[0];
          if (name) options.press(name);
          was[pad.index] = now;
        }
      } else {
        was = {};
      }
      requestAnimationFrame(look);
    }
    requestAnimationFrame(look);
  }

  window.VoltariPads = { attach: attach };
})();
