// The playground page in a real browser (headless chromium), served from a
// local static server: an example's listing, a translation error's message
// leading to its line, an endless loop stopped, a share link, and the size
// of everything the page loads.
//
//   VANTEL_SITE=build-web/site node --test tests/web/page.test.mjs
// With VANTEL_WEB_SCREENSHOT=FILE.png the page is also photographed.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { launchBrowser } from './browser.mjs';
import { repository } from './programs.mjs';
import { serve } from './serve.mjs';

const site = path.resolve(repository, process.env.VANTEL_SITE ?? 'build-web/site');
const kMaximumGzipBytes = 600 * 1024;
let server;
let browser;

before(async () => {
  server = await serve(site);
  browser = await launchBrowser();
});
after(async () => {
  await browser?.close();
  await server?.close();
});

const masked = (listing) => listing
  .replace(/^ COMPILATION TIME -?\d+ milliseconds\.$/gm, ' COMPILATION TIME N milliseconds.')
  .replace(/^ EXECUTION TIME: -?\d+ milliseconds\.$/gm, ' EXECUTION TIME: N milliseconds.');

async function openPage(fragment = '') {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 800 });
  const problems = [];
  page.on('pageerror', (error) => problems.push(String(error)));
  await page.goto(server.url + fragment);
  await page.waitForSelector('body[data-ready="true"]');
  return { page, problems };
}

const runsDone = (page) => page.$eval('body', (b) => Number(b.dataset.runs ?? 0));

async function runAndWait(page) {
  const before = await runsDone(page);
  await page.click('#run');
  await page.waitForFunction((n) => Number(document.body.dataset.runs ?? 0) > n, {}, before);
}

const listingText = (page) => page.$$eval('#listing .line',
  (lines) => lines.map((l) => l.textContent.replace('\u200b', '')).join('\n') + '\n');

async function typeProgram(page, text) {
  await page.click('#editor .cm-content');
  await page.keyboard.down('Control');
  await page.keyboard.press('a');
  await page.keyboard.up('Control');
  await page.keyboard.press('Backspace');
  await page.keyboard.type(text);
}

// The editor as it shows itself: its lines, and the number of the line that
// holds the cursor.
const editorText = (page) => page.$$eval('#editor .cm-line', (lines) => lines.map((l) => l.textContent).join('\n'));
const cursorLine = (page) => page.$eval('#editor .cm-activeLineGutter', (g) => Number(g.textContent));

test('an example runs and its listing is the one native vantel writes', async () => {
  const { page, problems } = await openPage();
  const loaded = [];
  page.on('response', (response) => loaded.push(response));
  await page.select('#examples', 'hanoi.sno');
  await runAndWait(page);
  const expected = fs.readFileSync(path.join(repository, 'tests/e2e/examples/hanoi.lst'), 'latin1');
  assert.equal(masked(await listingText(page)), expected);
  const output = await page.$eval('#output', (o) => o.textContent.split('\n'));
  const expectedOutput = expected.split('\n').filter((l) => /^ Move disc /.test(l));
  assert.ok(expectedOutput.length > 0);
  assert.deepEqual(output.filter((l) => /^ Move disc /.test(l)), expectedOutput);
  assert.match(await page.$eval('#status', (s) => s.textContent), /^Ended: status 0, \d+ statements$/);
  if (process.env.VANTEL_WEB_SCREENSHOT) await page.screenshot({ path: process.env.VANTEL_WEB_SCREENSHOT });
  // The colours: the other theme at a click, kept for the next visit.
  const theme = () => page.$eval('html', (h) => h.dataset.theme);
  const first = await theme();
  await page.click('#theme');
  assert.notEqual(await theme(), first);
  await page.reload();
  await page.waitForSelector('body[data-ready="true"]');
  assert.notEqual(await theme(), first);
  assert.deepEqual(problems, []);
  await page.close();
});

