// Measures a deliverable's page of the web build in headless Chromium, served from
// 127.0.0.1 by web/serve.mjs, on the local link:
// - the size of its page, script, module and picture, as built and as sent in brotli;
// - the time from the page's start to its first presented frame;
// - over a steady stretch after a warm-up: the frames presented and the browser's
//   animation frames per second, and per presented frame the main thread's busy time by
//   the DevTools Performance metrics (TaskDuration: every task of the page's main thread,
//   the program's frame loop and the canvas's update with it; ScriptDuration: the part in
//   script and WebAssembly), the canvas's update alone (the time in putImageData, timed by
//   the page's clock, which browsers coarsen to 0.1 ms a reading: an average over many
//   frames), and the CPU time of each kind of the browser's processes;
// - then, over three seconds of a DevTools trace (which slows it somewhat), where the main
//   thread's time per presented frame goes: all its tasks, the program's frame (the
//   microtasks that resume it at each animation frame: shading, copy, flip and the
//   canvas's update) and the hand-over of the page's picture to the compositor (Commit);
//   node tools/measure_web.mjs [NAME] [SECONDS] [RUNS]    NAME: paris, morph or morphose
// or on a slow link (DevTools' network emulation: 400 ms latency, 400 kbit/s each way),
// the first frame of a first visit (a fresh browser, empty cache) and of a second visit
// (the same browser, its cache revalidated), with the bytes that came over the link:
//   node tools/measure_web.mjs --slow [NAME] [RUNS]
// Each run starts a fresh browser. Limits: TaskDuration leaves out the page's other
// threads (compositing, raster), which the processes' CPU times hold; headless, frames
// come at the browser's own 60 per second.
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
const name = options[0] || 'paris';
const seconds = Number(slow ? 0 : options[1] || 10);
const runs = Number(options[slow ? 1 : 2] || 3);
const bin = path.join(root, 'build/web/bin');
const warmup = 2000;

let bytes = 0;
let brotli = 0;
const picture = {paris: 'Paris.pcx', morph: 'Morph.pcx', morphose: 'morphose.pcx'}[name];
for (const file of [`bump-${name}.html`, 'page.js', `bump-${name}.js`, `bump-${name}.wasm`,
                    picture]) {
  bytes += (await fs.stat(path.join(bin, file))).size;
  brotli += (await fs.stat(path.join(bin, `${file}.br`))).size;
}
console.log(`bump-${name}: page, scripts, module and picture ${bytes} bytes, ${brotli} in brotli`);

const launch = () => puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--window-size=800,600'],
});
const firstFrame = async (page, url) => {
  await page.goto(url);
  await page.waitForFunction(
      () => window.Module && Module.browserDisplay && Module.browserDisplay.presented > 0,
      {polling: 'raf', timeout: 60000});
  return page.evaluate(() => Module.browserDisplay.firstPresentAt);
};

// The first frame of a first and a second visit over a slow link.
async function measureSlowLink(url, run) {
  const browser = await launch();
  try {
    const page = await browser.newPage();
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
      await page.goto('about:blank');
    }
    console.log(`run ${run}: 400 ms, 400 kbit/s: first frame of the ${visits.join(', of the ')}`);
  } finally {
    await browser.close();
  }
}

// The main thread's time per presented frame over three seconds of a trace, by kind.
async function traceMainThread(page) {
  const file = path.join(os.tmpdir(), `bump-trace-${process.pid}.json`);
  const presented = () => page.evaluate(() => Module.browserDisplay.presented);
  await page.tracing.start({
    path: file,
    categories: ['toplevel', 'devtools.timeline', 'disabled-by-default-devtools.timeline', 'v8.execute', 'blink', 'cc'],
  });
  const before = await presented();
  await new Promise((resolve) => setTimeout(resolve, 3000));
  await page.tracing.stop();
  const frames = (await presented()) - before;
  const {traceEvents} = JSON.parse(await fs.readFile(file, 'utf8'));
  await fs.rm(file, {force: true});
  const main = new Set(traceEvents
                           .filter((event) => event.name === 'thread_name' &&
                                       event.args.name === 'CrRendererMain')
                           .map((event) => `${event.pid}:${event.tid}`));
  const sums = {RunTask: 0, RunMicrotasks: 0, Commit: 0};
  for (const event of traceEvents) {
    if (event.ph === 'X' && event.name in sums && main.has(`${event.pid}:${event.tid}`)) {
      sums[event.name] += event.dur;
    }
  }
  const per = (name) => (sums[name] / 1000 / frames).toFixed(2);
  return `tasks ${per('RunTask')} ms, the program's frame ${per('RunMicrotasks')} ms, ` +
      `commit ${per('Commit')} ms`;
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
      const page = await browser.newPage();
      // The browser's animation frames, counted from the page's start, and the time the
      // canvas's updates take.
      await page.evaluateOnNewDocument(() => {
        window.animationFrames = 0;
        const count = () => {
          ++window.animationFrames;
          requestAnimationFrame(count);
        };
        requestAnimationFrame(count);
        window.canvasTime = 0;
        const put = CanvasRenderingContext2D.prototype.putImageData;
        CanvasRenderingContext2D.prototype.putImageData = function(...args) {
          const start = performance.now();
          put.apply(this, args);
          window.canvasTime += performance.now() - start;
        };
      });
      const firstAt = await firstFrame(page, `${server.address}bump-${name}.html`);
      await new Promise((resolve) => setTimeout(resolve, warmup));
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
        ...(await page.evaluate(() => ({
                                  canvas: window.canvasTime,
                                  presented: Module.browserDisplay.presented,
                                  animationFrames: window.animationFrames,
                                  now: performance.now(),
                                }))),
      });
      const start = await sample();
      await new Promise((resolve) => setTimeout(resolve, seconds * 1000));
      const end = await sample();
      const elapsed = (end.now - start.now) / 1000;
      const frames = end.presented - start.presented;
      const perFrame = (metric) =>
          ((end.metrics[metric] - start.metrics[metric]) * 1000 / frames).toFixed(2);
      console.log(
          `run ${run}: first frame ${firstAt.toFixed(0)} ms after the page's start; ` +
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
      console.log(`run ${run}: traced, per presented frame: ${await traceMainThread(page)}`);
    } finally {
      await browser.close();
    }
  }
} finally {
  await server.close();
}
