// The program's side of the browser display (browser_display.cpp): the canvas, and what
// the page tells of its keyboard, pointer, touch screen, focus and visibility, reported to
// the exported standin_browser_* functions. It runs where the program runs: in a worker
// whose canvas is the page's, handed over (an OffscreenCanvas), or on the page itself.
// The page listens (browser_page.js) and the two talk in messages through Module.page,
// which the program's host (web/program_host.js) gives:
//   Module.page.active      whether the page has the focus and shows, and
//   Module.page.hidden      whether it is hidden, both kept by the host as the page tells;
//   Module.page.send(m)     a message to the page: {type: 'keys', codes} (the page's key
//                           codes the program knows), {type: 'presented', count, at,
//                           ran, received} (at, and on the first present ran and
//                           received, when the program's script had run in its thread
//                           and when that thread had the start: all on the page's
//                           performance.now() clock), {type: 'leave'};
//   Module.page.listener    set here: takes the page's messages, {type: 'activation',
//                           active, hidden}, {type: 'key', code, down}, {type: 'button',
//                           button, down}, {type: 'motion', dx, dy}, {type: 'wheel',
//                           steps} and {type: 'touch', down}.
// Module.browserDisplay keeps the state. Nothing stays listening when the program ends.
mergeInto(LibraryManager.library, {
  browser_name_keys: function(names) {
    Module.browserKeys = new Map(UTF8ToString(names).split(' ').filter((pair) => pair).map(
        (pair) => {
          const [code, scanCode] = pair.split('=');
          return [code, Number(scanCode)];
        }));
  },

  browser_start: function() {
    const page = Module.page;
    if (page.times) page.times.display = page.now();
    const canvas = Module.canvas;
    const keys = Module.browserKeys || new Map();
    const display = Module.browserDisplay = {
      wake: null,
      context: null,
      presented: 0,
      // When the next present is due, on the animation frames' clock.
      nextFrameAt: 0,
    };
    const restored = () => _standin_browser_restored();
    canvas.addEventListener('contextrestored', restored);
    const stop = () => {
      page.listener = null;
      canvas.removeEventListener('contextrestored', restored);
    };
    addOnExit(stop);
    const hostOnAbort = Module.onAbort;
    Module.onAbort = (what) => {
      stop();
      if (hostOnAbort) hostOnAbort(what);
    };

    const handlers = {
      // The host keeps the page's state in Module.page; the driver ignores a repeat.
      activation: ({active}) => {
        _standin_browser_activation(active ? 1 : 0);
        if (display.wake) display.wake();
      },
      key: ({code, down}) => {
        if (keys.has(code)) _standin_browser_key(keys.get(code), down ? 1 : 0);
      },
      button: ({button, down}) => _standin_browser_button(button, down ? 1 : 0),
      motion: ({dx, dy}) => _standin_browser_motion(dx, dy),
      wheel: ({steps}) => _standin_browser_wheel(steps),
      touch: ({down}) => _standin_browser_touch(down ? 1 : 0),
    };
    page.listener = (message) => {
      const handler = handlers[message.type];
      if (handler) handler(message);
    };
    page.send({type: 'keys', codes: Array.from(keys.keys())});
    return page.active ? 1 : 0;
  },

  browser_enter: function(width, height) {
    const display = Module.browserDisplay;
    const canvas = Module.canvas;
    // A canvas given a size, even its own, starts afresh, without the context made early.
    if (canvas.width != width) canvas.width = width;
    if (canvas.height != height) canvas.height = height;
    display.context = canvas.getContext('2d', {alpha: false});
    if (!display.context) return 0;
    display.context.fillStyle = 'black';
    display.context.fillRect(0, 0, width, height);
    return 1;
  },

  browser_leave: function() {
    Module.page.send({type: 'leave'});
  },

  browser_show: function(pixels, width, height, left, top, right, bottom) {
    const display = Module.browserDisplay;
    if (bottom > top) {
      const data = new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4);
      display.context.putImageData(
          new ImageData(data, width, height), 0, 0, left, top, right - left, bottom - top);
    }
    const page = Module.page;
    const at = performance.timeOrigin + performance.now() - page.timeOrigin;
    const presented = {type: 'presented', count: ++display.presented, at};
    // The first present also tells when this thread had run the program's script and had
    // the start, on the page's clock.
    if (presented.count == 1 && page.times) {
      page.times.presented = at;
      presented.ran = page.times.ran;
      presented.received = page.times.received;
    }
    page.send(presented);
  },

  // A present waits for the animation frame at which the next of 60 refreshes a second is
  // due: the first frame within a quarter of a refresh of that time, so that a 60 Hz
  // monitor's frames, which come a little early or late, all count. A present that comes
  // a whole refresh late (a slow frame, a page hidden a while) counts again from then. A
  // worker without animation frames of its own counts the refreshes on a timer. While the
  // page is hidden every wait lasts until the page shows again, as a hidden page has no
  // animation frames (a worker's go on).
  browser_next_frame: function(wakeOnActivation) {
    return Asyncify.handleAsync(async () => {
      const display = Module.browserDisplay;
      const refresh = 1000 / 60;
      const frames = typeof requestAnimationFrame == 'function';
      const request = frames ? requestAnimationFrame :
                               (tick) => setTimeout(() => tick(performance.now()), refresh / 4);
      const cancel = frames ? cancelAnimationFrame : clearTimeout;
      await new Promise((resolve) => {
        let frame = 0;
        const done = () => {
          display.wake = null;
          cancel(frame);
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
            frame = request(tick);
          }
        };
        if (Module.page.hidden) {
          display.wake = () => {
            if (Module.page.hidden) return;
            display.wake = null;
            if (wakeOnActivation) {
              resolve();
            } else {
              frame = request(tick);
            }
          };
          return;
        }
        frame = request(tick);
        if (wakeOnActivation) display.wake = done;
      });
    });
  },
});
