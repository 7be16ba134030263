// The web build's pages in a real browser: Debian's chromium, headless, driven by
// puppeteer-core, the pages served from 127.0.0.1 by web/serve.mjs. For each deliverable:
// the page loads and shows its first frame within a second, frames come at the browser's
// rate, the page's files stay small (under 1 MB, the module under 256 KB), the canvas
// holds the shading of the picture (checked by the native check-screenshot against our
// own shading), a missing picture gives the flat field and an empty picture file in the
// program's folder, a hidden page holds the program at no cost and showing it again lets
// it go on, and a key ends the program with exit code 0, which the page says, offering to
// start it again. What visitors do beyond that is in visitors_test.mjs.
//   node tests/web/pages_test.mjs BIN-FOLDER PICTURE-FOLDER CHECKER [NAME...]
// NAME is paris, morph or morphose (all three unless given).
import assert from 'node:assert/strict';
import fs from 'node:fs/promises';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';

import * as support from './support.mjs';
import {exited, pictures, presents, testTimeout} from './support.mjs';

const [binFolder, pictureFolder, checker, ...names] = process.argv.slice(2);
const assertShowsShadingOf = (page, picture) =>
    support.assertShowsShadingOf(page, picture, checker, site.scratch);

const site = support.servedSite(binFolder);

