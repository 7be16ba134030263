// Shows the web site in headless Chromium, for machines without a desktop: saves a
// screenshot of the front page, follows its link to one program, waits for the program's
// first frame and ten seconds more, saves a screenshot of that page, presses a key and
// prints the exit code the program ended with.
//   node tools/demo_web.mjs ADDRESS PROGRAM INDEX-SCREENSHOT PAGE-SCREENSHOT
import {createRequire} from 'node:module';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const root = path.join(path.dirname(fileURLToPath(import.meta.url)), '..');
const puppeteer = createRequire(path.join(root, 'tests/web/package.json'))('puppeteer-core');
const [address, program, indexShot, pageShot] = process.argv.slice(2);

const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox'],
  defaultViewport: {width: 800, height: 600},
});
try {
  const page = await browser.newPage();
  await page.goto(address, {waitUntil: 'load'});
  await page.screenshot({path: indexShot});
  await Promise.all([page.waitForNavigation(), page.click(`a[href="${program}.html"]`)]);
  await page.waitForFunction(
      () => window.program && program.presented > 0,
      {polling: 'raf'});
  await new Promise((resolve) => setTimeout(resolve, 10000));
  await page.screenshot({path: pageShot});
  await page.keyboard.down('Space');
  await new Promise((resolve) => setTimeout(resolve, 200));
  await page.keyboard.up('Space');
  await page.waitForFunction(() => program.exitCode !== undefined, {timeout: 5000});
  console.log(`${program} ended with exit code ${await page.evaluate(() => program.exitCode)}`);
} finally {
  await browser.close();
}
