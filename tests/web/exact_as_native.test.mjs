// vantel as WebAssembly against native vantel: every program of the
// end-to-end set, and generated programs at the limits, run both ways,
// with the fast paths and without them. The listings (the two timing
// figures masked), every file the runs created or changed, and the exit
// statuses must be the same.
//
//   VANTEL=build/bin/vantel VANTEL_SITE=build-web/site node --test tests/web/
import { after, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { Worker } from 'node:worker_threads';
import { endToEndPrograms, generatedPrograms, readFolder, repository } from './programs.mjs';

const vantel = path.resolve(repository, process.env.VANTEL ?? 'build/bin/vantel');
const site = path.resolve(repository, process.env.VANTEL_SITE ?? 'build-web/site');

// Masks the digits of the two timing lines, as the end-to-end runner does.
function masked(listing) {
  return Buffer.from(listing ?? '').toString('latin1')
    .replace(/^ COMPILATION TIME -?\d+ milliseconds\.$/gm, ' COMPILATION TIME N milliseconds.')
    .replace(/^ EXECUTION TIME: -?\d+ milliseconds\.$/gm, ' EXECUTION TIME: N milliseconds.');
}

// The files of a case as its run finds them: the folder without the
// listing and the output files the case expects to be written.
function startingFiles(folder, name) {
  const files = readFolder(folder);
  delete files[`${name}.lst`];
  for (const written of (files[`${name}.files`] ?? '').toString().split('\n')) delete files[written];
  return files;
}

function changedFiles(before, after) {
  const changed = {};
  for (const [file, bytes] of Object.entries(after)) {
    if (!before[file]?.equals(bytes)) changed[file] = bytes.toString('latin1');
  }
  return changed;
}

function runNative(files, name, fastPaths) {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vantel-web-'));
  try {
    for (const [file, bytes] of Object.entries(files)) {
      fs.mkdirSync(path.dirname(path.join(work, file)), { recursive: true });
      fs.writeFileSync(path.join(work, file), bytes);
    }
    const run = spawnSync(vantel, [`${name}.sno`], {
      cwd: work, timeout: 60_000, stdio: ['ignore', 'ignore', 'pipe'],
      env: { ...process.env, LC_ALL: 'C', VANTEL_PLAIN: fastPaths ? '0' : '1' },
    });
    const written = changedFiles(files, readFolder(work));
    const listing = written[`${name}.lst`];
    delete written[`${name}.lst`];
    return { status: run.status, listing: masked(listing), files: written, stderr: run.stderr.toString() };
  } finally {
    fs.rmSync(work, { recursive: true, force: true });
  }
}

// The WebAssembly runs happen on a thread with a large stack, as the
// native driver gives the interpreter one: the deepest runs need it.
const runner = new Worker(new URL('./run_worker.mjs', import.meta.url), {
  workerData: { module: path.join(site, 'vantel.js') },
  resourceLimits: { stackSizeMb: 256 },
});
after(() => runner.terminate());
let nextRequest = 0;
const pending = new Map();
runner.on('message', ({ id, result, error }) => {
  const { resolve, reject } = pending.get(id);
  pending.delete(id);
  if (error) reject(new Error(error));
  else resolve(result);
});

function runWeb(files, name, fastPaths) {
  const id = nextRequest++;
  const request = { source: files[`${name}.sno`], name: `${name}.sno`, files, fastPaths };
  return new Promise((resolve, reject) => {
    pending.set(id, { resolve, reject });
    runner.postMessage({ id, request });
  }).then((result) => {
    const written = {};
    for (const [file, bytes] of Object.entries(result.files)) {
      written[file] = Buffer.from(bytes).toString('latin1');
    }
    return { status: result.status, listing: masked(result.listing), files: written, stderr: result.stderr };
  });
}

async function compare(files, name) {
  for (const fastPaths of [true, false]) {
    const native = runNative(files, name, fastPaths);
    const web = await runWeb(files, name, fastPaths);
    const mode = fastPaths ? 'compiled' : 'plain';
    assert.equal(web.listing, native.listing, `${name} (${mode}): listing`);
    assert.deepEqual(web.files, native.files, `${name} (${mode}): files written`);
    assert.equal(web.status, native.status, `${name} (${mode}): exit status`);
    assert.equal(web.stderr, native.stderr, `${name} (${mode}): standard error`);
  }
}

const bySuite = new Map();
for (const program of endToEndPrograms()) {
  bySuite.set(program.suite, [...(bySuite.get(program.suite) ?? []), program]);
}
for (const [suite, programs] of bySuite) {
  test(`${suite}: the same listings, files and statuses as native vantel`, async (t) => {
    for (const { folder, name } of programs) {
      await t.test(name, () => compare(startingFiles(folder, name), name));
    }
  });
}

test('generated programs at the limits: the same as native vantel', async (t) => {
  for (const [name, source] of Object.entries(generatedPrograms())) {
    await t.test(name, () => compare({ [`${name}.sno`]: Buffer.from(source) }, name));
  }
});

test('a source that cannot be opened: the same message and status', () =>
  compare({}, 'missing'));

// On this thread the engine's stack is Node's default, smaller than the
// deepest runs need: such a run ends with a message, keeps the listing
// written so far, and leaves nothing behind for the next run.
test('a run that outgrows the engine stack ends with a message, and the next run is whole', async () => {
  const { runVantel, kStackMessage } = await import(path.join(site, 'vantel.js'));
  const deep = await runVantel({ source: generatedPrograms().deepest_right, name: 'deep.sno' });
  assert.equal(deep.status, 2);
  assert.equal(deep.stderr, `${kStackMessage}\n`);
  assert.match(masked(deep.listing), /^Execution begins\.\.\.$/m);
  const next = await runVantel({ source: "        OUTPUT = 'after'\nEND\n", name: 'next.sno' });
  assert.equal(next.status, 0);
  assert.match(masked(next.listing), /^ after\n EXECUTION HAS TERMINATED\.$/m);
});
