// A program of one's own built with the web kit, as its programmer serves it: the folder
// that holds its page, script and module (bump_web_page), served by a plain static server
// (Python's http.server, bound to 127.0.0.1) to headless Chromium. The page shows the
// program's picture (checked by the native build's check-examples, in the mode named),
// no request fails, and a key ends the program with exit code 0.
//   node tests/web/starter_test.mjs FOLDER PAGE CHECK-EXAMPLES MODE
import assert from 'node:assert/strict';
import fs from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import {after, before, test} from 'node:test';

import {
  assertChecked,
  canvasRgb,
  exited,
  failedRequests,
  launch,
  pause,
  presents,
  servedByPython,
} from './support.mjs';

const [folder, pageName, checker, mode] = process.argv.slice(2);

let scratch;
let server;
let address;
let browser;
before(async () => {
  scratch = await fs.mkdtemp(path.join(os.tmpdir(), 'bump-starter-'));
  ({server, address} = await servedByPython(folder));
  browser = await launch();
});
after(async () => {
  await browser?.close();
  server?.kill();
  if (scratch) await fs.rm(scratch, {recursive: true, force: true});
});

test('the page shows the program\'s picture, and a key ends it with exit code 0',
     {timeout: 60000}, async () => {
       const page = await browser.newPage();
       const failed = failedRequests(page);
       await page.goto(`${address}${pageName}`, {waitUntil: 'load'});
       await presents(page, 2, 20000);
       // A copy of the canvas may catch the worker between two frames' rows: a few tries.
       const shot = path.join(scratch, 'canvas.rgb');
       for (let attempt = 1; ; ++attempt) {
         await fs.writeFile(shot, await canvasRgb(page));
         try {
           await assertChecked(checker, [mode, shot]);
           break;
         } catch (error) {
           if (attempt == 4) throw error;
           await pause(200);
         }
       }
       await page.keyboard.down('Space');
       await pause(100);
       await page.keyboard.up('Space');
       assert.equal(await exited(page), 0);
       assert.deepEqual(failed, []);
       await page.close();
     });
