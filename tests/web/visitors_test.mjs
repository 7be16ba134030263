// One web page as visitors meet it, beyond the happy path: the keyboard and the mouse
// after the end, a page in a frame without the focus, a visitor who goes away and comes
// back, a touch screen, a tablet's pen, the browser's own keys and zoom, browsers without
// WebAssembly or JavaScript, a slow link, full screen, a lost canvas, a fast monitor, and
// what the page says and how legibly.
//   node tests/web/visitors_test.mjs BIN-FOLDER PICTURE-FOLDER CHECKER
import assert from 'node:assert/strict';
import fs from 'node:fs/promises';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';

import {serve} from '../../web/serve.mjs';

import * as support from './support.mjs';
import {exited, pause, presents, startedAgain, testTimeout} from './support.mjs';

const [binFolder, pictureFolder, checker] = process.argv.slice(2);
const picture = path.join(pictureFolder, 'Paris.pcx');

const site = support.servedSite(binFolder);
const url = () => `${site.server.address}bump-paris.html`;

const assertShowsShadingOf = (page, picture) =>
    support.assertShowsShadingOf(page, picture, checker, site.scratch);
const assertShowsShading = (page) => assertShowsShadingOf(page, picture);
const presented = (page) => page.evaluate(() => program.presented);
const said = (page) => page.$eval('#notice', (element) => element.innerText.trim());

// A fresh page showing its program; `prepare` runs on it before it loads.
async function opened(prepare = async () => {}) {
  const page = await site.browser.newPage();
  await prepare(page);
  await page.goto(url());
  await presents(page, 2);
  return page;
}

// Asserts that the program goes on presenting frames and has not ended.
async function assertRuns(page, what) {
  const count = await presented(page);
  await presents(page, count + 5).catch(() => {});
  const state = await page.evaluate(() => ({ended: program.exitCode !== undefined,
                                             presented: program.presented}));
  assert.ok(!state.ended && state.presented >= count + 5, `${what}: the program stopped`);
}

// Presses the key named `code` through the browser's input, as a keyboard would.
async function press(page, code, key = code) {
  const client = await page.createCDPSession();
  await client.send('Input.dispatchKeyEvent', {type: 'rawKeyDown', code, key});
  await client.send('Input.dispatchKeyEvent', {type: 'keyUp', code, key});
  await client.detach();
}

// Records in window.mouse, from before the page loads, the canvas's mouse events of
// `types` and its requests to lock the pointer.
const recordMouse = (page, types) => page.evaluateOnNewDocument((types) => {
  window.mouse = [];
  HTMLCanvasElement.prototype.requestPointerLock = () => window.mouse.push('lock');
  for (const type of types) {
    window.addEventListener(type, (event) => {
      if (event.target.tagName == 'CANVAS') window.mouse.push(type);
    }, true);
  }
}, types);

// Records the last event of `type` that reached the window and whether it was cancelled.
const recordDefaults = (page, type) => page.evaluate((type) => {
  window.cancelled = {};
  window.addEventListener(type, (event) => {
    window.cancelled[type] = event.defaultPrevented;
  });
}, type);
const cancelled = (page, type) => page.evaluate((type) => window.cancelled[type], type);

