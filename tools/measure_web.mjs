// Measures a deliverable's page of the web build in headless Chromium, served from
// 127.0.0.1 by web/serve.mjs, on the local link:
// - the size of its page, script, module and picture, as built and as sent in brotli;
// - the time from the page's start to its first presented frame, in a browser already
//   running (started, then left two seconds on a blank page to its own start-up work)
//   with an empty cache, and from a click on "Start again" to the first frame of the new
//   start;
// - over a steady stretch after a warm-up: the frames presented and the animation frames
//   of the program's thread per second, and per presented frame the page's main thread's
//   busy time by the DevTools Performance metrics (TaskDuration: every task of the page's
//   main thread; ScriptDuration: the part in script), the canvas's update alone (the
//   time in putImageData in the program's thread, timed by its clock, which browsers
//   coarsen to 0.1 ms a reading: an average over many frames), and the CPU time of each
//   kind of the browser's processes;
// - then, over three seconds of a DevTools trace (which slows it somewhat), where the time
//   per presented frame goes: all the tasks of the page's main thread and the hand-over
//   of its picture to the compositor there (Commit), and all the tasks of the program's
//   worker (its frame: shading, copy, flip, and the canvas's update and hand-over);
// - and from a trace of a first load in another fresh browser, where the first frame's
//   time goes: when the page's first script ran (in its head, where it makes the worker),
//   when the worker started its thread and had run the program's script, when the page
//   started the program (its module compiled, its pictures in), how long the program
//   took from there to its first present, and the browser's compiling of the module:
//   lazily on the program's thread (each function at its first call) and, optimising,
//   in the background in the first second;
// - and, in another fresh browser, the first message of a worker of one line on a page of
//   one script, from the page's start: what the browser's own start of a page and its
//   worker costs, which the first frame cannot go below;
//   node tools/measure_web.mjs [--on-page] [NAME] [SECONDS] [RUNS]
// NAME: paris, morph or morphose; --on-page: as in a browser that cannot hand a canvas to
// a worker, where the program runs on the page's main thread;
// or on a slow link (DevTools' network emulation: 400 ms latency, 400 kbit/s each way),
// the first frame of a first visit (a fresh browser, empty cache), of a second visit
// (the same browser, its cache revalidated) and after "Start again", with the bytes that
// came over the link:
//   node tools/measure_web.mjs --slow [--on-page] [NAME] [RUNS]
// Each run starts a fresh browser. Limits: TaskDuration leaves out the page's other
// threads (the worker, compositing, raster), which the processes' CPU times hold;
// headless, frames come at the browser's own 60 per second; DevTools counts, and may
// throttle, only the page's own requests, not the worker's for its script.
import fs from 'node:fs/promises';
import os from 'node:os';
import {createRequire} from 'node:module';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

import {serve} from '../web/serve.mjs';

const root = path.join(path.dirname(fileURLToPath(import.meta.url)), '..');
const puppeteer = createRequire(path.join(root, 'tests/web/package.json'))('puppeteer-core');
const options = process.argv.slice(2);
const slow = options[0] === '--slow';
if (slow) options.shift();
const onPage = options[0] === '--on-page';
if (onPage) options.shift();
const name = options[0] || 'paris';
const seconds = Number(slow ? 0 : options[1] || 10);
const runs = Number(options[slow ? 1 : 2] || 3);
const bin = path.join(root, 'build/web/bin');
const warmup = 2000;

let bytes = 0;
let brotli = 0;
const picture = {paris: 'Paris.pcx', morph: 'Morph.pcx', morphose: 'morphose.pcx'}[name];
for (const file of [`bump-${name}.html`, `bump-${name}.js`, `bump-${name}.wasm`,
                    picture]) {
  bytes += (await fs.stat(path.join(bin, file))).size;
  brotli += (await fs.stat(path.join(bin, `${file}.br`))).size;
}
console.log(`bump-${name}: page, scripts, module and picture ${bytes} bytes, ${brotli} in brotli`);

