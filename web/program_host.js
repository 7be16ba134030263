// The host of a page's program, at the end of the program's script (after its
// startProgram factory): hostProgram(send) gives the function that takes the page's
// messages (browser_page.js) and runs the program in this thread for each 'start'; the
// program's display (browser_display.js) takes the page's other messages and sends its
// own through `send`. Loaded as a worker's script (by browser_page.js), the script hosts
// the program there, the page's messages coming as the worker's.
//
// The page's canvas comes first ({type: 'canvas', canvas}); then each start ({type:
// 'start', module, files, program, directory, active, hidden, timeOrigin}) brings the compiled
// module, the pictures as [{name, bytes}], the program's name and the folder in which it
// finds itself, as the system's loader would tell it (/proc/self/exe), with its pictures
// beside it. The host answers the program's end with
// {type: 'exit', code} or {type: 'abort', what}. self.Module is the running program's
// module, for those who watch it; Module.page.times, when each step of its start came on
// the page's clock (ran: the program's script had run here, which in a worker waits for
// the browser to start the worker's thread and fetch the script; received: the start came
// here; instantiated: the module's instance made; main: the program's runtime ready, its
// main called; display: the program's display started; presented: its first present), for
// those who measure it.
// eslint-disable-next-line no-unused-vars
function hostProgram(send) {
  // The script has run by now; the host comes at its end.
  const ranAt = performance.timeOrigin + performance.now();
  // Ending the program unwinds it with an ExitStatus, which has been reported by then.
  self.addEventListener('unhandledrejection', (event) => {
    if (event.reason && event.reason.name === 'ExitStatus') event.preventDefault();
  });
  self.addEventListener('error', (event) => {
    if (event.error && event.error.name === 'ExitStatus') event.preventDefault();
  });

  let canvas = null;
  let page = null;
  const start = ({module, files, program, directory, active, hidden, timeOrigin}) => {
    // The page's performance.now() clock.
    const now = () => performance.timeOrigin + performance.now() - timeOrigin;
    page = {
      active, hidden, timeOrigin, send, listener: null, now,
      times: {ran: ranAt - timeOrigin, received: now()},
    };
    const Module = self.Module = {
      canvas,
      page,
      instantiateWasm: (imports, receive) => {
        WebAssembly.instantiate(module, imports)
            .then((instance) => {
              page.times.instantiated = now();
              receive(instance, module);
            })
            .catch((error) => Module.onAbort(String(error)));
        return {};
      },
      preRun: [() => {
        const FS = Module.FS;
        FS.mkdir(directory);
        for (const {name, bytes} of files) {
          if (bytes) FS.writeFile(`${directory}/${name}`, new Uint8Array(bytes));
        }
        const path = `${directory}/${program}`;
        FS.symlink(path, '/proc/self/exe');
        FS.writeFile('/proc/self/cmdline', `${path}\0`);
      }],
      onRuntimeInitialized: () => {
        page.times.main = now();
      },
      onExit: (code) => send({type: 'exit', code}),
      onAbort: (what) => send({type: 'abort', what: String(what)}),
    };
    // An abort is told by onAbort; its rejection of the start says nothing more.
    startProgram(Module).catch(() => {});
  };
  return (message) => {
    if (message.type == 'canvas') {
      // Its drawing context, and its first drawing, which sets up the canvas's pixels
      // (some milliseconds), done while the program may still be on its way.
      canvas = message.canvas;
      canvas.getContext('2d', {alpha: false}).fillRect(0, 0, canvas.width, canvas.height);
      return;
    }
    if (message.type == 'start') {
      start(message);
      return;
    }
    if (!page) return;
    if (message.type == 'activation') {
      page.active = message.active;
      page.hidden = message.hidden;
    }
    if (page.listener) page.listener(message);
  };
}

if (typeof WorkerGlobalScope != 'undefined' && self instanceof WorkerGlobalScope) {
  const host = hostProgram((message) => postMessage(message));
  self.onmessage = (event) => host(event.data);
  // The script has run: an error from here on is the program's.
  postMessage({type: 'ready'});
}
