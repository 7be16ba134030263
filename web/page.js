// Prepares the start of the page's program, whose script the page loads next (its name
// and pictures are the body's data-program and data-picture, the pictures' names
// separated by spaces), on the page's canvas. The program finds itself in /bump of the
// browser's file system, as the system's loader would tell it (/proc/self/exe), with each
// of its pictures beside it that the server has;
// without the picture the program makes an empty one there, as it does on a desktop.
// When the program ends the page says so, with the exit code, and offers to start it
// again (a fresh page).
'use strict';
(() => {
  const program = document.body.dataset.program;
  const pictures = document.body.dataset.picture.split(' ');
  const directory = '/bump';
  const pictureBytes = Promise.all(pictures.map(
      (picture) => fetch(picture)
                       .then((response) => (response.ok ? response.arrayBuffer() : null))
                       .catch(() => null)));

  const ended = (text) => {
    document.getElementById('message').textContent = text;
    document.getElementById('ended').hidden = false;
    document.getElementById('again').focus();
  };
  document.getElementById('again').addEventListener('click', () => location.reload());
  // Ending the program unwinds it with an ExitStatus, which has been reported by then.
  window.addEventListener('unhandledrejection', (event) => {
    if (event.reason && event.reason.name === 'ExitStatus') event.preventDefault();
  });
  window.addEventListener('error', (event) => {
    if (event.error && event.error.name === 'ExitStatus') event.preventDefault();
  });

  const Module = window.Module = {
    canvas: document.getElementById('screen'),
    preRun: [() => {
      Module.addRunDependency('picture');
      pictureBytes.then((files) => {
        const FS = Module.FS;
        const path = `${directory}/${program}`;
        FS.mkdir(directory);
        files.forEach((bytes, i) => {
          if (bytes) FS.writeFile(`${directory}/${pictures[i]}`, new Uint8Array(bytes));
        });
        FS.symlink(path, '/proc/self/exe');
        FS.writeFile('/proc/self/cmdline', `${path}\0`);
        Module.removeRunDependency('picture');
      });
    }],
    onExit: (code) => {
      Module.exitCode = code;
      ended(`${program} ended with exit code ${code}.`);
    },
    onAbort: (what) => ended(`${program} stopped: ${what}`),
  };
})();