for (const name of names.length ? names : Object.keys(pictures)) {
  const picture = pictures[name];
  const url = () => `${site.server.address}bump-${name}.html`;

  describe(`bump-${name}`, () => {
    let page;
    before(async () => {
      page = await site.browser.newPage();
    });
    after(async () => page.close());

    test(
        'shows its first frame within a second, 30 frames in two, the picture shaded',
        {timeout: testTimeout}, async () => {
          await page.goto(url());
          await presents(page, 1);
          const {startAt, scriptRanAt, receivedAt, firstPresentAt: first} =
              await page.evaluate(() => program);
          assert.ok(first < 1000, `first frame ${first.toFixed(0)} ms after the page started`);
          // The program's thread had run its script, and then had the start, after the page
          // had begun and before the present.
          assert.ok(0 < scriptRanAt && scriptRanAt <= receivedAt && startAt <= receivedAt &&
                        receivedAt <= first,
                    `started ${startAt}, script ran ${scriptRanAt}, received ${receivedAt}, ` +
                        `presented ${first}`);
          const framesIn2s = await page.evaluate(() => new Promise((resolve) => {
                                                   const wait = () => performance.now() >= 2000 ?
                                                       resolve(program.presented) :
                                                       requestAnimationFrame(wait);
                                                   wait();
                                                 }));
          assert.ok(framesIn2s >= 30, `${framesIn2s} frames in the first 2 seconds`);
          await assertShowsShadingOf(page, path.join(pictureFolder, picture));
        });

    test('its page, script, module and picture come to under 1 MB, its module to under 256 KB',
         async () => {
           const sizes = {};
           for (const file of [`bump-${name}.html`, `bump-${name}.js`, `bump-${name}.wasm`,
                               picture]) {
             sizes[file] = (await fs.stat(path.join(binFolder, file))).size;
           }
           const total = Object.values(sizes).reduce((sum, size) => sum + size, 0);
           assert.ok(total < 1000000, `${total} bytes: ${JSON.stringify(sizes)}`);
           assert.ok(sizes[`bump-${name}.wasm`] < 256 * 1024, JSON.stringify(sizes));
         });

    test(
        'hidden, it presents nothing and takes no time, on the page or in its worker; ' +
            'shown again, it goes on',
        {timeout: testTimeout}, async () => {
          // The worker's animation frames go on while the page is hidden: its program
          // must not wait on them then.
          const thread = await support.programThread(page);
          await thread.evaluate(() => {
            self.frameRequests = 0;
            const request = self.requestAnimationFrame;
            self.requestAnimationFrame = (callback) => {
              ++self.frameRequests;
              return request(callback);
            };
          });
          const other = await site.browser.newPage();
          try {
            await other.bringToFront();
            await page.waitForFunction(() => document.visibilityState == 'hidden');
            await support.pause(100);
            const before = await page.metrics();
            const requests = await thread.evaluate(() => self.frameRequests);
            const presented = await page.evaluate(() => program.presented);
            await support.pause(1000);
            const later = await page.metrics();
            assert.equal(await page.evaluate(() => program.presented), presented);
            const busy = later.TaskDuration - before.TaskDuration;
            assert.ok(busy < 0.05, `${(busy * 1000).toFixed(0)} ms of tasks in a hidden second`);
            const woken = (await thread.evaluate(() => self.frameRequests)) - requests;
            assert.equal(woken, 0, `the program waited for ${woken} frames in a hidden second`);
          } finally {
            await other.close();
          }
          await page.bringToFront();
          const presented = await page.evaluate(() => program.presented);
          await presents(page, presented + 10);
          await assertShowsShadingOf(page, path.join(pictureFolder, picture));
        });

    test(
        'shown without the focus, it presents nothing, the page answers; focused, it goes on',
        {timeout: testTimeout}, async () => {
          // Headless, a shown page keeps the focus: the browser's word on it is scripted.
          await page.evaluate(() => {
            document.hasFocus = () => false;
            window.dispatchEvent(new Event('blur'));
          });
          await page.waitForFunction(() => !program.active);
          // A frame the worker presented before it heard of the blur may still be on its way.
          await support.pause(100);
          const before = await page.metrics();
          const presented = await page.evaluate(() => program.presented);
          await support.pause(1000);
          const later = await page.metrics();
          assert.equal(await page.evaluate(() => program.presented), presented);
          const busy = later.TaskDuration - before.TaskDuration;
          assert.ok(
              busy < 0.2, `${(busy * 1000).toFixed(0)} ms of tasks in a second without focus`);
          await page.evaluate(() => {
            delete document.hasFocus;
            window.dispatchEvent(new Event('focus'));
          });
          await presents(page, presented + 10);
          await assertShowsShadingOf(page, path.join(pictureFolder, picture));
        });

    test(
        'a key ends it with exit code 0; the page says so and starts it again',
        {timeout: testTimeout}, async () => {
          await page.keyboard.down('Space');
          await support.pause(100);
          await page.keyboard.up('Space');
          assert.equal(await exited(page), 0);
          const said = await page.$eval('#notice', (element) => element.innerText);
          assert.match(said, /The demonstration has ended/);
          await support.startedAgain(page, () => page.click('#again'));
          await assertShowsShadingOf(page, path.join(pictureFolder, picture));
        });

    test('runs from a server that does not call its module application/wasm',
         {timeout: testTimeout}, async () => {
           const plain = await site.browser.newPage();
           try {
             const module = await fs.readFile(path.join(binFolder, `bump-${name}.wasm`));
             await plain.setRequestInterception(true);
             plain.on('request', (request) => {
               if (request.url().endsWith(`/bump-${name}.wasm`)) {
                 request.respond({contentType: 'application/octet-stream', body: module});
               } else {
                 request.continue();
               }
             });
             await plain.goto(url());
             await presents(plain, 2);
           } finally {
             await plain.close();
           }
         });

    test(
        'without its picture: an empty picture beside it and the flat field',
        {timeout: testTimeout}, async () => {
          const bare = await site.browser.newPage();
          try {
            await bare.setRequestInterception(true);
            bare.on('request', (request) => {
              if (request.url().endsWith(`/${picture}`)) {
                request.respond({status: 404, body: ''});
              } else {
                request.continue();
              }
            });
            await bare.goto(url());
            await presents(bare, 2);
            const left = await (await support.programThread(bare)).evaluate(
                (file) => Array.from(Module.FS.readFile(file)), `/bump/${picture}`);
            assert.equal(left.length, 0, `the program's ${picture} holds ${left.length} bytes`);
            const empty = path.join(site.scratch, picture);
            await fs.writeFile(empty, Buffer.from(left));
            await assertShowsShadingOf(bare, empty);
          } finally {
            await bare.close();
          }
        });
  });
}
