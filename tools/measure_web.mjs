// Measures a deliverable's page of the web build in headless Chromium, served from
// 127.0.0.1: the size of its page, script and module, the time from the page's start to
// its first presented frame, and over a steady stretch after a warm-up the frames
// presented and the browser's animation frames per second, and the main thread's busy
// time per presented frame by the DevTools Performance metrics (TaskDuration: every task
// of the page's main thread, the program's frame loop and the canvas's drawing with it;
// ScriptDuration: the part in script and WebAssembly), with the CPU time of each kind of
// the browser's processes per presented frame for comparison.
//   node tools/measure_web.mjs [NAME] [SECONDS] [RUNS]    NAME: paris, morph or morphose
// Each run starts a fresh browser. Limits: TaskDuration leaves out the page's other
// threads (compositing, raster), which the processes' CPU times hold; headless, frames
// come at the browser's own 60 per second.
import fs from 'node:fs/promises';
import {createRequire} from 'node:module';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

import {serve} from '../web/serve.mjs';

const root = path.join(path.dirname(fileURLToPath(import.meta.url)), '..');
const puppeteer = createRequire(path.join(root, 'tests/web/package.json'))('puppeteer-core');
const [name = 'paris', seconds = '10', runs = '3'] = process.argv.slice(2);
const bin = path.join(root, 'build/web/bin');
const warmup = 2000;

let bytes = 0;
for (const extension of ['html', 'js', 'wasm']) {
  bytes += (await fs.stat(path.join(bin, `bump-${name}.${extension}`))).size;
}
console.log(`bump-${name}: page, script and module ${bytes} bytes`);

const server = await serve(bin);
try {
  for (let run = 1; run <= Number(runs); ++run) {
    const browser = await puppeteer.launch({
      executablePath: '/usr/bin/chromium',
      headless: true,
      args: ['--no-sandbox', '--window-size=800,600'],
    });
    try {
      const page = await browser.newPage();
      // The browser's animation frames, counted from the page's start.
      await page.evaluateOnNewDocument(() => {
        window.animationFrames = 0;
        const count = () => {
          ++window.animationFrames;
          requestAnimationFrame(count);
        };
        requestAnimationFrame(count);
      });
      await page.goto(`${server.address}bump-${name}.html`);
      await page.waitForFunction(
          () => window.Module && Module.browserDisplay && Module.browserDisplay.presented > 0,
          {polling: 'raf'});
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
                                  first: Module.browserDisplay.firstPresentAt,
                                  presented: Module.browserDisplay.presented,
                                  animationFrames: window.animationFrames,
                                  now: performance.now(),
                                }))),
      });
      const start = await sample();
      await new Promise((resolve) => setTimeout(resolve, Number(seconds) * 1000));
      const end = await sample();
      const elapsed = (end.now - start.now) / 1000;
      const frames = end.presented - start.presented;
      const perFrame = (metric) =>
          ((end.metrics[metric] - start.metrics[metric]) * 1000 / frames).toFixed(2);
      console.log(
          `run ${run}: first frame ${start.first.toFixed(0)} ms after the page's start; ` +
          `${(frames / elapsed).toFixed(1)} frames/s presented, ` +
          `${((end.animationFrames - start.animationFrames) / elapsed).toFixed(1)} ` +
          `animation frames/s; per presented frame: tasks ${perFrame('TaskDuration')} ms, ` +
          `script ${perFrame('ScriptDuration')} ms; CPU of the browser's processes: ` +
          Object.keys(end.processes)
              .map(
                  (type) => `${type} ${
                      ((end.processes[type] - (start.processes[type] || 0)) * 1000 / frames)
                          .toFixed(2)} ms`)
              .join(', '));
    } finally {
      await browser.close();
    }
  }
} finally {
  await server.close();
}
