// The first frame of a deliverable's web page, and the program's own start (from the
// page's start of it to its first present, and from its thread's receipt of that start,
// which waits for the worker to have run the program's script), beside the first message
// of a page's worker of one line, in interleaved runs; and when the program's worker had
// run its script, beside that message (what the browser's start of a worker, and the
// fetch of its script, cost on this page), and from there to the first frame. Each page
// loads in a fresh headless Chromium to which no DevTools client attaches: DevTools slows
// what it watches (an Error's stack, for one, is then gathered with its source
// positions). Each page writes its figures, on its own performance.now() clock, into its
// title, and the browser's list of pages (its HTTP endpoint, which attaches to nothing)
// tells the title. The browser starts on a blank page and is left two seconds to its own
// start-up work, as in tools/measure_web.mjs.
// Run on the web build's site (tools/measure_web.sh builds it), or on the site in SITE (one
// built before a change, say):
//   node tools/measure_first_frame.mjs [paris|morph|morphose] [RUNS] [SITE]
import {spawn} from 'node:child_process';
import fs from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

import {serve} from '../web/serve.mjs';

const root = path.join(path.dirname(fileURLToPath(import.meta.url)), '..');
const name = process.argv[2] || 'paris';
const runs = Number(process.argv[3] || 10);
const built = process.argv[4] || path.join(root, 'build/web/bin');
const pause = (milliseconds) => new Promise((resolve) => setTimeout(resolve, milliseconds));

// A copy of the site whose page tells its first frame in its title, once it has loaded.
const site = await fs.mkdtemp(path.join(os.tmpdir(), 'bump-first-frame-'));
await fs.cp(built, site, {recursive: true});
const page = `bump-${name}.html`;
const html = await fs.readFile(path.join(site, page), 'utf8');
const teller = '<script>addEventListener("load", function tell() {' +
    ' const run = window.program;' +
    ' if (run && run.firstPresentAt !== null)' +
    '   document.title = `first ${run.firstPresentAt} ${run.firstPresentAt - run.startAt} ' +
    '${run.firstPresentAt - run.receivedAt} ${run.scriptRanAt}`;' +
    ' else setTimeout(tell, 5); });</script>';
await fs.writeFile(path.join(site, page), html.replace('</body>', `${teller}</body>`));
for (const compressed of ['br', 'gz']) await fs.rm(path.join(site, `${page}.${compressed}`));
const baseline = await fs.mkdtemp(path.join(os.tmpdir(), 'bump-baseline-'));
await fs.writeFile(path.join(baseline, 'one.js'), 'postMessage(0);\n');
await fs.writeFile(path.join(baseline, 'index.html'),
                   '<!DOCTYPE html><title>one</title><script>new Worker("one.js").onmessage = ' +
                       '() => document.title = `first ${performance.now()}`;</script>');

// The figures that the page at `url` tells in its title.
async function firstIn(url) {
  const profile = await fs.mkdtemp(path.join(os.tmpdir(), 'bump-browser-'));
  const browser = spawn('/usr/bin/chromium', [
    '--headless=new', '--no-sandbox', '--window-size=800,600', '--remote-debugging-port=0',
    `--user-data-dir=${profile}`, 'about:blank',
  ], {stdio: 'ignore'});
  const ended = new Promise((resolve) => browser.on('exit', resolve));
  try {
    let port = null;
    for (let tries = 0; tries < 200 && !port; ++tries) {
      port = await fs.readFile(path.join(profile, 'DevToolsActivePort'), 'utf8')
                 .then((text) => text.split('\n')[0], () => null);
      if (!port) await pause(50);
    }
    if (!port) throw new Error('Chromium did not open its endpoint');
    const endpoint = `http://127.0.0.1:${port}/json`;
    await pause(2000);
    await fetch(`${endpoint}/new?${url}`, {method: 'PUT'});
    for (const started = Date.now(); Date.now() - started < 30000; await pause(20)) {
      const pages = await (await fetch(`${endpoint}/list`)).json();
      const title = (pages.find((target) => target.url == url) || {title: ''}).title;
      if (title.startsWith('first ')) return title.split(' ').slice(1).map(Number);
    }
    throw new Error(`${url}: no figure in its title within 30 s`);
  } finally {
    browser.kill();
    await ended;
    await fs.rm(profile, {recursive: true, force: true, maxRetries: 10, retryDelay: 100});
  }
}

const servers = [await serve(site), await serve(baseline)];
const figures = {frame: [], own: [], thread: [], ran: [], worker: []};
try {
  for (let run = 1; run <= runs; ++run) {
    const measure = {
      frame: () => firstIn(`${servers[0].address}${page}`),
      worker: () => firstIn(servers[1].address),
    };
    // Each goes first every other run.
    const order = run % 2 ? ['frame', 'worker'] : ['worker', 'frame'];
    const got = {};
    for (const what of order) got[what] = await measure[what]();
    const [frame, own, thread, ran] = got.frame;
    const [worker] = got.worker;
    figures.frame.push(frame);
    figures.own.push(own);
    figures.thread.push(thread);
    figures.ran.push(ran);
    figures.worker.push(worker);
    console.log(`run ${run}: first frame ${frame.toFixed(0)} ms after the page's start, ` +
                `${own.toFixed(0)} ms after the page started the program, ${thread.toFixed(0)} ` +
                `ms after the program's thread had the start; the program's script had run ` +
                `in its worker ${ran.toFixed(0)} ms after the page's start; a page's worker of ` +
                `one line: its first message ${worker.toFixed(0)} ms after its page's start; ` +
                `the frame ${(frame - worker).toFixed(0)} ms behind`);
  }
} finally {
  for (const server of servers) await server.close();
  for (const folder of [site, baseline]) await fs.rm(folder, {recursive: true, force: true});
}
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const summary = (values) => `${median(values).toFixed(0)} ms (${
    Math.min(...values).toFixed(0)} to ${Math.max(...values).toFixed(0)})`;
const behind = (values, from) => values.map((value, run) => value - from[run]);
console.log(`bump-${name}, ${runs} runs, medians (ranges): first frame ${summary(figures.frame)}, ` +
            `the program's own start ${summary(figures.own)} (on its thread ` +
            `${summary(figures.thread)}), a one-line worker's first ` +
            `message ${summary(figures.worker)}, the frame behind it ` +
            `${summary(behind(figures.frame, figures.worker))}: the program's script had run ` +
            `in its worker ${summary(behind(figures.ran, figures.worker))} after that ` +
            `message, and the frame came ${summary(behind(figures.frame, figures.ran))} after`);
