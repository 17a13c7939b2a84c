// Debian's chromium, headless, driven by puppeteer-core (from web/'s npm
// packages), with the flags this closed network needs: no background
// connections, which would only be refused.
import { createRequire } from 'node:module';
import { repository } from './programs.mjs';

const require = createRequire(`${repository}/web/package.json`);
const puppeteer = require('puppeteer-core');

export function launchBrowser() {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: [
      '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
    ],
  });
}