describe('a visitor of bump-paris', () => {
  test(
      'after the end, the keyboard reaches "Start again", which starts it again from ' +
          'what the page holds, and clicks and menus are the page\'s',
      {timeout: testTimeout}, async () => {
        const page = await opened((page) => page.evaluateOnNewDocument(() => {
          window.pointerLocks = 0;
          HTMLCanvasElement.prototype.requestPointerLock = () => ++window.pointerLocks;
        }));
        try {
          const box = await page.$eval('#stage', (stage) => {
            const {x, y, width, height} = stage.getBoundingClientRect();
            return {x: x + width / 2, y: y + height - 10};
          });
          await page.mouse.click(box.x, box.y);
          assert.equal(await page.evaluate(() => window.pointerLocks), 1,
                       'a click on the running program locks the pointer');
          const requests = [];
          page.on('request', (request) => requests.push(request.url()));
          for (const restart of ['Enter', 'Space']) {
            await page.keyboard.press('KeyQ');
            assert.equal(await exited(page), 0);
            assert.match(await said(page), /^The demonstration has ended\.$/);
            assert.equal(await page.evaluate(() => document.activeElement.id), 'again');
            await page.keyboard.press('Tab');
            assert.notEqual(await page.evaluate(() => document.activeElement.id), 'again',
                            'Tab moves the focus on');
            await page.keyboard.down('Shift');
            await page.keyboard.press('Tab');
            await page.keyboard.up('Shift');
            assert.equal(await page.evaluate(() => document.activeElement.id), 'again');
            await startedAgain(page, () => page.keyboard.press(restart));
            await assertShowsShading(page);
          }
          await page.keyboard.press('KeyQ');
          await exited(page);
          await page.mouse.click(box.x, box.y);
          await recordDefaults(page, 'contextmenu');
          await page.mouse.click(box.x, box.y, {button: 'right'});
          assert.equal(await page.evaluate(() => window.pointerLocks), 1,
                       'a click after the end locks the pointer');
          assert.equal(await cancelled(page, 'contextmenu'), false);
          assert.deepEqual(requests, [], 'starting again fetched files');
        } finally {
          await page.close();
        }
      });

  test(
      'in a frame without the focus it says how to start; clicked, it runs; without the ' +
          'focus again it says it is paused and keeps its last frame',
      {timeout: testTimeout}, async () => {
        const page = await site.browser.newPage();
        try {
          await page.setContent(`<iframe src="${url()}" width="600" height="450"></iframe>`);
          const frame = await (await page.$('iframe')).contentFrame();
          await frame.waitForFunction(() => window.program && program.started);
          await pause(500);
          assert.equal(await presented(frame), 0);
          assert.match(await said(frame), /click or tap here to start/i);
          await frame.click('#message');
          await presents(frame, 10);
          assert.equal(await said(frame), '');
          await page.mouse.click(790, 590);
          await frame.waitForFunction(() => !program.active);
          // A frame the worker presented before it heard of the blur may still be on its way.
          await pause(100);
          const count = await presented(frame);
          assert.match(await said(frame), /paused/i);
          await pause(300);
          assert.equal(await presented(frame), count);
          await assertShowsShading(frame);
        } finally {
          await page.close();
        }
      });

  test(
      'away, the page has the pointer back; back, the program shows its picture again',
      {timeout: testTimeout}, async () => {
        // A pointer locked to the canvas, as a click gives it, and its release counted.
        const page = await opened((page) => page.evaluateOnNewDocument(() => {
          window.pointerFrees = 0;
          Object.defineProperty(document, 'pointerLockElement',
                                {get: () => document.getElementById('screen')});
          document.exitPointerLock = () => ++window.pointerFrees;
        }));
        try {
          assert.equal(await page.evaluate(() => window.pointerFrees), 0);
          await page.evaluate(() => {
            document.hasFocus = () => false;
            window.dispatchEvent(new Event('blur'));
          });
          await page.waitForFunction(() => window.pointerFrees > 0);
          const count = await presented(page);
          await page.evaluate(() => {
            delete document.hasFocus;
            window.dispatchEvent(new Event('focus'));
          });
          await presents(page, count + 10);
          await assertShowsShading(page);
        } finally {
          await page.close();
        }
      });

  test(
      'on a touch screen a tap, a long press or two fingers end it, and are no mouse ' +
          'clicks that would lock the pointer; a tap on "Start again" starts it again',
      {timeout: testTimeout}, async () => {
        const page = await opened(async (page) => {
          await page.setViewport({width: 800, height: 600, hasTouch: true, isMobile: true});
          await recordMouse(page, ['mousedown', 'mouseup', 'click']);
        });
        try {
          assert.match(await page.$eval('#help', (element) => element.innerText), /tap/);
          // A first visit: the earlier tests' copies in the browser's cache would answer.
          await page.setCacheEnabled(false);
          const client = await page.createCDPSession();
          const touch = (type, points) => client.send('Input.dispatchTouchEvent', {
            type,
            touchPoints: points.map(([x, y], id) => ({x, y, id})),
          });
          const gestures = [
            async () => page.touchscreen.tap(400, 500),
            async () => {
              await touch('touchStart', [[400, 500]]);
              await exited(page);
              await touch('touchEnd', []);
            },
            async () => {
              await touch('touchStart', [[300, 500], [500, 500]]);
              await exited(page);
              await touch('touchEnd', []);
            },
          ];
          for (const gesture of gestures) {
            await gesture();
            assert.equal(await exited(page), 0);
            assert.deepEqual(await page.evaluate(() => window.mouse), [], 'mouse events');
            const button = await page.$eval('#again', (element) => {
              const {x, y, width, height} = element.getBoundingClientRect();
              return {x: x + width / 2, y: y + height / 2};
            });
            await startedAgain(page, () => page.touchscreen.tap(button.x, button.y));
          }
          await client.detach();
        } finally {
          await page.close();
        }
      });

  test(
      "a tablet's pen touching the picture ends it as a finger does, without locking the " +
          'pointer or pressing a mouse button; a pen\'s tap on "Start again" starts it again',
      {timeout: testTimeout}, async () => {
        // The browser still makes a click of a pen's tap, whatever the page does; it is no
        // button of the program's.
        const page = await opened((page) => recordMouse(page, ['mousedown', 'mouseup']));
        try {
          const client = await page.createCDPSession();
          const pen = (type, x, y) => client.send('Input.dispatchMouseEvent', {
            type, x, y, button: 'left', buttons: type == 'mouseReleased' ? 0 : 1,
            clickCount: 1, pointerType: 'pen',
          });
          await pen('mousePressed', 400, 300);
          assert.equal(await exited(page), 0);
          await pen('mouseReleased', 400, 300);
          assert.deepEqual(await page.evaluate(() => window.mouse), [], 'mouse events');
          const button = await page.$eval('#again', (element) => {
            const {x, y, width, height} = element.getBoundingClientRect();
            return {x: x + width / 2, y: y + height / 2};
          });
          await startedAgain(page, async () => {
            await pen('mousePressed', button.x, button.y);
            await pen('mouseReleased', button.x, button.y);
          });
          await client.detach();
        } finally {
          await page.close();
        }
      });

  test(
      'on a phone, upright or sideways, and in a small window, the picture fills the width ' +
          'or height it can, scaled smoothly, the whole screen a tap away; a phone is told ' +
          'of taps only',
      {timeout: 2 * testTimeout}, async () => {
        for (const [width, height, phone] of [[390, 844, true], [844, 390, true],
                                              [600, 500, false], [1000, 800, false]]) {
          const what = `${width} x ${height}${phone ? ', touch' : ''}`;
          const page = await opened((page) => page.setViewport(
              {width, height, hasTouch: phone, isMobile: phone}));
          try {
            const layout = () => page.evaluate(() => {
              const canvas = document.getElementById('screen');
              const box = canvas.getBoundingClientRect();
              const scale = box.width / canvas.width;
              const stage = document.getElementById('stage').getBoundingClientRect();
              return {
                pixels: [canvas.width, canvas.height],
                screen: {left: box.left, top: box.top, right: box.right, bottom: box.bottom},
                picture: {left: box.left + 240 * scale, top: box.top + 150 * scale,
                          right: box.left + 560 * scale, bottom: box.top + 350 * scale},
                stage: {left: stage.left, top: stage.top, right: stage.right, bottom: stage.bottom},
                window: [innerWidth, innerHeight],
                rendering: getComputedStyle(canvas).imageRendering,
                view: Boolean(document.getElementById('view')?.checkVisibility()) &&
                    document.getElementById('view').textContent,
                help: document.getElementById('help').innerText,
              };
            });
            const inside = (box, outer) => box.left >= outer.left - 0.5 &&
                box.top >= outer.top - 0.5 && box.right <= outer.right + 0.5 &&
                box.bottom <= outer.bottom + 0.5;
            const fills = (box, [w, h]) =>
                Math.max((box.right - box.left) / w, (box.bottom - box.top) / h);
            const shown = await layout();
            assert.deepEqual(shown.pixels, [800, 600], what);
            if (width >= 800 && height >= 600) {
              assert.ok(inside(shown.screen, shown.stage), `${what}: the whole screen`);
              assert.equal(shown.rendering, 'pixelated', `${what}: enlarged, square pixels`);
              assert.equal(shown.view, false, `${what}: a view button`);
              continue;
            }
            assert.ok(inside(shown.picture, shown.stage), `${what}: ${JSON.stringify(shown)}`);
            const filled = fills(shown.picture, shown.window);
            assert.ok(filled >= 0.9, `${what}: the picture fills ${(filled * 100).toFixed(0)} %`);
            assert.notEqual(shown.rendering, 'pixelated', `${what}: scaled smoothly`);
            if (phone) {
              assert.match(shown.help, /tap/, what);
              assert.doesNotMatch(shown.help, /mouse|pointer|Esc|key/i, what);
            }
            await assertShowsShading(page);

            const tap = (selector) => phone ? page.tap(selector) : page.click(selector);
            assert.equal(shown.view, 'Whole screen', what);
            await tap('#view');
            const whole = await layout();
            assert.ok(inside(whole.screen, whole.stage), `${what}: ${JSON.stringify(whole)}`);
            assert.ok(fills(whole.screen, [whole.stage.right - whole.stage.left,
                                           whole.stage.bottom - whole.stage.top]) > 0.99,
                      `${what}: the whole screen as large as the stage allows`);
            assert.notEqual(whole.rendering, 'pixelated', `${what}: shrunk smoothly`);
            assert.equal(whole.view, 'Picture only', what);
            await tap('#view');
            assert.deepEqual((await layout()).picture, shown.picture, `${what}: back`);
            if (phone) {
              await page.touchscreen.tap((shown.picture.left + shown.picture.right) / 2,
                                         (shown.picture.top + shown.picture.bottom) / 2);
              assert.equal(await exited(page), 0, `${what}: a tap on the picture ends it`);
            }
          } finally {
            await page.close();
          }
        }
      });

  test(
      'keys the browser or the system take (F11, Ctrl+T, Ctrl+W, Alt+Tab, Cmd+Tab, Esc ' +
          'in full screen, which its button gives) and Ctrl+wheel zoom leave it running; ' +
          'every other key ends it',
      {timeout: testTimeout}, async () => {
        const page = await opened();
        try {
          await recordDefaults(page, 'keydown');
          await press(page, 'F11');
          assert.equal(await cancelled(page, 'keydown'), false);
          await assertRuns(page, 'F11');
          for (const [modifier, key] of [['Control', 'KeyT'], ['Control', 'KeyW'],
                                         ['Meta', 'Tab']]) {
            await page.keyboard.down(modifier);
            await page.keyboard.press(key);
            assert.equal(await cancelled(page, 'keydown'), false);
            await page.keyboard.up(modifier);
            await assertRuns(page, `${modifier}+${key}`);
          }
          // Alt+Tab: the page sees Alt go down, then loses the focus to the system.
          await page.keyboard.down('Alt');
          await page.evaluate(() => {
            document.hasFocus = () => false;
            window.dispatchEvent(new Event('blur'));
          });
          await page.evaluate(() => {
            delete document.hasFocus;
            window.dispatchEvent(new Event('focus'));
          });
          await page.keyboard.up('Alt');
          await assertRuns(page, 'Alt+Tab');

          await recordDefaults(page, 'wheel');
          const {x, y} = {x: 400, y: 300};
          await page.mouse.move(x, y);
          await page.mouse.wheel({deltaY: -100});
          assert.equal(await cancelled(page, 'wheel'), true, 'the wheel over the program');
          await page.keyboard.down('Control');
          await page.mouse.wheel({deltaY: -100});
          assert.equal(await cancelled(page, 'wheel'), false, 'Ctrl+wheel');
          await page.keyboard.up('Control');
          await assertRuns(page, 'Ctrl+wheel');

          // The full-screen button puts the picture on the whole screen, running.
          await page.click('#fullscreen');
          await page.waitForFunction(() => document.fullscreenElement);
          // The page places the canvas again once the full screen's layout is done.
          await page.waitForFunction(() => {
            const box = document.getElementById('screen').getBoundingClientRect();
            return box.width == innerWidth || box.height == innerHeight;
          }, {timeout: 5000}).catch(() => {});
          const shown = await page.evaluate(() => {
            const canvas = document.getElementById('screen');
            const box = canvas.getBoundingClientRect();
            return {inside: document.fullscreenElement.contains(canvas),
                    size: [box.width, box.height], screen: [innerWidth, innerHeight]};
          });
          assert.ok(shown.inside, 'the canvas is in the full-screen element');
          assert.deepEqual(shown.size, shown.screen);
          await press(page, 'Escape');
          await assertRuns(page, 'Esc in full screen');
          await page.evaluate(() => document.fullscreenElement && document.exitFullscreen());

          for (const [code, key] of [['ControlLeft', 'Control'], ['AltLeft', 'Alt'],
                                     ['NumpadEqual', '='], ['IntlRo'], ['IntlYen'], ['Lang1'],
                                     ['F13'], ['F16'], ['F24'], ['AudioVolumeMute'],
                                     ['MediaPlayPause'], ['BrowserBack'], ['F2']]) {
            await press(page, code, key);
            assert.equal(await exited(page).catch(() => null), 0, `${code} ends it`);
            await startedAgain(page, () => page.click('#again'));
          }
        } finally {
          await page.close();
        }
      });

  test(
      'without WebAssembly or without JavaScript the page says what it needs',
      {timeout: testTimeout}, async () => {
        const page = await site.browser.newPage();
        try {
          await page.evaluateOnNewDocument(() => delete window.WebAssembly);
          await page.goto(url());
          await pause(300);
          assert.match(await said(page), /WebAssembly/);
          assert.equal(await page.$eval('#again', (element) => element.checkVisibility()), false,
                       'a "Start again" that cannot work');
          const bare = await site.browser.newPage();
          try {
            await bare.setJavaScriptEnabled(false);
            await bare.goto(url());
            const text = await bare.$eval('body', (element) => element.innerText);
            assert.match(text, /JavaScript/);
            assert.doesNotMatch(text, /Loading/);
          } finally {
            await bare.close();
          }
        } finally {
          await page.close();
        }
      });

  test(
      'on a slow link it shows the bytes received of the whole, compressed as they come, ' +
          'from the first paint to the first frame, and tells screen readers only that it loads',
      {timeout: testTimeout}, async () => {
        const page = await site.browser.newPage();
        try {
          // A first visit: the earlier tests' copies in the browser's cache would answer.
          await page.setCacheEnabled(false);
          // Every text the live region takes, as it changes.
          await page.evaluateOnNewDocument(() => {
            window.announced = [];
            new MutationObserver(() => {
              const text = document.querySelector('[role=status]')?.textContent.trim();
              if (text !== undefined && text !== window.announced.at(-1)) {
                window.announced.push(text);
              }
            }).observe(document, {subtree: true, childList: true, characterData: true});
          });
          const client = await page.createCDPSession();
          await client.send('Network.emulateNetworkConditions', {
            offline: false, latency: 400, downloadThroughput: 50000, uploadThroughput: 50000});
          const encodings = [];
          page.on('response', (response) => {
            if (response.url().endsWith('.wasm')) {
              encodings.push(response.headers()['content-encoding']);
            }
          });
          await page.goto(url(), {waitUntil: 'domcontentloaded'});
          const seen = [];
          for (;;) {
            const state = await page.evaluate(() => ({
              said: document.getElementById('message')?.innerText,
              received: document.getElementById('received')?.innerText,
              presented: window.program?.presented || 0,
            })).catch(() => null);
            if (state && state.presented) break;
            if (state && state.said !== undefined) seen.push(state);
            await pause(100);
          }
          assert.deepEqual(encodings, ['br'], 'the module came in brotli');
          assert.ok(seen.length > 0 && /Loading/.test(seen[0].said), 'nothing said at first');
          const announced = await page.evaluate(() => window.announced);
          assert.ok(announced.length <= 4 && !announced.some((text) => /\d KB/.test(text)),
                    `the live region said ${JSON.stringify(announced)}`);
          const whole = Math.round(
              (await fs.stat(path.join(binFolder, 'bump-paris.wasm'))).size / 1024);
          const counts = new Set(seen.map((state) => state.received)
                                     .filter((text) => new RegExp(`\\d+ KB of ${whole} KB`).test(text)));
          assert.ok(counts.size >= 3, `the bytes received of ${whole} KB told ${counts.size} times`);
          await client.detach();
        } finally {
          await page.close();
        }
      });

  test(
      'after the browser restores a lost canvas, the whole picture comes back',
      {timeout: testTimeout}, async () => {
        const page = await opened();
        try {
          const count = await presented(page);
          await (await support.programThread(page)).evaluate(() => {
            const canvas = Module.canvas;
            const context = canvas.getContext('2d');
            context.fillStyle = 'white';
            context.fillRect(0, 0, canvas.width, canvas.height);
            canvas.dispatchEvent(new Event('contextrestored'));
          });
          await presents(page, count + 3);
          await assertShowsShading(page);
        } finally {
          await page.close();
        }
      });

  test(
      'its frames come from a worker: while the page\'s own thread is busy, they go on; ' +
          'an error there is told, and "Start again" starts it afresh',
      {timeout: testTimeout}, async () => {
        const page = await opened();
        try {
          const thread = await support.programThread(page);
          const busy = page.evaluate(() => {
            const end = performance.now() + 800;
            while (performance.now() < end) continue;
          });
          const during = await thread.evaluate(() => new Promise((resolve) => {
            const first = Module.browserDisplay.presented;
            setTimeout(() => resolve(Module.browserDisplay.presented - first), 500);
          }));
          await busy;
          assert.ok(during >= 15, `${during} frames in half a second of a busy page`);

          await thread.evaluate(() => setTimeout(() => {
            throw new Error('a fault in the worker');
          }));
          await page.waitForFunction(() => /stopped on an error/.test(
              document.getElementById('message').innerText));
          assert.equal(await page.evaluate(() => document.activeElement.id), 'again');
          await startedAgain(page, () => page.keyboard.press('Enter'));
          await assertShowsShading(page);
          assert.equal(page.workers().length, 1, 'the broken worker is gone');
        } finally {
          await page.close();
        }
      });

  test(
      'the page starts the program\'s worker from its head, before the rest of it is read, ' +
          'and that worker runs the program',
      {timeout: testTimeout}, async () => {
        const page = await opened((page) => page.evaluateOnNewDocument(() => {
          window.workersMade = [];
          const Made = window.Worker;
          window.Worker = class extends Made {
            constructor(script, ...rest) {
              super(script, ...rest);
              window.workersMade.push({script: String(script), bodyRead: document.body !== null});
            }
          };
        }));
        try {
          assert.deepEqual(await page.evaluate(() => window.workersMade),
                           [{script: 'bump-paris.js', bodyRead: false}]);
          assert.equal(page.workers().length, 1);
          await assertShowsShading(page);
        } finally {
          await page.close();
        }
      });

  test(
      'when the program\'s script does not come or is no script, the page says it could ' +
          'not be loaded, in a worker and on the page, again after "Start again", and ' +
          'starts once it comes',
      {timeout: 2 * testTimeout}, async () => {
        // A copy of the site whose script the test takes away and puts back.
        const folder = path.join(site.scratch, 'broken-site');
        await fs.mkdir(folder, {recursive: true});
        for (const name of ['bump-paris.html', 'bump-paris.wasm', 'Paris.pcx']) {
          await fs.copyFile(path.join(binFolder, name), path.join(folder, name));
        }
        const script = path.join(folder, 'bump-paris.js');
        const server = await serve(folder);
        const unavailable = (page) => page.waitForFunction(
            () => window.program !== window.endedRun &&
                /could not be loaded/.test(document.getElementById('message').innerText),
            {timeout: 5000});
        // The same page, whose body comes a second after its head (a script there waits
        // for a second), so that the worker the head starts has failed before the body's
        // script takes it over.
        const html = await fs.readFile(path.join(folder, 'bump-paris.html'), 'utf8');
        await fs.writeFile(path.join(folder, 'late.html'),
                           html.replace('</head>', '</head>\n<script src="late.js"></script>'));
        try {
          for (const [inWorker, fault, late] of [[true, 'missing'], [true, 'no script'],
                                                 [true, 'missing', 'late'],
                                                 [false, 'missing'], [false, 'no script']]) {
            const what = `${inWorker ? 'in a worker' : 'on the page'}, script ${fault}` +
                (late ? ', the page\'s body late' : '');
            await fs.rm(script, {force: true});
            if (fault == 'no script') await fs.writeFile(script, '<!DOCTYPE html><p>Not here</p>');
            const page = await site.browser.newPage();
            try {
              if (!inWorker) {
                await page.evaluateOnNewDocument(() => {
                  delete HTMLCanvasElement.prototype.transferControlToOffscreen;
                });
              }
              if (late) {
                await page.setRequestInterception(true);
                page.on('request', (request) => {
                  if (!request.url().endsWith('/late.js')) return request.continue();
                  setTimeout(() => request.respond({contentType: 'text/javascript', body: ''}),
                             1000);
                });
              }
              await page.goto(`${server.address}${late ? 'late' : 'bump-paris'}.html`);
              await unavailable(page).catch(() => assert.fail(`${what}: nothing said`));
              assert.equal(await page.evaluate(() => document.activeElement.id), 'again', what);
              await page.evaluate(() => {
                window.endedRun = window.program;
              });
              await page.click('#again');
              await unavailable(page).catch(
                  async () => assert.fail(`${what}, started again: "${await said(page)}"`));
              await fs.copyFile(path.join(binFolder, 'bump-paris.js'), script);
              await startedAgain(page, () => page.click('#again'));
              assert.equal(page.workers().length, inWorker ? 1 : 0, `${what}: workers`);
            } finally {
              await page.close();
            }
          }
        } finally {
          await server.close();
        }
      });

  test(
      'while the program\'s worker is slow to run its script, the page is laid out all the ' +
          'same',
      {timeout: testTimeout}, async () => {
        // The page is laid out once the worker has run the program's script, or after a
        // tenth of a second: here the script holds its worker for three seconds first.
        const folder = path.join(site.scratch, 'slow-script-site');
        await fs.mkdir(folder, {recursive: true});
        for (const name of ['bump-paris.html', 'bump-paris.wasm', 'Paris.pcx']) {
          await fs.copyFile(path.join(binFolder, name), path.join(folder, name));
        }
        await fs.writeFile(path.join(folder, 'bump-paris.js'),
                           'for (const end = Date.now() + 3000; Date.now() < end;);\n' +
                               await fs.readFile(path.join(binFolder, 'bump-paris.js'), 'utf8'));
        const server = await serve(folder);
        const page = await site.browser.newPage();
        try {
          await page.goto(`${server.address}bump-paris.html`, {waitUntil: 'domcontentloaded'});
          await pause(1000);
          const shown = await page.evaluate(() => ({
            message: document.getElementById('message').getClientRects().length > 0,
            help: document.getElementById('help').getClientRects().length > 0,
            presented: window.program?.presented || 0,
          }));
          assert.deepEqual(shown, {message: true, help: true, presented: 0});
        } finally {
          await page.close();
          await server.close();
        }
      });

  test(
      'a PNG or a JPEG of one\'s own, dropped on the picture, becomes its picture, made on ' +
          'the page, also after "Start again", until the original is chosen again; a file ' +
          'that is no image or too large is refused, saying so',
      {timeout: 2 * testTimeout}, async () => {
        const page = await opened();
        try {
          assert.match(await page.$eval('#help', (element) => element.innerText),
                       /never leaves your machine/);
          // Images made on the page: a ramp from dark on the left to light on the right,
          // twice the picture's width and with bands above and below that cropping drops.
          const drop = (type) => page.evaluate(async (type) => {
            let file;
            if (type == 'text') {
              file = new File(['not an image\n'], 'notes.txt', {type: 'text/plain'});
            } else if (type == 'huge') {
              file = new File([new Uint8Array(50 * 1000 * 1000 + 1)], 'huge.png',
                              {type: 'image/png'});
            } else {
              const canvas = document.createElement('canvas');
              canvas.width = 640;
              canvas.height = 600;
              const context = canvas.getContext('2d');
              const ramp = context.createLinearGradient(0, 0, 640, 0);
              ramp.addColorStop(0, '#000');
              ramp.addColorStop(1, '#fff');
              context.fillStyle = ramp;
              context.fillRect(0, 0, 640, 600);
              context.fillStyle = '#f00';
              context.fillRect(0, 0, 640, 90);
              context.fillRect(0, 510, 640, 90);
              const blob = await new Promise((resolve) => canvas.toBlob(resolve, type, 0.95));
              file = new File([blob], `ramp.${type.split('/')[1]}`, {type});
            }
            const data = new DataTransfer();
            data.items.add(file);
            const stage = document.getElementById('stage');
            stage.dispatchEvent(new DragEvent('dragover', {dataTransfer: data, cancelable: true}));
            stage.dispatchEvent(new DragEvent('drop', {dataTransfer: data, cancelable: true}));
          }, type);
          const told = () => page.$eval('#picture-message', (element) => element.innerText);
          const pictureOfProgram = async () => Buffer.from(
              await (await support.programThread(page))
                  .evaluate(() => Array.from(Module.FS.readFile('/bump/Paris.pcx'))));
          const heights = (pcx) => {
            const out = [];
            for (let i = 128; out.length < 320 * 200; ++i) {
              if (pcx[i] >= 192) {
                for (let n = 0; n < pcx[i] - 192; ++n) out.push(pcx[i + 1]);
                ++i;
              } else {
                out.push(pcx[i]);
              }
            }
            return out;
          };
          const original = path.join(site.scratch, 'own.pcx');
          for (const type of ['image/png', 'image/jpeg']) {
            await startedAgain(page, () => drop(type));
            assert.match(await told(), /your picture, ramp\.(png|jpeg).*nothing left your machine/);
            const pcx = await pictureOfProgram();
            await fs.writeFile(original, pcx);
            await assertShowsShadingOf(page, original);
            // The ramp fills the picture, the bands cropped: dark left, light right, no red.
            const made = heights(pcx);
            for (const row of [2, 100, 197]) {
              const at = (x) => made[row * 320 + x];
              assert.ok(at(5) < 15 && at(160) > 110 && at(160) < 145 && at(314) > 240,
                        `${type}, row ${row}: ${at(5)}, ${at(160)}, ${at(314)}`);
            }
          }
          const own = await pictureOfProgram();
          await page.keyboard.press('KeyQ');
          await exited(page);
          await startedAgain(page, () => page.click('#again'));
          assert.deepEqual(await pictureOfProgram(), own, 'started again on the picture of one\'s own');

          for (const [type, said] of [['text', /notes\.txt is no image/], ['huge', /larger than 50 MB/]]) {
            await drop(type);
            await page.waitForFunction((said) => new RegExp(said).test(
                document.getElementById('picture-message').innerText), {}, said.source);
            assert.match(await told(), /keeps its picture/);
            assert.deepEqual(await pictureOfProgram(), own, `${type}: the picture changed`);
            await assertRuns(page, type);
          }

          await startedAgain(page, () => page.click('#original'));
          await assertShowsShading(page);
          assert.equal(await page.$eval('#original', (element) => element.hidden), true);
        } finally {
          await page.close();
        }
      });

  test(
      'where the browser cannot hand the canvas to a worker, it runs on the page itself',
      {timeout: testTimeout}, async () => {
        const page = await opened((page) => page.evaluateOnNewDocument(() => {
          delete HTMLCanvasElement.prototype.transferControlToOffscreen;
        }));
        try {
          assert.equal(page.workers().length, 0);
          await assertShowsShading(page);
          await page.keyboard.press('KeyQ');
          assert.equal(await exited(page), 0);
          await startedAgain(page, () => page.keyboard.press('Enter'));
          await assertShowsShading(page);
        } finally {
          await page.close();
        }
      });

  test(
      'the page reads well: a labelled picture, a line of what to do, the end told to ' +
          'screen readers, every text at a contrast of 4.5:1 or more, at 800, 300 and 200 px',
      {timeout: testTimeout}, async () => {
        const page = await opened();
        try {
          const tree = await page.accessibility.snapshot();
          const picture = (node) => node.role == 'image' ? node :
              (node.children || []).map(picture).find(Boolean);
          assert.match(picture(tree)?.name || '', /Paris/);
          assert.match(await page.$eval('#help', (element) => element.innerText),
                       /key.*ends/);
          await page.keyboard.press('KeyQ');
          await exited(page);
          for (const width of [800, 300, 200]) {
            await page.setViewport({width, height: 600});
            const problems = await page.evaluate(contrastProblems);
            assert.deepEqual(problems, []);
            const layout = await page.evaluate(() => {
              const box = (id) => {
                const {left, right, top, bottom} = document.getElementById(id).getBoundingClientRect();
                return {left, right, top, bottom};
              };
              return {page: innerWidth, message: box('message'), again: box('again')};
            });
            for (const part of ['message', 'again']) {
              assert.ok(layout[part].left >= 0 && layout[part].right <= layout.page,
                        `${part} at ${width} px: ${JSON.stringify(layout[part])}`);
            }
            assert.ok(layout.again.top >= layout.message.bottom, 'the button beside the text');
          }
          assert.equal(await page.$eval('#message', (element) =>
            element.closest('[role=status]') !== null), true);
          assert.doesNotMatch(await said(page), /exit code/i);
        } finally {
          await page.close();
        }
      });
});

