// Loads and starts the page's program on the page's canvas (its name and pictures are the
// body's data-program and data-picture, the pictures' names separated by spaces; data-what
// says what it is, "demonstration" or "example"; data-module-bytes, where given, the size
// of its module; data-picture-area, where given, "LEFT TOP WIDTH HEIGHT" of the part of
// the screen in which the program shows its picture; data-height-picture, where given,
// the picture the program reads as heights, which the visitor may make from an image of
// their own: dropped on the stage or chosen with "Your picture", it is made into the
// program's picture here (own_picture.js) and the program starts afresh on it, and again
// at each start until "Original picture"), places the canvas in the stage,
// and keeps the panel over the canvas saying what goes on: that the
// program loads, with a line of how much of it has come (outside the panel's live region,
// so that screen readers are not made to read out every step), "click to start" while the
// page waits for the focus, "paused" while it is in the background (the last frame stays),
// and the end, with a button that starts the program again from what the page already holds:
// the compiled module, its script and the pictures are fetched once. The program runs
// through ProgramOnPage (browser_page.js, before this file in the site's page.js).
//
// The program finds itself in /bump of its file system, with each of its pictures beside
// it that the server has; without its picture the demonstration makes an empty one, as it
// does on a desktop. window.program is the state of the program's latest start (see
// browser_page.js), for those who watch the page.
'use strict';
(() => {
  const program = document.body.dataset.program;
  const pictures = document.body.dataset.picture.split(' ').filter((name) => name);
  const what = document.body.dataset.what;
  const directory = '/bump';
  const panel = document.getElementById('panel');
  const message = document.getElementById('message');
  const progress = document.getElementById('progress');
  const received = document.getElementById('received');
  const again = document.getElementById('again');
  const stage = document.getElementById('stage');
  const fullScreen = document.getElementById('fullscreen');
  const view = document.getElementById('view');
  const area = (document.body.dataset.pictureArea || '').split(' ').filter(Boolean).map(Number);

  // The canvas as large as the stage allows, in its own proportions; where the stage is
  // smaller than the screen and the program shows its picture in part of it, that part as
  // large as it can, unless the visitor asked for the whole screen. The canvas keeps its
  // pixels, so that the frames are those of every other build; only its scale changes.
  let whole = false;
  const place = () => {
    const canvas = document.getElementById('screen');
    const width = stage.clientWidth;
    const height = stage.clientHeight;
    if (!width || !height) return;
    const zoomable = area.length == 4 && (width < canvas.width || height < canvas.height);
    const [left, top, areaWidth, areaHeight] = zoomable && !whole ? area :
        [0, 0, canvas.width, canvas.height];
    const scale = Math.min(width / areaWidth, height / areaHeight);
    Object.assign(canvas.style, {
      width: `${canvas.width * scale}px`,
      height: `${canvas.height * scale}px`,
      left: `${(width - areaWidth * scale) / 2 - left * scale}px`,
      top: `${(height - areaHeight * scale) / 2 - top * scale}px`,
    });
    canvas.classList.toggle('square-pixels', areaWidth == canvas.width && scale >= 1);
    view.hidden = !zoomable;
    view.textContent = whole ? 'Picture only' : 'Whole screen';
  };
  // The observer places it before the first paint; placed here, it would force a layout
  // of the page while the program's worker waits for this thread to start.
  new ResizeObserver(place).observe(stage);
  view.addEventListener('click', () => {
    whole = !whole;
    place();
  });

  // Shows `text` in the panel (nothing when empty), with the progress bar and its line or
  // the button.
  const say = (text, {loading = false, button = false} = {}) => {
    message.textContent = text;
    panel.classList.toggle('empty', !text);
    progress.hidden = received.hidden = !loading;
    again.hidden = !button;
  };

  if (typeof WebAssembly != 'object') {
    say(`This ${what} is a WebAssembly program, and this browser runs none: it has ` +
        'no WebAssembly, or it is switched off. A recent Chrome, Edge, Firefox or Safari ' +
        'runs it.');
    return;
  }

  const kilobytes = (bytes) => `${Math.round(bytes / 1024)} KB`;
  const showProgress = (bytes, total) => {
    progress.max = total || 1;
    if (total) {
      progress.value = Math.min(bytes, total);
    } else {
      progress.removeAttribute('value');
    }
    received.textContent = `${kilobytes(bytes)}` + (total ? ` of ${kilobytes(total)}` : '') +
        ' received';
  };

  // The module, compiled as its bytes come, by the browser off the page's thread; the
  // bytes (decoded, whatever the answer's encoding) are counted on a copy of the answer.
  // Their whole is the module's size, or else the length of an uncompressed answer. A
  // server that does not call the module application/wasm has it compiled all the same.
  const fetchModule = async () => {
    const response = await fetch(`${program}.wasm`, {credentials: 'same-origin'});
    if (!response.ok) throw new Error(`${program}.wasm: ${response.status}`);
    const total = Number(document.body.dataset.moduleBytes) ||
        (response.headers.get('Content-Encoding') ? 0 :
                                                    Number(response.headers.get('Content-Length')));
    let bytes = 0;
    showProgress(bytes, total);
    const counter = response.clone().body.getReader();
    const count = ({done, value}) => {
      if (done) return;
      bytes += value.length;
      showProgress(bytes, total);
      counter.read().then(count, () => {});
    };
    counter.read().then(count, () => {});
    const type = (response.headers.get('Content-Type') || '').split(';')[0].trim();
    return WebAssembly.compileStreaming(type == 'application/wasm' ? response :
        new Response(response.body, {headers: {'Content-Type': 'application/wasm'}}));
  };
  const host = new ProgramOnPage(document.getElementById('screen'), `${program}.js`, {
    started: (run) => {
      window.program = run;
    },
    change: (run) => tellState(run),
    exit: () => ended(`The ${what} has ended.`),
    abort: (run) => ended(run.unavailable ?
        `The ${what} could not be loaded (${program}.js: ${run.unavailable}).` :
        `The ${what} stopped on an error.`),
  });
  // The module, fetched once; a failed fetch is tried again at the next start.
  let fetched = null;
  const load = () => {
    fetched = fetched || fetchModule().catch((error) => {
      fetched = null;
      throw error;
    });
    return fetched;
  };
  const pictureBytes = Promise.all(pictures.map(
      (picture) => fetch(picture, {credentials: 'same-origin'})
                       .then((response) => (response.ok ? response.arrayBuffer() : null))
                       .catch(() => null)));

  // Where the page is: 'loading' the program or its pictures, 'running' it, or 'ended'.
  let state = 'ended';
  const ended = (text) => {
    state = 'ended';
    say(text, {button: true});
    again.focus();
  };

  // What the panel says while the program runs.
  const tellState = (run) => {
    if (run.exitCode !== undefined || !run.started) return;
    if (run.active) {
      if (run.presented) say('');
    } else if (run.presented) {
      say('Paused while the page is in the background. Click or tap the picture to go on.');
    } else {
      say(`Click or tap here to start the ${what}.`);
    }
  };

  // The visitor's own picture, in place of the program's, once made: {name, bytes}.
  const heightPicture = document.body.dataset.heightPicture;
  let own = null;

  const start = async () => {
    state = 'loading';
    say(`Loading the ${what}…`, {loading: true});
    let compiled;
    try {
      compiled = await load();
    } catch (error) {
      ended(`The ${what} could not be loaded (${error.message}).`);
      return;
    }
    say(`Starting the ${what}…`);
    const bytes = await pictureBytes;
    state = 'running';
    host.start(startOf(compiled, bytes));
  };
  const startOf = (compiled, bytes) => ({
    module: compiled,
    files: pictures.map((name, i) => ({
                          name,
                          bytes: own && name == heightPicture ? own.bytes.slice().buffer : bytes[i],
                        })),
    program,
    directory,
  });

  if (heightPicture) {
    const ownFile = document.getElementById('own-file');
    const original = document.getElementById('original');
    const pictureMessage = document.getElementById('picture-message');
    const tell = (text) => {
      pictureMessage.textContent = text;
      pictureMessage.hidden = !text;
    };
    // Starts the program afresh on what is now its picture: at once where it runs, as
    // "Start again" would where it has ended; a start under way takes it anyway.
    const restart = async () => {
      if (state == 'ended') {
        start();
      } else if (state == 'running') {
        say(`Starting the ${what}…`);
        host.restart(startOf(await load(), await pictureBytes));
      }
    };
    const use = async (file) => {
      if (!file) return;
      tell(`Making ${file.name} into the ${what}'s picture…`);
      try {
        own = {name: file.name, bytes: await heightPictureFrom(file)};
      } catch (error) {
        tell(`${error.message}: the ${what} keeps its picture.`);
        return;
      }
      original.hidden = false;
      tell(`Showing your picture, ${file.name}, made here: nothing left your machine.`);
      restart();
    };
    document.querySelectorAll('.own-picture:not(#picture-message)')
        .forEach((element) => element.hidden = false);
    document.getElementById('own').addEventListener('click', () => ownFile.click());
    ownFile.addEventListener('change', () => {
      use(ownFile.files[0]);
      ownFile.value = '';
    });
    original.addEventListener('click', () => {
      own = null;
      original.hidden = true;
      tell('Showing the original picture again.');
      restart();
    });
    const dragging = (event) => {
      if (!event.dataTransfer.types.includes('Files')) return;
      event.preventDefault();
      event.dataTransfer.dropEffect = 'copy';
      stage.classList.add('dropping');
    };
    stage.addEventListener('dragenter', dragging);
    stage.addEventListener('dragover', dragging);
    stage.addEventListener('dragleave', () => stage.classList.remove('dropping'));
    stage.addEventListener('drop', (event) => {
      stage.classList.remove('dropping');
      if (!event.dataTransfer.files.length) return;
      event.preventDefault();
      use(event.dataTransfer.files[0]);
    });
  }

  again.addEventListener('click', start);

  if (document.fullscreenEnabled) {
    fullScreen.hidden = false;
    fullScreen.addEventListener('click', () => stage.requestFullscreen().catch(() => {}));
  }
  start();
})();
