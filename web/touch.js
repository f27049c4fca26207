// Touch and mouse play: fingers (or a held mouse button) become the very key
// presses and releases a keyboard player makes, so the game itself, its
// replays and the network game see nothing new.
//
// In a match each half of the court belongs to one player. A finger on a
// half steers that side's paddle toward itself: every animation frame the
// finger is compared with the paddle's centre, and on each axis the key
// toward the finger is held while the paddle is more than `steerStart` px
// away and let go once it is within `steerStop` px or has passed the finger.
// The gap between the two keeps a paddle that stops one game frame late from
// pressing the opposite key. A second finger on the same half (a thumb) holds
// that side's smash key; with a mouse, the right button does.
//
// In the menu: a swipe up or down moves the game type, a swipe left or right
// changes the court; a tap on the court panel changes the court, on the game
// type's description starts. Where the court is drawn large enough for a
// fingertip to pick one game type row (44 CSS px), a tap on a game type
// picks it, a second tap on the picked one starts, and a tap on the key
// line's words does what they say; smaller, those narrow strips take no taps
// (a finger meant for one would land on its neighbour).
(function () {
  'use strict';

  // SDL 1.2 key numbers the game knows (web/include/sdl12types.h).
  var key = { up: 273, down: 274, right: 275, left: 276, rshift: 303, lshift: 304,
              enter: 13, escape: 27, w: 119, s: 115, a: 97, d: 100, m: 109 };
  var courtW = 800, courtH = 600;       // px: the game's picture
  var paddleW = 20, paddleH = 80;       // px: a paddle's picture
  var steerStart = 14;                  // px from the paddle's centre: start moving
  var steerStop = 5;                    // px: close enough, stop
  var swipeMin = 40;                    // px (court) a finger must travel to swipe
  var tapMax = 12;                      // px (court) a tap may wander
  var fingertip = 44;                   // CSS px: the least a tap target may measure
  // The menu picture's regions (assets/gen/menu.cpp): the page at (50, 150),
  // its game-type rows from y 48 + 31 * i of the page, the court panel from
  // y 350, the key line from y 565.
  var menu = { rowsLeft: 50, rowsRight: 400, rowTop: 182, rowH: 31, rows: 5, pageBottom: 350,
               keyLine: 565, playFrom: 390, musicFrom: 575, quitFrom: 655 };
  var sides = {
    left: { up: key.w, down: key.s, back: key.a, forth: key.d, smash: key.lshift },
    right: { up: key.up, down: key.down, back: key.left, forth: key.right, smash: key.rshift },
  };

  function attach(options) {
    var stage = options.stage;   // takes the fingers, letterbox bars included
    var view = options.view;   // () -> {inMatch, gameType, left: {x, y}, right: {x, y}} or null
    var send = options.key;    // (sym, down)
    // () -> 'left' or 'right' when this machine plays only that paddle (a
    // network game): every finger steers it, on either half; null otherwise.
    var ownSide = options.ownSide || function () { return null; };
    var pointers = {};         // pointerId -> {side, x, y, x0, y0, smash, inMatch}
    var held = {};             // sym -> true while this layer holds it down
    var axes = { left: { x: 0, y: 0 }, right: { x: 0, y: 0 } };  // -1, 0, 1: key held on the axis
    var running = false;

    function press(sym) { if (!held[sym]) { held[sym] = true; send(sym, 1); } }
    function release(sym) { if (held[sym]) { delete held[sym]; send(sym, 0); } }
    function tap(sym) { send(sym, 1); send(sym, 0); }

    function courtPoint(event) {
      var r = options.canvas.getBoundingClientRect();
      return { x: (event.clientX - r.left) * courtW / r.width, y: (event.clientY - r.top) * courtH / r.height };
    }

    function steerAxis(side, axis, distance, minus, plus) {
      var a = axes[side];
      var dir = a[axis];
      if (dir !== 0 && (Math.abs(distance) < steerStop || Math.sign(distance) !== dir)) dir = 0;
      if (dir === 0 && Math.abs(distance) > steerStart) dir = Math.sign(distance);
      if (dir === a[axis]) return;
      if (a[axis] < 0) release(minus); else if (a[axis] > 0) release(plus);
      a[axis] = dir;
      if (dir < 0) press(minus); else if (dir > 0) press(plus);
    }

    function steerer(side) {
      for (var id in pointers) {
        var p = pointers[id];
        if (p.side === side && !p.smash && p.inMatch) return p;
      }
      return null;
    }

    function smashing(side) {
      for (var id in pointers) {
        var p = pointers[id];
        if (p.side === side && p.smash && p.inMatch) return true;
      }
      return false;
    }

    function stopSide(side) {
      steerAxis(side, 'x', 0, sides[side].back, sides[side].forth);
      steerAxis(side, 'y', 0, sides[side].up, sides[side].down);
    }

    // Once per animation frame while fingers are down or keys are held.
    function frame() {
      var v = view();
      var inMatch = v && v.inMatch;
      ['left', 'right'].forEach(function (side) {
        var p = inMatch ? steerer(side) : null;
        if (p) {
          var paddle = v[side];
          steerAxis(side, 'x', p.x - (paddle.x + paddleW / 2), sides[side].back, sides[side].forth);
          steerAxis(side, 'y', p.y - (paddle.y + paddleH / 2), sides[side].up, sides[side].down);
        } else {
          stopSide(side);
        }
        if (inMatch && smashing(side)) press(sides[side].smash); else release(sides[side].smash);
      });
      if (Object.keys(pointers).length > 0 || Object.keys(held).length > 0) requestAnimationFrame(frame);
      else running = false;
    }

    function wake() {
      if (!running) { running = true; requestAnimationFrame(frame); }
    }

    function menuTap(at, v) {
      var scale = options.canvas.getBoundingClientRect().height / courtH;   // CSS px per court px
      var fine = menu.rowH * scale >= fingertip && (courtH - menu.keyLine) * scale >= fingertip;
      if (!fine && (at.y >= menu.keyLine || (at.x < menu.rowsRight && at.y < menu.pageBottom))) return;
      if (at.y >= menu.keyLine) {
        if (at.x >= menu.quitFrom) tap(key.escape);
        else if (at.x >= menu.musicFrom) tap(key.m);
        else if (at.x >= menu.playFrom) tap(key.enter);
        return;
      }
      if (at.y >= menu.pageBottom) { tap(key.right); return; }
      var row = Math.floor((at.y - menu.rowTop) / menu.rowH);
      if (at.x >= menu.rowsLeft && at.x < menu.rowsRight && row >= 0 && row < menu.rows) {
        var now = v ? v.gameType : 0;
        if (row === now) { tap(key.enter); return; }
        for (var i = now; i < row; ++i) tap(key.down);
        for (var j = now; j > row; --j) tap(key.up);
        return;
      }
      if (at.x >= menu.rowsRight && at.y >= menu.rowTop - menu.rowH) tap(key.enter);
    }

    function menuGesture(p, at) {
      var dx = at.x - p.x0, dy = at.y - p.y0;
      if (Math.max(Math.abs(dx), Math.abs(dy)) <= tapMax) { menuTap(at, view()); return; }
      if (Math.abs(dy) >= swipeMin && Math.abs(dy) > Math.abs(dx)) tap(dy < 0 ? key.up : key.down);
      else if (Math.abs(dx) >= swipeMin) tap(dx < 0 ? key.left : key.right);
    }

    function down(event) {
      if (!options.active()) return;
      event.preventDefault();
      if (stage.setPointerCapture) { try { stage.setPointerCapture(event.pointerId); } catch (e) { /* gone */ } }
      var at = courtPoint(event);
      var v = view();
      var side = ownSide() || (at.x < courtW / 2 ? 'left' : 'right');
      var smash = event.button === 2 || steerer(side) !== null;
      pointers[event.pointerId] = { side: side, x: at.x, y: at.y, x0: at.x, y0: at.y, smash: smash,
                                    inMatch: !!(v && v.inMatch) };
      wake();
    }

    function move(event) {
      var p = pointers[event.pointerId];
      if (!p) return;
      event.preventDefault();
      var at = courtPoint(event);
      p.x = at.x;
      p.y = at.y;
    }

    function up(event) {
      var p = pointers[event.pointerId];
      if (!p) return;
      event.preventDefault();
      delete pointers[event.pointerId];
      var v = view();
      if (!p.inMatch && !(v && v.inMatch)) menuGesture(p, courtPoint(event));
      wake();
    }

    stage.addEventListener('pointerdown', down);
    stage.addEventListener('pointermove', move);
    stage.addEventListener('pointerup', up);
    stage.addEventListener('pointercancel', up);
    stage.addEventListener('contextmenu', function (event) { event.preventDefault(); });
    return {
      // Lets go of every finger and key, for a game that ends.
      releaseAll: function () {
        pointers = {};
        stopSide('left');
        stopSide('right');
        Object.keys(held).forEach(function (sym) { release(Number(sym)); });
      },
    };
  }

  window.VoltariTouch = { attach: attach, key: key };
})();