describe('bump-paris on a busy machine', () => {
  test(
      'frames that reach the program unevenly leave it waiting for the display, not spinning',
      {timeout: testTimeout}, async () => {
        const page = await opened();
        try {
          const thread = await support.programThread(page);
          const {reads, presents} = await thread.evaluate(() => new Promise((resolve) => {
            const now = performance.now.bind(performance);
            const busy = (milliseconds) => {
              const end = now() + milliseconds;
              while (now() < end) {}
            };
            // Every tenth animation frame reaches the program 8 ms late and the next 4 ms
            // late, as on a busy machine: two of its flips in a row then come back early
            // against the ones before them.
            const request = self.requestAnimationFrame;
            let frames = 0;
            self.requestAnimationFrame = (callback) => request((time) => {
              const late = [8, 4][frames++ % 10];
              if (late) busy(late);
              callback(time);
            });
            let reads = 0;
            performance.now = () => {
              ++reads;
              return now();
            };
            const first = Module.browserDisplay.presented;
            setTimeout(() => {
              performance.now = now;
              self.requestAnimationFrame = request;
              resolve({reads, presents: Module.browserDisplay.presented - first});
            }, 2000);
          }));
          assert.ok(presents >= 90, `${presents} presents in 2 s`);
          // A few reads of the clock a frame; a wait spun out on the clock reads it thousands
          // of times.
          assert.ok(reads < presents * 20, `${reads} reads of the clock for ${presents} presents`);
        } finally {
          await page.close();
        }
      });
});