const pause = (milliseconds) => new Promise((resolve) => setTimeout(resolve, milliseconds));
const launch = () => puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--window-size=800,600'],
});
const firstFrame = async (page, url) => {
  await page.goto(url);
  await page.waitForFunction(
      () => window.program && program.presented > 0,
      {polling: 'raf', timeout: 60000});
  return page.evaluate(() => program.firstPresentAt);
};
// Makes `page` run its program on the page, as in a browser that cannot hand a canvas to
// a worker.
const programOnPage = (page) => page.evaluateOnNewDocument(() => {
  delete HTMLCanvasElement.prototype.transferControlToOffscreen;
});
// A page of a fresh `browser` left on a blank page until the browser's own start-up work
// is done, ready to load a page of ours.
const settledPage = async (browser) => {
  const page = await browser.newPage();
  await page.goto('about:blank');
  await pause(warmup);
  if (onPage) await programOnPage(page);
  return page;
};
// Ends the program with a key, then the time from a click on "Start again" to the new
// start's first frame.
const startAgain = async (page) => {
  await page.keyboard.press('KeyQ');
  await page.waitForFunction(() => program.exitCode !== undefined, {timeout: 10000});
  const clicked = await page.evaluate(() => {
    window.endedRun = program;
    const at = performance.now();
    document.getElementById('again').click();
    return at;
  });
  await page.waitForFunction(() => program !== window.endedRun && program.presented > 0,
                             {polling: 'raf', timeout: 60000});
  return (await page.evaluate(() => program.firstPresentAt)) - clicked;
};

// The first frame of a first and a second visit over a slow link.
async function measureSlowLink(url, run) {
  const browser = await launch();
  try {
    const page = await browser.newPage();
    if (onPage) await programOnPage(page);
    const session = await page.createCDPSession();
    await session.send('Network.enable');
    await session.send('Network.emulateNetworkConditions', {
      offline: false,
      latency: 400,
      downloadThroughput: 400000 / 8,
      uploadThroughput: 400000 / 8,
    });
    let received = 0;
    session.on('Network.loadingFinished', (event) => received += event.encodedDataLength);
    const visits = [];
    for (const visit of ['first', 'second']) {
      received = 0;
      const first = await firstFrame(page, url);
      visits.push(`${visit} visit ${first.toFixed(0)} ms (${received} bytes over the link)`);
      if (visit == 'first') await page.goto('about:blank');
    }
    received = 0;
    const again = await startAgain(page);
    visits.push(`start again ${again.toFixed(0)} ms (${received} bytes over the link)`);
    console.log(`run ${run}: 400 ms, 400 kbit/s: first frame of the ${visits.join(', of the ')}`);
  } finally {
    await browser.close();
  }
}

