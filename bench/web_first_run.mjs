// The playground's first run: how long after the page is ready the first
// Run of its example has its listing on the page. Each round loads the page
// afresh in a new browser context (nothing cached), in headless chromium,
// from a local static server; Run is pressed the moment the page is ready.
// A benchmark, not a test: it prints the figures.
//
//   bash tools/build-web.sh && node bench/web_first_run.mjs [ROUNDS] [EXAMPLE]
import { launchBrowser } from '../tests/web/browser.mjs';
import { repository } from '../tests/web/programs.mjs';
import { serve } from '../tests/web/serve.mjs';

const rounds = Number(process.argv[2] ?? 9);
const example = process.argv[3] ?? 'wordcount.sno';
const server = await serve(process.env.VANTEL_SITE ?? `${repository}/build-web/site`);
const browser = await launchBrowser();
const figures = [];
for (let round = 0; round < rounds; ++round) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.goto(server.url);
  await page.waitForSelector('body[data-ready="true"]');
  const ms = await page.evaluate(async (name) => {
    const menu = document.getElementById('examples');
    menu.value = name;
    menu.dispatchEvent(new Event('change'));
    const ready = performance.getEntriesByName('vantel-ready')[0].startTime;
    document.getElementById('run').click();
    while (performance.getEntriesByName('vantel-shown').length === 0) {
      await new Promise((resolve) => setTimeout(resolve, 1));
    }
    return performance.getEntriesByName('vantel-shown')[0].startTime - ready;
  }, example);
  figures.push(ms);
  await context.close();
}
await browser.close();
await server.close();
figures.sort((a, b) => a - b);
const median = figures[Math.floor(figures.length / 2)];
console.log(`${example}: first run shown ${median.toFixed(0)} ms after the page was ready ` +
  `(median of ${rounds}; fastest ${figures[0].toFixed(0)}, slowest ${figures.at(-1).toFixed(0)})`);
