// The page's side of the browser display: it runs a program on the page's canvas and
// listens to the page for it. The program runs in a worker when the browser can hand the
// canvas over to one (OffscreenCanvas), so that its frames, and the canvas's updates with
// them, leave the page's own thread free; else on the page itself. Either way the program's
// host (web/program_host.js, at the end of the program's script) runs it, and its display
// (browser_display.js) and this side talk in the same messages.
//
// ProgramOnPage.prepare(script), from a script at the top of the page, starts the worker
// of the program's script while the rest of the page is still to be read: a browser starts
// a worker only when the page's own thread is free, which it seldom is once the page is
// being read, laid out and drawn. new ProgramOnPage(canvas, script, report) takes the
// page's canvas and the address of the program's script, and takes over the worker
// prepared for that script, with what it said meanwhile, or readies the program's thread
// at once, so that the script has come and run by the time the program's module is
// compiled; start(start) starts the program (again) with start.module (compiled),
// start.files ([{name, bytes}]), start.program (its name) and start.directory (where it
// finds itself). It reports to
// report.started(run), report.change(run) (after the first present and each change of
// the focus or visibility), report.exit(run) and report.abort(run), where run is the
// start's own state, which the page shows as window.program: active (the page has the
// focus and shows), started (the program's display listens), presented (the count of
// presents), startAt (when the page started it), scriptRanAt (when the program's thread
// had run the program's script: in a worker, once the browser had started the worker's
// thread and fetched the script), receivedAt (when that thread had the start, which waits
// for the script) and firstPresentAt (when it first presented), all on the page's
// performance.now() clock, exitCode, and unavailable: why the program's script could not
// run (it did not come, or is no script), told by abort.
// A start after such a failure fetches the script again. restart(start) starts the
// program afresh while a start runs (with other pictures, say), without reporting the
// end of the one that ran.
//
// While a program runs, this side listens to the page, and only then: keys, mouse buttons,
// movements and wheel, touches (of fingers and pens), focus and visibility. Keys that the
// browser or the system take for themselves do what they do there and leave the program
// running; every other key the program knows reaches it, and the page does nothing more
// with it.
'use strict';
// eslint-disable-next-line no-unused-vars
class ProgramOnPage {
  constructor(canvas, script, report) {
    this.canvas = canvas;
    this.script = script;
    this.report = report;
    this.run = null;
    this.scriptElement = null;
    this.restarting = null;
    this.connect();
  }

  // Whether the program runs in a worker: the browser hands a canvas over to one.
  static inWorker(canvas = HTMLCanvasElement.prototype) {
    return typeof Worker == 'function' && typeof OffscreenCanvas == 'function' &&
        typeof canvas.transferControlToOffscreen == 'function';
  }

  // Starts the worker of `script`, keeping its messages and errors for the ProgramOnPage
  // that takes it over. Until the worker has run the script (or for a tenth of a second at
  // most), the page is not laid out (its root has the class "starting", which the page
  // styles so): laying out its text (its fonts' first use) would hold this thread for
  // some milliseconds just when the browser needs it to start the worker's thread.
  static prepare(script) {
    if (!ProgramOnPage.inWorker() || typeof WebAssembly != 'object') return;
    const worker = new Worker(script);
    const root = document.documentElement;
    root.classList.add('starting');
    const show = () => root.classList.remove('starting');
    setTimeout(show, 100);
    worker.addEventListener('message', show, {once: true});
    worker.addEventListener('error', show, {once: true});
    const said = [];
    worker.onmessage = worker.onerror = (event) => {
      event.preventDefault();
      said.push(event);
    };
    ProgramOnPage.prepared = {script, worker, said};
  }

