// Shows a web page of the demonstration in headless Chromium, for machines without a
// desktop: waits for the program's first frame and ten seconds more, saves a screenshot
// of the page, presses a key and prints the exit code that the page reports.
//   node tools/demo_web.mjs URL SCREENSHOT
import {createRequire} from 'node:module';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const root = path.join(path.dirname(fileURLToPath(import.meta.url)), '..');
const puppeteer = createRequire(path.join(root, 'tests/web/package.json'))('puppeteer-core');
const [url, screenshot] = process.argv.slice(2);

const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox'],
  defaultViewport: {width: 800, height: 600},
});
try {
  const page = await browser.newPage();
  await page.goto(url);
  await page.waitForFunction(
      () => window.Module && Module.browserDisplay && Module.browserDisplay.presented > 0,
      {polling: 'raf'});
  await new Promise((resolve) => setTimeout(resolve, 10000));
  await page.screenshot({path: screenshot});
  await page.keyboard.down('Space');
  await new Promise((resolve) => setTimeout(resolve, 200));
  await page.keyboard.up('Space');
  await page.waitForFunction(() => Module.exitCode !== undefined, {timeout: 5000});
  console.log(await page.$eval('#message', (element) => element.textContent));
} finally {
  await browser.close();
}
