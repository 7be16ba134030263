// What the browser tests share: the browser, the wait for presents, the canvas's pixels
// and their check against our own shading by the native build's check-screenshot.
import assert from 'node:assert/strict';
import {execFile, spawn} from 'node:child_process';
import fs from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import {after, before} from 'node:test';
import {promisify} from 'node:util';
import puppeteer from 'puppeteer-core';

import {serve} from '../../web/serve.mjs';

// A page whose program never yields to the browser answers nothing: a test waits no longer.
export const testTimeout = 30000;

export const pictures = {
  paris: 'Paris.pcx',
  morph: 'Morph.pcx',
  morphose: 'morphose.pcx'
};

export const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

export function launch(args = []) {
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--window-size=800,600', ...args],
  });
}

// For the tests of one file: the site in `binFolder` served on 127.0.0.1, a browser and a
// scratch folder, there from the first test to the last.
export function servedSite(binFolder) {
  const site = {};
  before(async () => {
    site.server = await serve(binFolder);
    site.browser = await launch();
    site.scratch = await fs.mkdtemp(path.join(os.tmpdir(), 'bump-web-'));
  });
  after(async () => {
    await site.browser?.close();
    await site.server?.close();
    if (site.scratch) await fs.rm(site.scratch, {recursive: true, force: true});
  });
  return site;
}

// A folder served as any static host would serve it: Python's http.server on 127.0.0.1.
// Resolves to the server's process and its address.
export async function servedByPython(folder) {
  const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1',
                                   '--directory', folder], {stdio: ['ignore', 'pipe', 'ignore']});
  const address = await new Promise((resolve, reject) => {
    let said = '';
    server.stdout.on('data', (chunk) => {
      said += chunk;
      const port = /port (\d+)/.exec(said);
      if (port) resolve(`http://127.0.0.1:${port[1]}/`);
    });
    server.on('exit', (code) => reject(new Error(`http.server ended with ${code}`)));
  });
  return {server, address};
}

// Resolves once the program in `page` (a page or a frame) has presented `count` frames.
export async function presents(page, count, timeout = 5000) {
  await page.waitForFunction(
      (count) => window.program && program.presented >= count,
      {timeout, polling: 'raf'}, count);
}

// Resolves once the program has ended; its exit code.
export async function exited(page, timeout = 2000) {
  await page.waitForFunction(
      () => window.program && program.exitCode !== undefined, {timeout, polling: 50});
  return page.evaluate(() => program.exitCode);
}

// The canvas's pixels as raw RGB rows, as the screenshot checkers read them: the picture
// the page shows, copied from the canvas, which a worker may draw.
export async function canvasRgb(page) {
  const base64 = await page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const copy = document.createElement('canvas');
    copy.width = canvas.width;
    copy.height = canvas.height;
    const context = copy.getContext('2d');
    context.drawImage(canvas, 0, 0);
    const rgba = context.getImageData(0, 0, copy.width, copy.height).data;
    const rgb = new Uint8Array(copy.width * copy.height * 3);
    for (let i = 0, j = 0; i < rgba.length; i += 4, j += 3) {
      rgb[j] = rgba[i];
      rgb[j + 1] = rgba[i + 1];
      rgb[j + 2] = rgba[i + 2];
    }
    let text = '';
    for (let i = 0; i < rgb.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, rgb.subarray(i, i + 0x8000));
    }
    return btoa(text);
  });
  return Buffer.from(base64, 'base64');
}

// The requests of `page` from now on that fail or are answered with an error, as
// "STATUS URL" or "ERROR URL": an array that fills as they come.
export function failedRequests(page) {
  const failed = [];
  page.on('response', (response) => {
    if (response.status() >= 400) failed.push(`${response.status()} ${response.url()}`);
  });
  page.on('requestfailed', (request) => failed.push(`${request.failure()?.errorText} ${request.url()}`));
  return failed;
}

// Where the page's program runs, to evaluate there: its worker.
export async function programThread(page) {
  for (let tries = 0; tries < 50 && page.workers().length == 0; ++tries) await pause(100);
  assert.equal(page.workers().length, 1, 'the program runs in one worker');
  return page.workers()[0];
}

// Runs one of the native build's checkers with `args`; its verdict is the assertion.
export async function assertChecked(checker, args) {
  const {stdout} = await promisify(execFile)(checker, args).catch((error) => {
    throw new assert.AssertionError({message: `canvas: ${error.stdout || error.message}`});
  });
  assert.match(stdout, /^ok: /);
}

// Runs `checker` on the canvas against `picture`.
export async function assertShowsShadingOf(page, picture, checker, scratch) {
  const shot = path.join(scratch, 'canvas.rgb');
  await fs.writeFile(shot, await canvasRgb(page));
  await assertChecked(checker, [shot, picture]);
}

// Runs `action`, which starts the program again, and resolves once the new program has
// presented `count` frames.
export async function startedAgain(page, action, count = 2) {
  await page.evaluate(() => {
    window.endedRun = window.program;
  });
  await action();
  await page.waitForFunction(
      (count) => window.program !== window.endedRun && program.presented >= count,
      {timeout: 5000, polling: 'raf'}, count);
}