describe('bump-paris on a fast monitor', () => {
  let fast;
  before(async () => {
    fast = await support.launch(['--disable-frame-rate-limit', '--disable-gpu-vsync']);
  });
  after(async () => fast?.close());

  test('shows 60 frames a second, however many the browser paints', {timeout: testTimeout},
       async () => {
         const page = await fast.newPage();
         try {
           await page.goto(url());
           await presents(page, 2);
           // The animation frames the program's thread waits on, and how long its frames
           // take between them.
           const thread = await support.programThread(page);
           await thread.evaluate(() => {
             const request = self.requestAnimationFrame;
             self.waited = 0;
             self.requestAnimationFrame = (callback) => request((time) => {
               ++self.waited;
               callback(time);
             });
           });
           const waitedBefore = await thread.evaluate(() => self.waited);
           const {frames, presented} = await page.evaluate(() => new Promise((resolve) => {
             // Something on the page changes at every frame, so the browser paints them all.
             const spot = document.body.appendChild(document.createElement('div'));
             const first = program.presented;
             let frames = 0;
             const end = performance.now() + 2000;
             const count = (time) => {
               spot.textContent = ++frames;
               if (time < end) {
                 requestAnimationFrame(count);
               } else {
                 resolve({frames, presented: program.presented - first});
               }
             };
             requestAnimationFrame(count);
           }));
           // Well over 60 a second, or the test shows nothing: unpaced, the program would
           // present as many as these.
           assert.ok(frames > 150, `the browser painted only ${frames} frames in 2 s`);
           const waited = (await thread.evaluate(() => self.waited)) - waitedBefore;
           // At most 60 a second; a loaded machine may miss some.
           assert.ok(presented >= 90 && presented <= 124, `${presented} presents in 2 s`);
           // A program that presents at every animation frame waits on as many as it
           // presents, whatever its rate; held to 60 a second, it lets the frames between go.
           // (A machine too slow to shade faster than 60 a second cannot show it: its frames
           // are all due when they come.)
           assert.ok(waited >= 1.5 * presented,
                     `${presented} presents in 2 s, waiting on ${waited} animation frames of ${frames}`);
         } finally {
           await page.close();
         }
       });
});