test('a translation error, run with Ctrl+Enter: its message puts the cursor on its line', async () => {
  const { page, problems } = await openPage();
  await typeProgram(page, "* A translation error\n        X = 1\n        Y = 'ABC\n        OUTPUT = X\nEND\n");
  const before = await runsDone(page);
  await page.keyboard.down('Control');
  await page.keyboard.press('Enter');
  await page.keyboard.up('Control');
  await page.waitForFunction((n) => Number(document.body.dataset.runs ?? 0) > n, {}, before);
  assert.match(await page.$eval('#status', (s) => s.textContent), /^Translation errors: 1$/);
  const messages = await page.$$('#listing a.sn-message');
  assert.equal(messages.length, 1);
  assert.equal(await messages[0].evaluate((m) => m.textContent), '--- UNTERMINATED LITERAL ---');
  await page.click('#editor .cm-content');
  await page.keyboard.press('PageDown');
  await messages[0].click();
  assert.equal(await cursorLine(page), 3);
  assert.deepEqual(problems, []);
  await page.close();
});

test('an endless loop is stopped within a second, and the next run works offline', async () => {
  const { page, problems } = await openPage();
  // Once loaded, the page needs no network, not even for the fresh worker
  // that follows a Stop.
  await page.waitForFunction(() => performance.getEntriesByType('resource').some((r) => r.name.endsWith('.wasm')));
  await page.setOfflineMode(true);
  await typeProgram(page, "        &STLIMIT = 2000000000\nLOOP    X = X + 1 :(LOOP)\nEND\n");
  await page.click('#run');
  await page.waitForFunction(() => document.getElementById('status').textContent === 'Running…');
  await new Promise((resolve) => setTimeout(resolve, 500));
  assert.equal(await page.$eval('#stop', (b) => b.disabled), false);
  const stopped = Date.now();
  await page.click('#stop');
  await page.waitForFunction(() => document.getElementById('status').textContent === 'Stopped.' &&
    !document.getElementById('run').disabled, { timeout: 1000 });
  assert.ok(Date.now() - stopped < 1000);
  await page.select('#examples', 'hello.sno');
  await runAndWait(page);
  assert.equal(await page.$eval('#output', (o) => o.textContent), ' Hello, world!');
  assert.deepEqual(problems, []);
  await page.close();
});

test('a share link opens its program and data lines', async () => {
  const { page, problems } = await openPage();
  const program = "        OUTPUT = 'Shared: ' INPUT\nEND\n";
  await typeProgram(page, program);
  await page.$eval('#input', (box) => { box.value = 'a data line'; });
  await page.click('#share');
  await page.waitForFunction(() => document.getElementById('share-link').value.includes('#'));
  const link = await page.$eval('#share-link', (l) => l.value);
  await page.close();

  const opened = await openPage(link.slice(link.indexOf('#')));
  assert.equal(await editorText(opened.page), program);
  assert.equal(await opened.page.$eval('#input', (box) => box.value), 'a data line');
  await runAndWait(opened.page);
  assert.equal(await opened.page.$eval('#output', (o) => o.textContent), ' Shared: a data line');
  assert.deepEqual([...problems, ...opened.problems], []);
  await opened.page.close();
});

test('everything the page loads is at most 600 KB compressed', async () => {
  const { page } = await openPage();
  const sizes = new Map();
  page.on('response', async (response) => {
    const body = await response.buffer().catch(() => null);
    if (body) sizes.set(response.url(), zlib.gzipSync(body, { level: 9 }).length);
  });
  await page.reload();
  await page.waitForSelector('body[data-ready="true"]');
  await runAndWait(page);
  const total = [...sizes.values()].reduce((a, b) => a + b, 0);
  assert.ok(sizes.size >= 6, `only ${sizes.size} files seen`);
  assert.ok(total <= kMaximumGzipBytes, `${total} bytes compressed`);
  await page.close();
});
