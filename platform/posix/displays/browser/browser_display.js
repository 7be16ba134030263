// The page's side of the browser display (browser_display.cpp): the canvas, and the page's
// keyboard, pointer, focus and visibility reported to the exported standin_browser_*
// functions. Module.canvas is the canvas; Module.browserDisplay keeps the state, with the
// count of presents and the time of the first for those who watch the page.
mergeInto(LibraryManager.library, {
  browser_start: function() {
    const isActive = () => document.hasFocus() && document.visibilityState == 'visible';
    const display = Module.browserDisplay = {
      keys: new Map(),
      active: isActive(),
      wake: null,
      context: null,
      presented: 0,
      firstPresentAt: null,
    };
    const canvas = Module.canvas;
    const activation = () => {
      const active = isActive();
      if (active == display.active) return;
      display.active = active;
      _standin_browser_activation(active ? 1 : 0);
      if (display.wake) display.wake();
    };
    window.addEventListener('focus', activation);
    window.addEventListener('blur', activation);
    document.addEventListener('visibilitychange', activation);

    const key = (down) => (event) => {
      const scanCode = display.keys.get(event.code);
      if (scanCode === undefined) return;
      // The page's own keys (reload, full screen, its tools) stay the page's.
      if (!event.ctrlKey && !event.altKey && !event.metaKey && !/^F\d+$/.test(event.code)) {
        event.preventDefault();
      }
      if (!event.repeat) _standin_browser_key(scanCode, down);
    };
    window.addEventListener('keydown', key(1));
    window.addEventListener('keyup', key(0));

    // The page numbers its buttons left, middle, right, back; DirectInput left, right,
    // middle, back.
    const buttons = [0, 2, 1, 3];
    const button = (down) => (event) => {
      if (event.button < buttons.length) _standin_browser_button(buttons[event.button], down);
    };
    canvas.addEventListener('mousedown', (event) => {
      if (document.pointerLockElement !== canvas && canvas.requestPointerLock) {
        canvas.requestPointerLock();
      }
      button(1)(event);
    });
    canvas.addEventListener('mouseup', button(0));
    canvas.addEventListener('mousemove', (event) => {
      if (event.movementX || event.movementY) {
        _standin_browser_motion(event.movementX, event.movementY);
      }
    });
    canvas.addEventListener('wheel', (event) => {
      event.preventDefault();
      if (event.deltaY) _standin_browser_wheel(event.deltaY < 0 ? 1 : -1);
    }, {passive: false});
    canvas.addEventListener('contextmenu', (event) => event.preventDefault());
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
    if (display.presented++ == 0) display.firstPresentAt = performance.now();
  },

  browser_next_frame: function(wakeOnActivation) {
    return Asyncify.handleAsync(async () => {
      const display = Module.browserDisplay;
      await new Promise((resolve) => {
        let frame = 0;
        const done = () => {
          display.wake = null;
          cancelAnimationFrame(frame);
          resolve();
        };
        frame = requestAnimationFrame(done);
        if (wakeOnActivation) display.wake = done;
      });
    });
  },
});