  // Readies the program's thread, with the canvas: a worker that runs the program's
  // script, or the page's own, once the script has run there. Until the script has run
  // (the worker's host says 'ready'), an error is the script's: it did not come or is no
  // script. It is kept for the start that comes, or told to the one that runs.
  connect() {
    this.worker = null;
    this.failed = null;
    const failed = (what) => {
      this.failed = what;
      if (this.run && this.listening) this.receive({type: 'abort', what});
    };
    if (ProgramOnPage.inWorker(this.canvas)) {
      const prepared = ProgramOnPage.prepared;
      ProgramOnPage.prepared = null;
      const taken = prepared && prepared.script == this.script ? prepared : null;
      if (prepared && !taken) prepared.worker.terminate();
      const worker = this.worker = taken ? taken.worker : new Worker(this.script);
      let ready = false;
      worker.onmessage = (event) => {
        if (event.data.type == 'ready') {
          ready = true;
        } else {
          this.receive(event.data);
        }
      };
      worker.onerror = (event) => {
        event.preventDefault();
        if (ready) {
          this.receive({type: 'abort', what: event.message || 'the program failed'});
        } else {
          failed(event.message ? `its script failed: ${event.message}` : 'its script did not come');
        }
      };
      if (taken) {
        taken.said.forEach((event) =>
          (event.type == 'error' ? worker.onerror : worker.onmessage)(event));
      }
      this.send = (message) => worker.postMessage(message);
      const canvas = this.canvas.transferControlToOffscreen();
      worker.postMessage({type: 'canvas', canvas}, [canvas]);
    } else {
      const waiting = [{type: 'canvas', canvas: this.canvas}];
      let host = null;
      this.send = (message) => (host ? host(message) : waiting.push(message));
      const element = this.scriptElement = document.createElement('script');
      element.src = this.script;
      element.onload = () => {
        if (typeof window.hostProgram != 'function') {
          failed('its script is no program');
          return;
        }
        host = window.hostProgram((message) => this.receive(message));
        waiting.splice(0).forEach((message) => host(message));
      };
      element.onerror = () => failed('its script did not come');
      document.body.append(element);
    }
  }

  // A fresh thread for the program, as what ran there may be broken; a worker gets a fresh
  // canvas to hand over, as a canvas is handed over once.
  reconnect() {
    if (this.worker) {
      this.worker.terminate();
      // Its place and size on the page go with it.
      const canvas = this.canvas.cloneNode();
      this.canvas.replaceWith(canvas);
      this.canvas = canvas;
    } else {
      this.scriptElement.remove();
    }
    this.connect();
  }

  start({module, files, program, directory}) {
    if (this.failed) this.reconnect();
    const run = this.run = {
      active: ProgramOnPage.isActive(),
      started: false,
      presented: 0,
      startAt: performance.now(),
      scriptRanAt: null,
      receivedAt: null,
      firstPresentAt: null,
      exitCode: undefined,
      unavailable: null,
    };
    this.listen(run);
    this.report.started(run);
    this.send({
      type: 'start', module, files, program, directory, active: run.active,
      hidden: document.visibilityState == 'hidden', timeOrigin: performance.timeOrigin,
    });
  }

  // In a worker the running program goes with its worker, and a fresh one starts; on the
  // page, where a running program cannot be taken away, it is told a key press (a program
  // of ours ends on a key) and started afresh when it has ended.
  restart(start) {
    const run = this.run;
    if (!run || !this.listening) {
      this.start(start);
    } else if (this.worker) {
      this.stop();
      this.reconnect();
      this.start(start);
    } else {
      this.restarting = start;
      this.send({type: 'key', code: 'Escape', down: true});
      this.send({type: 'key', code: 'Escape', down: false});
    }
  }

  receive(message) {
    const run = this.run;
    if (!run || !this.listening) return;
    switch (message.type) {
      case 'keys':
        this.keys = new Set(message.codes);
        run.started = true;
        this.report.change(run);
        break;
      case 'presented':
        run.presented = message.count;
        if (run.firstPresentAt === null) {
          run.firstPresentAt = message.at;
          run.scriptRanAt = message.ran ?? null;
          run.receivedAt = message.received ?? null;
          this.report.change(run);
        }
        break;
      case 'leave':
        this.freePointer();
        break;
      case 'exit':
        this.stop();
        run.exitCode = message.code;
        if (this.restarting) {
          const start = this.restarting;
          this.restarting = null;
          this.start(start);
        } else {
          this.report.exit(run);
        }
        break;
      case 'abort':
        this.stop();
        if (this.failed) {
          run.unavailable = this.failed;
        } else if (this.worker) {
          this.reconnect();
        }
        this.report.abort(run);
        break;
    }
  }

  static isActive() {
    return document.hasFocus() && document.visibilityState == 'visible';
  }

  freePointer() {
    if (document.pointerLockElement === this.canvas) document.exitPointerLock();
  }

  stop() {
    this.listening.abort();
    this.listening = null;
    this.freePointer();
  }