// Where the first frame's time goes, from a trace of a first load (see above). The
// trace's clock is tied to the page's by a time stamp the page leaves in it.
async function traceFirstLoad(url) {
  const browser = await launch();
  const file = path.join(os.tmpdir(), `bump-first-${process.pid}.json`);
  try {
    const page = await settledPage(browser);
    await page.tracing.start(
        {path: file, categories: ['devtools.timeline', 'v8', 'v8.wasm']});
    await firstFrame(page, url);
    await pause(1000);
    const anchor = await page.evaluate(() => {
      const at = performance.now();
      console.timeStamp('bump-anchor');
      return at;
    });
    await page.tracing.stop();
    const run = await page.evaluate(() => ({start: program.startAt, first: program.firstPresentAt}));
    const times = await (onPage ? page : page.workers()[0]).evaluate(() => Module.page.times);
    const {traceEvents} = JSON.parse(await fs.readFile(file, 'utf8'));
    const stamp = traceEvents.find((event) => event.name === 'TimeStamp' &&
                                       event.args.data.message === 'bump-anchor');
    const onPageClock = (ts) => anchor + (ts - stamp.ts) / 1000;
    const workers = new Set(traceEvents
                                .filter((event) => event.name === 'thread_name' &&
                                            event.pid === stamp.pid &&
                                            event.args.name === 'DedicatedWorker thread')
                                .map((event) => event.tid));
    const programThread = (event) =>
        event.pid === stamp.pid && (onPage ? event.tid === stamp.tid : workers.has(event.tid));
    const sum = (name, where) => traceEvents
                                     .filter((event) => event.ph === 'X' && event.name === name &&
                                                 where(event))
                                     .reduce((total, event) => total + event.dur / 1000, 0);
    const pageScript = traceEvents.find((event) => event.ph === 'X' &&
                                            event.name === 'EvaluateScript' &&
                                            event.pid === stamp.pid && event.tid === stamp.tid);
    const workerStart = traceEvents.find((event) => event.ph === 'X' && !onPage &&
                                             programThread(event));
    const script = traceEvents.find((event) => event.ph === 'X' && !onPage &&
                                        event.name === 'EvaluateScript' && programThread(event));
    return `the page's first script ran at ${onPageClock(pageScript.ts).toFixed(0)} ms, ` +
        (script ? `its worker's thread started at ${onPageClock(workerStart.ts).toFixed(0)} ms ` +
                      `and had run the program's script at ${
                          onPageClock(script.ts + script.dur).toFixed(0)} ms, ` :
                  '') +
        `the page started the program at ${run.start.toFixed(0)} ms, its first present came ${
               (run.first - run.start).toFixed(0)} ms later (its thread had the start at ${
               times.received.toFixed(0)} ms, then: instance ${
               (times.instantiated - times.received).toFixed(1)} ms, runtime to main ${
               (times.main - times.instantiated).toFixed(1)} ms, main to the display's start ${
               (times.display - times.main).toFixed(1)} ms, to the first present ${
               (times.presented - times.display).toFixed(1)} ms); compiling the module: ${
               sum('wasm.CompileLazy', programThread).toFixed(1)} ms lazily on the program's ` +
        `thread, ${sum('wasm.TopTierCompilation', (event) => event.pid === stamp.pid)
                       .toFixed(0)} ms optimising in the background`;
  } finally {
    await browser.close();
    await fs.rm(file, {force: true});
  }
}

// The time per presented frame over three seconds of a trace, by thread and kind.
async function traceThreads(page) {
  const file = path.join(os.tmpdir(), `bump-trace-${process.pid}.json`);
  const presented = () => page.evaluate(() => program.presented);
  await page.tracing.start({
    path: file,
    categories: ['toplevel', 'devtools.timeline', 'disabled-by-default-devtools.timeline', 'v8.execute', 'blink', 'cc'],
  });
  const before = await presented();
  await pause(3000);
  await page.tracing.stop();
  const frames = (await presented()) - before;
  const {traceEvents} = JSON.parse(await fs.readFile(file, 'utf8'));
  await fs.rm(file, {force: true});
  const threads = (name) => new Set(traceEvents
                                      .filter((event) => event.name === 'thread_name' &&
                                                  event.args.name === name)
                                      .map((event) => `${event.pid}:${event.tid}`));
  const sums = (thread) => {
    const sums = {RunTask: 0, Commit: 0};
    for (const event of traceEvents) {
      if (event.ph === 'X' && event.name in sums && thread.has(`${event.pid}:${event.tid}`)) {
        sums[event.name] += event.dur;
      }
    }
    return (name) => (sums[name] / 1000 / frames).toFixed(2);
  };
  const main = sums(threads('CrRendererMain'));
  const worker = sums(threads('DedicatedWorker thread'));
  return `main thread: tasks ${main('RunTask')} ms, commit ${main('Commit')} ms; ` +
      `the program's worker: tasks ${worker('RunTask')} ms`;
}

// The first message of a worker of one line, on the page's clock, as the first frame is.
const baseline = await fs.mkdtemp(path.join(os.tmpdir(), 'bump-baseline-'));
await fs.writeFile(path.join(baseline, 'one.js'), 'postMessage(0);\n');
await fs.writeFile(path.join(baseline, 'index.html'),
                   '<!DOCTYPE html><title>one</title><script>new Worker("one.js").onmessage = ' +
                       '() => console.log(`first ${performance.now()}`);</script>');
