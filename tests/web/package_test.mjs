// The web zip as a site owner meets it: unzipped into a fresh folder, it holds the front
// page, the three programs' pages with their scripts, modules, pictures and stills, the
// brotli and gzip forms, and README.txt; served by a plain static server (Python's
// http.server, bound to 127.0.0.1), the front page shows the three stills and links to
// the three pages, and each page, followed from it, shows the shading of its picture
// (its canvas checked by the native build's screenshot checker), with no request failing.
//   node tests/web/package_test.mjs ZIP CHECKER
import assert from 'node:assert/strict';
import {execFile} from 'node:child_process';
import fs from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import {after, before, test} from 'node:test';
import {promisify} from 'node:util';

import {canvasRgb, failedRequests, launch, pictures, servedByPython} from './support.mjs';

const [zip, checker] = process.argv.slice(2);
const programs = pictures;
const run = promisify(execFile);

let scratch;
let site;
let server;
let address;
let browser;
before(async () => {
  scratch = await fs.mkdtemp(path.join(os.tmpdir(), 'bump-web-zip-'));
  site = path.join(scratch, 'site');
  await run('unzip', ['-q', zip, '-d', site]);
  ({server, address} = await servedByPython(site));
  browser = await launch();
});
after(async () => {
  await browser?.close();
  server?.kill();
  if (scratch) await fs.rm(scratch, {recursive: true, force: true});
});

test('holds the site, its compressed forms and README.txt, and nothing else', async () => {
  const expected = ['index.html', 'README.txt', 'icon-32.png', 'icon-256.png'];
  for (const [name, picture] of Object.entries(programs)) {
    expected.push(`bump-${name}.html`, `bump-${name}.js`, `bump-${name}.wasm`,
                  `bump-${name}.png`, picture);
  }
  for (const name of ['sprite-garden', 'palette-cycle']) {
    expected.push(`${name}.html`, `${name}.js`, `${name}.wasm`);
  }
  expected.push('flower.bmp', 'bee.bmp', 'ladybird.bmp', 'cycle.bmp');
  const compressed = expected.filter((name) => /\.(html|js|wasm|pcx|bmp)$/.test(name))
                         .flatMap((name) => [`${name}.br`, `${name}.gz`]);
  assert.deepEqual((await fs.readdir(site)).sort(), [...expected, ...compressed].sort());
  const readme = await fs.readFile(path.join(site, 'README.txt'), 'utf8');
  assert.match(readme, /application\/wasm/);
});

test('the front page shows each still and leads to a page that shows its picture',
     {timeout: 120000}, async () => {
       const page = await browser.newPage();
       const failed = failedRequests(page);
       await page.goto(address, {waitUntil: 'load'});
       const images = await page.$$eval('a img', (images) => images.map((image) => ({
                                                   src: image.getAttribute('src'),
                                                   width: image.naturalWidth,
                                                   height: image.naturalHeight,
                                                   alt: image.alt,
                                                 })));
       // The programs' stills, then one bitmap of each example.
       const stills = images.filter((image) => image.src.startsWith('bump-'));
       assert.deepEqual(stills.map((still) => still.src).sort(),
                        Object.keys(programs).map((name) => `bump-${name}.png`).sort());
       for (const still of stills) {
         assert.deepEqual([still.width, still.height], [320, 200], still.src);
       }
       assert.deepEqual(images.filter((image) => !stills.includes(image)).map((image) => image.src),
                        ['flower.bmp', 'cycle.bmp']);
       for (const image of images) {
         assert.ok(image.width > 0, `${image.src} shows`);
         assert.ok(image.alt, `${image.src} has a text alternative`);
       }
       const wasm = await page.evaluate(async () => {
         const response = await fetch('bump-paris.wasm');
         await response.arrayBuffer();
         return response.headers.get('content-type');
       });
       assert.equal(wasm, 'application/wasm');
       // The project's icon, as the Windows programs and the desktop entries show it.
       const icon = await page.evaluate(async () => {
         const image = new Image();
         image.src = document.querySelector('link[rel="icon"]').href;
         await image.decode();
         return [image.naturalWidth, image.naturalHeight];
       });
       assert.deepEqual(icon, [32, 32]);

       for (const [name, picture] of Object.entries(programs)) {
         await page.goto(address, {waitUntil: 'load'});
         await Promise.all([page.waitForNavigation(), page.click(`a[href="bump-${name}.html"]`)]);
         await page.waitForFunction(
             () => window.program && program.presented >= 2,
             {timeout: 10000, polling: 'raf'});
         const shot = path.join(scratch, `${name}.rgb`);
         await fs.writeFile(shot, await canvasRgb(page));
         const {stdout} = await run(checker, [shot, path.join(site, picture)]).catch((error) => {
           throw new assert.AssertionError({message: `bump-${name}: ${error.stdout || error.message}`});
         });
         assert.match(stdout, /^ok: /, `bump-${name}`);
       }
       assert.deepEqual(failed, []);
       await page.close();
     });