  // Listens to the page for `run` until the program ends.
  listen(run) {
    const canvas = this.canvas;
    this.keys = new Set();
    this.listening = new AbortController();
    const signal = this.listening.signal;
    const listen = (target, type, listener, options) =>
        target.addEventListener(type, listener, Object.assign({signal}, options));
    const send = (message) => this.send(message);
    // Control, Alt and the system keys held but not yet told (below).
    const modifiers = new Map();
    // What touches the canvas: fingers (how many) and pens (their pointers).
    let touches = 0;
    const pens = new Set();
    const touching = () => touches > 0 || pens.size > 0;

    let hidden = document.visibilityState == 'hidden';
    const activation = () => {
      const active = ProgramOnPage.isActive();
      const nowHidden = document.visibilityState == 'hidden';
      if (active == run.active && nowHidden == hidden) return;
      hidden = nowHidden;
      if (active != run.active) {
        run.active = active;
        // What was held goes with the focus; a key released elsewhere sends no event here.
        modifiers.clear();
        touches = 0;
        pens.clear();
        this.report.change(run);
      }
      send({type: 'activation', active, hidden});
    };
    listen(window, 'focus', activation);
    listen(window, 'blur', activation);
    listen(document, 'visibilitychange', activation);

    // Control, Alt and the system key may start a shortcut of the browser or the system
    // (Ctrl+T, Alt+Tab, Cmd+Tab, ...), so they are told only when a key comes that is no
    // shortcut, or when they are released alone; a shortcut that takes the focus away
    // (switching windows) forgets them.
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
      modifiers.forEach((state, code) => modifiers.set(code, 'shortcut'));
    };
    const tell = (code, down) => send({type: 'key', code, down});
    listen(window, 'keydown', (event) => {
      if (!this.keys.has(event.code)) return;
      if (modifier.test(event.code)) {
        if (!event.repeat && !modifiers.has(event.code)) modifiers.set(event.code, 'held');
        return;
      }
      if (browsers(event)) {
        shortcut();
        return;
      }
      event.preventDefault();
      modifiers.forEach((state, code) => {
        if (state == 'held') {
          tell(code, true);
          modifiers.set(code, 'told');
        }
      });
      if (!event.repeat) tell(event.code, true);
    });
    listen(window, 'keyup', (event) => {
      if (!this.keys.has(event.code)) return;
      if (modifier.test(event.code)) {
        const state = modifiers.get(event.code);
        modifiers.delete(event.code);
        if (state == 'shortcut' || state === undefined) return;
        event.preventDefault();
        if (state == 'held') tell(event.code, true);
      }
      tell(event.code, false);
    });

    // The page numbers its buttons left, middle, right, back; DirectInput left, right,
    // middle, back. The mouse events a pen makes (below) press no button and lock nothing.
    const buttons = [0, 2, 1, 3];
    let pointer = 'mouse';
    const byMouse = (listener) => (event) => {
      if (pointer != 'pen') listener(event);
    };
    const button = (down) => (event) => {
      if (event.button < buttons.length) send({type: 'button', button: buttons[event.button], down});
    };
    listen(canvas, 'mousedown', byMouse((event) => {
      if (document.pointerLockElement !== canvas && canvas.requestPointerLock) {
        // A browser that refuses (too soon after Escape freed it) says so in a promise.
        Promise.resolve(canvas.requestPointerLock()).catch(() => {});
      }
      button(true)(event);
    }));
    listen(canvas, 'mouseup', byMouse(button(false)));
    listen(canvas, 'mousemove', (event) => {
      if (event.movementX || event.movementY) {
        send({type: 'motion', dx: event.movementX, dy: event.movementY});
      }
    });
    // Control with the wheel (or a trackpad's pinch) zooms the page: a shortcut too.
    listen(canvas, 'wheel', (event) => {
      if (event.ctrlKey) {
        shortcut();
        return;
      }
      event.preventDefault();
      if (event.deltaY) send({type: 'wheel', steps: event.deltaY < 0 ? 1 : -1});
    }, {passive: false});
    listen(canvas, 'contextmenu', (event) => event.preventDefault());

    // A touch is a key press, held while a finger stays; a touch on a page in the
    // background only brings it to the front, as a click does.
    const told = (change) => {
      const was = touching();
      change();
      if (touching() != was) send({type: 'touch', down: touching()});
    };
    const touched = (event) => {
      if (!run.active) return;
      event.preventDefault();
      told(() => touches = event.targetTouches.length);
    };
    listen(canvas, 'touchstart', touched, {passive: false});
    listen(canvas, 'touchend', touched, {passive: false});
    listen(canvas, 'touchcancel', touched, {passive: false});
    // A tablet's pen is a finger too (a tablet may have no keys): it neither clicks nor
    // takes the pointer. Its pointerdown cancelled, the browser makes no mouse events of it;
    // captured, it is lifted here wherever it goes; on a page in the background it only
    // brings the page to the front.
    const penned = (down) => (event) => {
      pointer = event.pointerType;
      if (pointer != 'pen' || !run.active) return;
      if (down) {
        event.preventDefault();
        canvas.setPointerCapture(event.pointerId);
      }
      told(() => (down ? pens.add(event.pointerId) : pens.delete(event.pointerId)));
    };
    listen(canvas, 'pointerdown', penned(true));
    listen(canvas, 'pointerup', penned(false));
    listen(canvas, 'pointercancel', penned(false));
  }
}