const baselineServer = await serve(baseline);
async function oneLineWorker() {
  const browser = await launch();
  try {
    const page = await settledPage(browser);
    const first = new Promise((resolve) => page.on('console', (message) => {
      const [word, at] = message.text().split(' ');
      if (word == 'first') resolve(Number(at));
    }));
    await page.goto(baselineServer.address);
    return await first;
  } finally {
    await browser.close();
  }
}

const server = await serve(bin);
try {
  for (let run = 1; run <= runs; ++run) {
    if (slow) {
      await measureSlowLink(`${server.address}bump-${name}.html`, run);
      continue;
    }
    const browser = await launch();
    try {
      const page = await settledPage(browser);
      const firstAt = await firstFrame(page, `${server.address}bump-${name}.html`);
      const againAt = await startAgain(page);
      await pause(warmup);
      // The animation frames of the program's thread, and the time the canvas's updates
      // take there.
      const thread = onPage ? page : page.workers()[0];
      await thread.evaluate(() => {
        self.animationFrames = 0;
        const count = () => {
          ++self.animationFrames;
          requestAnimationFrame(count);
        };
        requestAnimationFrame(count);
        self.canvasTime = 0;
        const context = self.WorkerGlobalScope ? OffscreenCanvasRenderingContext2D.prototype :
                                                 CanvasRenderingContext2D.prototype;
        const put = context.putImageData;
        context.putImageData = function(...args) {
          const start = performance.now();
          put.apply(this, args);
          self.canvasTime += performance.now() - start;
        };
      });
      const session = await browser.target().createCDPSession();
      // CPU time of every process of the browser, by kind (browser, renderer, gpu, ...).
      const processes = async () => {
        const {processInfo} = await session.send('SystemInfo.getProcessInfo');
        const byType = {};
        for (const {type, cpuTime} of processInfo) byType[type] = (byType[type] || 0) + cpuTime;
        return byType;
      };
      const sample = async () => ({
        processes: await processes(),
        metrics: await page.metrics(),
        ...(await thread.evaluate(() => ({
                                    canvas: self.canvasTime,
                                    presented: Module.browserDisplay.presented,
                                    animationFrames: self.animationFrames,
                                    now: performance.now(),
                                  }))),
      });
      const start = await sample();
      await pause(seconds * 1000);
      const end = await sample();
      const elapsed = (end.now - start.now) / 1000;
      const frames = end.presented - start.presented;
      const perFrame = (metric) =>
          ((end.metrics[metric] - start.metrics[metric]) * 1000 / frames).toFixed(2);
      console.log(
          `run ${run}: first frame ${firstAt.toFixed(0)} ms after the page's start, ` +
          `${againAt.toFixed(0)} ms after "Start again"; ` +
          `${(frames / elapsed).toFixed(1)} frames/s presented, ` +
          `${((end.animationFrames - start.animationFrames) / elapsed).toFixed(1)} ` +
          `animation frames/s; per presented frame: tasks ${perFrame('TaskDuration')} ms, ` +
          `script ${perFrame('ScriptDuration')} ms, canvas update ` +
          `${((end.canvas - start.canvas) / frames).toFixed(2)} ms; CPU of the browser's processes: ` +
          Object.keys(end.processes)
              .map(
                  (type) => `${type} ${
                      ((end.processes[type] - (start.processes[type] || 0)) * 1000 / frames)
                          .toFixed(2)} ms`)
              .join(', '));
      console.log(`run ${run}: traced, per presented frame: ${await traceThreads(page)}`);
    } finally {
      await browser.close();
    }
    console.log(`run ${run}: traced first load: ${
        await traceFirstLoad(`${server.address}bump-${name}.html`)}`);
    console.log(`run ${run}: a page's worker of one line: its first message ${
        (await oneLineWorker()).toFixed(0)} ms after the page's start`);
  }
} finally {
  await server.close();
  await baselineServer.close();
  await fs.rm(baseline, {recursive: true, force: true});
}
