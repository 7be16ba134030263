// The page's side of the browser display (browser_display.cpp): the canvas, and the page's
// keyboard, pointer, touch screen, focus and visibility reported to the exported
// standin_browser_* functions. Module.canvas is the canvas; Module.browserDisplay keeps the
// state, with the count of presents and the time of the first for those who watch the
// page. Every listener goes when the program ends (exit or abort), so that the page's
// keys, clicks and menus are the page's again.
mergeInto(LibraryManager.library, {
  browser_start: function() {
    const isActive = () => document.hasFocus() && document.visibilityState == 'visible';
    const canvas = Module.canvas;
    const listening = new AbortController();
    const listen = (target, type, listener, options) =>
        target.addEventListener(type, listener, Object.assign({signal: listening.signal}, options));
    const display = Module.browserDisplay = {
      keys: new Map(),
      active: isActive(),
      wake: null,
      context: null,
      presented: 0,
      firstPresentAt: null,
      // When the next present is due, on the animation frames' clock.
      nextFrameAt: 0,
      // Control, Alt and the system keys held but not yet told (below).
      modifiers: new Map(),
      touches: 0,
    };
    const changed = display.changed = () => {
      if (Module.onDisplayChange) Module.onDisplayChange();
    };

    const stop = () => {
      listening.abort();
      if (document.pointerLockElement === canvas) document.exitPointerLock();
    };
    addOnExit(stop);
    const pageOnAbort = Module.onAbort;
    Module.onAbort = (what) => {
      stop();
      if (pageOnAbort) pageOnAbort(what);
    };

    const activation = () => {
      const active = isActive();
      if (active == display.active) return;
      display.active = active;
      // What was held goes with the focus; a key released elsewhere sends no event here.
      display.modifiers.clear();
      display.touches = 0;
      _standin_browser_activation(active ? 1 : 0);
      if (display.wake) display.wake();
      changed();
    };
    listen(window, 'focus', activation);
    listen(window, 'blur', activation);
    listen(document, 'visibilitychange', activation);

    // Keys the browser or the system take for themselves do what they do there and leave
    // the program running; every other key ends it, as on the desktop. Control, Alt and
    // the system key may start such a shortcut (Ctrl+T, Alt+Tab, Cmd+Tab, ...), so they are
    // told only when a key comes that is no shortcut, or when they are released alone; a
    // shortcut that takes the focus away (switching windows) forgets them.
    const modifier = /^(Control|Alt|Meta|OS)(Left|Right)$/;
    const browserFunctionKeys = new Set(['F1', 'F3', 'F5', 'F6', 'F7', 'F10', 'F11', 'F12']);
    const altShortcuts = new Set(['Tab', 'F4', 'ArrowLeft', 'ArrowRight', 'Home', 'Space',
                                  'Escape', 'KeyD', 'KeyE', 'KeyF']);
    const browsers = (event) => {
      if (browserFunctionKeys.has(event.code)) return true;
      // Escape leaves the full screen and frees a locked pointer.
      if (event.code == 'Escape' && (document.fullscreenElement || document.pointerLockElement)) {
        return true;
      }
      // Control with Alt is AltGr on some systems: the characters of the keyboard.
      if ((event.ctrlKey || event.metaKey) && !event.altKey) return true;
      return event.altKey && !event.ctrlKey && altShortcuts.has(event.code);
    };
    const shortcut = () => {
      display.modifiers.forEach((state, code) => display.modifiers.set(code, 'shortcut'));
    };
    const tell = (code, down) => _standin_browser_key(display.keys.get(code), down ? 1 : 0);
    listen(window, 'keydown', (event) => {
      if (!display.keys.has(event.code)) return;
      if (modifier.test(event.code)) {
        if (!event.repeat && !display.modifiers.has(event.code)) {
          display.modifiers.set(event.code, 'held');
        }
        return;
      }
      if (browsers(event)) {
        shortcut();
        return;
      }
      event.preventDefault();
      display.modifiers.forEach((state, code) => {
        if (state == 'held') {
          tell(code, true);
          display.modifiers.set(code, 'told');
        }
      });
      if (!event.repeat) tell(event.code, true);
    });
    listen(window, 'keyup', (event) => {
      if (!display.keys.has(event.code)) return;
      if (modifier.test(event.code)) {
        const state = display.modifiers.get(event.code);
        display.modifiers.delete(event.code);
        if (state == 'shortcut' || state === undefined) return;
        event.preventDefault();
        if (state == 'held') tell(event.code, true);
      }
      tell(event.code, false);
    });

    // The page numbers its buttons left, middle, right, back; DirectInput left, right,
    // middle, back.
    const buttons = [0, 2, 1, 3];
    const button = (down) => (event) => {
      if (event.button < buttons.length) _standin_browser_button(buttons[event.button], down);
    };
    listen(canvas, 'mousedown', (event) => {
      if (document.pointerLockElement !== canvas && canvas.requestPointerLock) {
        canvas.requestPointerLock();
      }
      button(1)(event);
    });
    listen(canvas, 'mouseup', button(0));
    listen(canvas, 'mousemove', (event) => {
      if (event.movementX || event.movementY) {
        _standin_browser_motion(event.movementX, event.movementY);
      }
    });
    // Control with the wheel (or a trackpad's pinch) zooms the page: a shortcut too.
    listen(canvas, 'wheel', (event) => {
      if (event.ctrlKey) {
        shortcut();
        return;
      }
      event.preventDefault();
      if (event.deltaY) _standin_browser_wheel(event.deltaY < 0 ? 1 : -1);
    }, {passive: false});
    listen(canvas, 'contextmenu', (event) => event.preventDefault());

    // A touch is a key press, held while a finger stays; a touch on a page in the
    // background only brings it to the front, as a click does.
    const touched = (event) => {
      if (!display.active) return;
      event.preventDefault();
      const touches = event.targetTouches.length;
      if ((touches > 0) != (display.touches > 0)) _standin_browser_touch(touches > 0 ? 1 : 0);
      display.touches = touches;
    };
    listen(canvas, 'touchstart', touched, {passive: false});
    listen(canvas, 'touchend', touched, {passive: false});
    listen(canvas, 'touchcancel', touched, {passive: false});

    listen(canvas, 'contextrestored', () => _standin_browser_restored());
    changed();
    return display.active ? 1 : 0;
  },

  browser_name_key: function(code, scanCode) {
    Module.browserDisplay.keys.set(UTF8ToString(code), scanCode);
  },

  browser_enter: function(width, height) {
    const display = Module.browserDisplay;
    const canvas = Module.canvas;
    canvas.width = width;
    canvas.height = height;
    display.context = canvas.getContext('2d', {alpha: false});
    if (!display.context) return 0;
    display.context.fillStyle = 'black';
    display.context.fillRect(0, 0, width, height);
    return 1;
  },

  browser_leave: function() {
    if (document.pointerLockElement === Module.canvas) document.exitPointerLock();
  },

  browser_show: function(pixels, width, height, left, top, right, bottom) {
    const display = Module.browserDisplay;
    if (bottom > top) {
      const data = new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4);
      display.context.putImageData(
          new ImageData(data, width, height), 0, 0, left, top, right - left, bottom - top);
    }
    if (display.presented++ == 0) {
      display.firstPresentAt = performance.now();
      display.changed();
    }
  },

  // A present waits for the animation frame at which the next of 60 refreshes a second is
  // due: the first frame within a quarter of a refresh of that time, so that a 60 Hz
  // monitor's frames, which come a little early or late, all count. A present that comes
  // a whole refresh late (a slow frame, a page hidden a while) counts again from then.
  browser_next_frame: function(wakeOnActivation) {
    return Asyncify.handleAsync(async () => {
      const display = Module.browserDisplay;
      const refresh = 1000 / 60;
      await new Promise((resolve) => {
        let frame = 0;
        const done = () => {
          display.wake = null;
          cancelAnimationFrame(frame);
          resolve();
        };
        const tick = (time) => {
          if (wakeOnActivation) {
            done();
          } else if (time >= display.nextFrameAt - refresh / 4) {
            display.nextFrameAt = time - display.nextFrameAt > refresh ?
                time + refresh : display.nextFrameAt + refresh;
            done();
          } else {
            frame = requestAnimationFrame(tick);
          }
        };
        frame = requestAnimationFrame(tick);
        if (wakeOnActivation) display.wake = done;
      });
    });
  },
});