// Texts whose contrast against what lies under them is below 4.5:1, or that lie over the
// picture with nothing opaque between.
function contrastProblems() {
  const rgba = (colour) => colour.match(/[\d.]+/g).map(Number);
  const luminance = ([r, g, b]) => {
    const linear = (c) => {
      c /= 255;
      return c <= 0.03928 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4;
    };
    return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
  };
  const problems = [];
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    const element = node.parentElement;
    if (!node.textContent.trim() || !element.checkVisibility()) continue;
    const range = document.createRange();
    range.selectNodeContents(node);
    const box = range.getBoundingClientRect();
    if (!box.width) continue;
    const under = document.elementsFromPoint(box.left + box.width / 2, box.top + box.height / 2);
    let backdrop = null;
    for (const candidate of under) {
      if (candidate.tagName == 'CANVAS') break;
      const colour = rgba(getComputedStyle(candidate).backgroundColor);
      if (colour.length == 3 || colour[3] == 1) {
        backdrop = colour;
        break;
      }
    }
    const text = node.textContent.trim().slice(0, 30);
    if (!backdrop) {
      problems.push(`"${text}" lies over the picture`);
      continue;
    }
    const [a, b] = [luminance(rgba(getComputedStyle(element).color)), luminance(backdrop)];
    const ratio = (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05);
    if (ratio < 4.5) problems.push(`"${text}": ${ratio.toFixed(2)}:1`);
  }
  return problems;
}
