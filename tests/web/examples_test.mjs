// The examples' web pages in a real browser, driven as a visitor would with the mouse and
// the keyboard (Debian's chromium, headless, through puppeteer-core; the pages served from
// 127.0.0.1 by web/serve.mjs); the canvas is checked by the native check-examples
// against the examples' bitmaps:
// - sprite-garden: the flower follows the pointer and is transparent where black, a
//   click drops a copy that stays, a step of the wheel makes the sprite at the pointer
//   the bee;
// - palette-cycle: two pictures some frames apart differ by a rotation of the palette.
// A key then ends each with exit code 0. On a phone, an example shows its whole screen.
//   node tests/web/examples_test.mjs BIN-FOLDER BITMAP-FOLDER CHECK-EXAMPLES
import assert from 'node:assert/strict';
import fs from 'node:fs/promises';
import path from 'node:path';
import {describe, test} from 'node:test';

import * as support from './support.mjs';

const [binFolder, bitmapFolder, checker] = process.argv.slice(2);
const {presents, testTimeout} = support;

async function presented(page) {
  return page.evaluate(() => program.presented);
}

// Saves the canvas's pixels under `name` in the scratch folder.
async function saveCanvas(page, name) {
  const file = path.join(site.scratch, `${name}.rgb`);
  await fs.writeFile(file, await support.canvasRgb(page));
  return file;
}

const check = (...args) => support.assertChecked(checker, args);

// The next frames are drawn after what was done so far has been read.
async function settle(page) {
  await presents(page, (await presented(page)) + 3);
}

async function endsWithKey(page) {
  await page.keyboard.down('Space');
  await new Promise((resolve) => setTimeout(resolve, 100));
  await page.keyboard.up('Space');
  await page.waitForFunction(() => window.program && program.exitCode !== undefined, {timeout: 2000});
  assert.equal(await page.evaluate(() => program.exitCode), 0);
  assert.match(await page.$eval('#message', (element) => element.innerText),
               /^The example has ended\.$/);
}

const site = support.servedSite(binFolder);

describe('sprite-garden', () => {
  test(
      'the flower follows the mouse, a click drops it, the wheel makes it the bee; a key ends it',
      {timeout: testTimeout}, async () => {
        const page = await site.browser.newPage();
        try {
          await page.goto(`${site.server.address}sprite-garden.html`);
          await presents(page, 2);
          const flower = path.join(bitmapFolder, 'flower.bmp');
          const bee = path.join(bitmapFolder, 'bee.bmp');
          // The sprite starts at the centre; the mouse's first position over the page moves
          // nothing, each later one moves the sprite as far as the mouse went.
          await page.mouse.move(0, 0);
          await settle(page);
          const start = await saveCanvas(page, 'start');
          await page.mouse.move(200, 100);
          await settle(page);
          const moved = await saveCanvas(page, 'moved');
          await check('sprite', start, moved, flower, '400', '300');
          await check('sprite', moved, start, flower, '600', '400');

          await page.mouse.down();
          await settle(page);
          await page.mouse.up();
          await page.mouse.wheel({deltaY: -100});
          await page.mouse.move(300, 180);
          await settle(page);
          const after = await saveCanvas(page, 'after');
          await check('sprite', after, start, flower, '600', '400');
          await check('sprite', after, start, bee, '700', '480');
          await endsWithKey(page);
        } finally {
          await page.close();
        }
      });
});

describe('palette-cycle', () => {
  test(
      'frames apart, the picture differs only by its palette\'s rotation; a key ends it',
      {timeout: testTimeout}, async () => {
        const page = await site.browser.newPage();
        try {
          await page.goto(`${site.server.address}palette-cycle.html`);
          await presents(page, 3);
          const one = await saveCanvas(page, 'one');
          await presents(page, (await presented(page)) + 10);
          const two = await saveCanvas(page, 'two');
          await check('cycle', one, two, path.join(bitmapFolder, 'cycle.bmp'));
          await endsWithKey(page);
        } finally {
          await page.close();
        }
      });
});

describe('an example on a phone', () => {
  test('shows its whole screen, which it uses whole, as large as the window allows',
       {timeout: testTimeout}, async () => {
         const page = await site.browser.newPage();
         try {
           await page.setViewport({width: 390, height: 844, hasTouch: true, isMobile: true});
           await page.goto(`${site.server.address}sprite-garden.html`);
           await presents(page, 2);
           const shown = await page.evaluate(() => {
             const box = document.getElementById('screen').getBoundingClientRect();
             const stage = document.getElementById('stage').getBoundingClientRect();
             return {box: [box.left, box.top, box.width, box.height],
                     stage: [stage.left, stage.top, stage.width, stage.height],
                     view: document.getElementById('view').checkVisibility()};
           });
           const [left, top, width, height] = shown.box;
           assert.ok(Math.abs(width / height - 4 / 3) < 0.01 && left >= 0 && top >= shown.stage[1] &&
                         Math.abs(width - shown.stage[2]) < 1, JSON.stringify(shown));
           assert.equal(shown.view, false, 'a button to see part of it');
         } finally {
           await page.close();
         }
       });
});
