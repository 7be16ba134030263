// What the browser tests share: the browser, the wait for presents, the canvas's pixels
// and their check against our own shading by the native build's check-screenshot.
import assert from 'node:assert/strict';
import {execFile} from 'node:child_process';
import fs from 'node:fs/promises';
import os from 'node:os';
import path from 'node:path';
import {after, before} from 'node:test';
import {promisify} from 'node:util';
import puppeteer from 'puppeteer-core';

import {serve} from '../../web/serve.mjs';

export const width = 800;
export const height = 600;
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

// Resolves once the program in `page` (a page or a frame) has presented `count` frames.
export async function presents(page, count, timeout = 5000) {
  await page.waitForFunction(
      (count) => window.Module && Module.browserDisplay && Module.browserDisplay.presented >= count,
      {timeout, polling: 'raf'}, count);
}

// Resolves once the program has ended; its exit code.
export async function exited(page, timeout = 2000) {
  await page.waitForFunction(
      () => window.Module && Module.exitCode !== undefined, {timeout, polling: 50});
  return page.evaluate(() => Module.exitCode);
}

// The canvas's pixels as raw RGB rows, as the screenshot checkers read them.
export async function canvasRgb(page) {
  const base64 = await page.evaluate((width, height) => {
    const canvas = document.getElementById('screen');
    const rgba = canvas.getContext('2d').getImageData(0, 0, width, height).data;
    const rgb = new Uint8Array(width * height * 3);
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
  }, width, height);
  return Buffer.from(base64, 'base64');
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
    window.endedModule = window.Module;
  });
  await action();
  await page.waitForFunction(
      (count) => window.Module !== window.endedModule && Module.browserDisplay &&
          Module.browserDisplay.presented >= count,
      {timeout: 5000, polling: 'raf'}, count);
}
