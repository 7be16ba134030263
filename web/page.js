// Loads and starts the page's program on the page's canvas (its name and pictures are the
// body's data-program and data-picture, the pictures' names separated by spaces; data-what
// says what it is, "demonstration" or "example"), and keeps the panel over the canvas
// saying what goes on: how much of the program has come, "click to start" while the page
// waits for the focus, "paused" while it is in the background (the last frame stays), and
// the end, with a button that starts the program again from what the page already holds:
// the compiled module, its script and the pictures are fetched once.
//
// The program finds itself in /bump of the browser's file system, as the system's loader
// would tell it (/proc/self/exe), with each of its pictures beside it that the server
// has; without its picture the demonstration makes an empty one, as it does on a desktop.
// window.Module is the running program's module, for those who watch the page.
'use strict';
(() => {
  const program = document.body.dataset.program;
  const pictures = document.body.dataset.picture.split(' ');
  const what = document.body.dataset.what;
  const directory = '/bump';
  const canvas = document.getElementById('screen');
  const panel = document.getElementById('panel');
  const message = document.getElementById('message');
  const progress = document.getElementById('progress');
  const again = document.getElementById('again');
  const stage = document.getElementById('stage');
  const fullScreen = document.getElementById('fullscreen');

  // Shows `text` in the panel (nothing when empty), with the progress bar or the button.
  const say = (text, {loading = false, button = false} = {}) => {
    message.textContent = text;
    panel.classList.toggle('empty', !text);
    progress.hidden = !loading;
    again.hidden = !button;
  };

  if (typeof WebAssembly != 'object') {
    say(`This ${what} is a WebAssembly program, and this browser runs none: it has ` +
        'no WebAssembly, or it is switched off. A recent Chrome, Edge, Firefox or Safari ' +
        'runs it.');
    return;
  }

  const kilobytes = (bytes) => `${Math.round(bytes / 1024)} KB`;
  const showProgress = (received, total) => {
    progress.max = total || 1;
    if (total) {
      progress.value = Math.min(received, total);
    } else {
      progress.removeAttribute('value');
    }
    message.textContent = `Loading the ${what}: ${kilobytes(received)}` +
        (total ? ` of ${kilobytes(total)}` : '') + ' received';
  };

  // The module, compiled as its bytes come, which are counted on the way. A compressed
  // answer's length is not that of the bytes read, so only an uncompressed one gives the
  // whole.
  const fetchModule = async () => {
    const response = await fetch(`${program}.wasm`, {credentials: 'same-origin'});
    if (!response.ok) throw new Error(`${program}.wasm: ${response.status}`);
    const length = Number(response.headers.get('Content-Length'));
    const total = response.headers.get('Content-Encoding') ? 0 : length;
    let received = 0;
    const counted = response.body.pipeThrough(new TransformStream({
      transform(bytes, onward) {
        received += bytes.length;
        showProgress(received, total);
        onward.enqueue(bytes);
      },
    }));
    return WebAssembly.compileStreaming(
        new Response(counted, {headers: {'Content-Type': 'application/wasm'}}));
  };
  const loadScript = () => new Promise((resolve, reject) => {
    const script = document.createElement('script');
    script.src = `${program}.js`;
    script.onload = () => resolve(window.startProgram);
    script.onerror = () => reject(new Error(`${program}.js could not be loaded`));
    document.body.append(script);
  });
  // What every start needs, fetched once; a failed fetch is tried again at the next start.
  let loading = null;
  const load = () => {
    loading = loading || Promise.all([fetchModule(), loadScript()]).catch((error) => {
      loading = null;
      throw error;
    });
    return loading;
  };
  const pictureBytes = Promise.all(pictures.map(
      (picture) => fetch(picture, {credentials: 'same-origin'})
                       .then((response) => (response.ok ? response.arrayBuffer() : null))
                       .catch(() => null)));

  // Ending the program unwinds it with an ExitStatus, which has been reported by then.
  window.addEventListener('unhandledrejection', (event) => {
    if (event.reason && event.reason.name === 'ExitStatus') event.preventDefault();
  });
  window.addEventListener('error', (event) => {
    if (event.error && event.error.name === 'ExitStatus') event.preventDefault();
  });

  const ended = (text) => {
    say(text, {button: true});
    again.focus();
  };

  // What the panel says while the program runs.
  const tellState = (Module) => {
    const display = Module.browserDisplay;
    if (Module.exitCode !== undefined || !display) return;
    if (display.active) {
      if (display.presented) say('');
    } else if (display.presented) {
      say('Paused while the page is in the background. Click or tap the picture to go on.');
    } else {
      say(`Click or tap here to start the ${what}.`);
    }
  };

  const start = async () => {
    say(`Loading the ${what}…`, {loading: true});
    let compiled;
    let startProgram;
    try {
      [compiled, startProgram] = await load();
    } catch (error) {
      ended(`The ${what} could not be loaded (${error.message}).`);
      return;
    }
    say(`Starting the ${what}…`);
    const files = await pictureBytes;
    const Module = window.Module = {
      canvas,
      instantiateWasm: (imports, receive) => {
        WebAssembly.instantiate(compiled, imports)
            .then((instance) => receive(instance, compiled))
            .catch((error) => Module.onAbort(String(error)));
        return {};
      },
      preRun: [() => {
        const FS = Module.FS;
        const path = `${directory}/${program}`;
        FS.mkdir(directory);
        files.forEach((bytes, i) => {
          if (bytes) FS.writeFile(`${directory}/${pictures[i]}`, new Uint8Array(bytes));
        });
        FS.symlink(path, '/proc/self/exe');
        FS.writeFile('/proc/self/cmdline', `${path}\0`);
      }],
      onDisplayChange: () => tellState(Module),
      onExit: (code) => {
        Module.exitCode = code;
        ended(`The ${what} has ended.`);
      },
      onAbort: () => ended(`The ${what} stopped on an error.`),
    };
    // An abort is told by onAbort; its rejection of the start says nothing more.
    startProgram(Module).catch(() => {});
  };

  again.addEventListener('click', start);

  if (document.fullscreenEnabled) {
    fullScreen.hidden = false;
    fullScreen.addEventListener('click', () => stage.requestFullscreen().catch(() => {}));
  }
  start();
})();
