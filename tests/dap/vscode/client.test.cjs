// vantel-dap driven by a client no one here wrote: the DebugClient of VS
// Code's debug adapter test support (@vscode/debugadapter-testsupport,
// pinned by package-lock.json), which speaks to the adapter as VS Code
// does and checks what it answers.
//
//   VANTEL_DAP=path/to/vantel-dap NODE_PATH=folder/node_modules node --test client.test.cjs
'use strict';

const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { test, beforeEach, afterEach } = require('node:test');
const { DebugClient } = require('@vscode/debugadapter-testsupport');

const adapter = process.env.VANTEL_DAP;
let dc;
let folder;

// A program in a folder of its own; its path.
function program(text) {
  const file = path.join(folder, 'program.sno');
  fs.writeFileSync(file, text);
  return file;
}

beforeEach(async () => {
  folder = fs.mkdtempSync(path.join(os.tmpdir(), 'vantel-dap-client-'));
  // The client starts "runtime executable": env runs the adapter itself.
  dc = new DebugClient('env', adapter, 'vantel');
  dc.defaultTimeout = 20000;
  await dc.start();
});

afterEach(async () => {
  await dc.stop();
  fs.rmSync(folder, { recursive: true, force: true });
});

const halves = [
  "        DEFINE('HALF(N)', 'HALF')",
  '        X = HALF(10)',
  "        OUTPUT = 'half ' X",
  "HALF    HALF = N / 2          :(RETURN)",
  'END',
  '',
].join('\n');

test('a breakpoint on a comment binds to the next statement and is hit there', async () => {
  const file = program("* halves\n" + halves);
  await dc.hitBreakpoint({ program: file }, { path: file, line: 1 }, { path: file, line: 2 },
    { path: file, line: 2 });
});

// The launch configuration the VS Code extension offers, for a file.
function extensionConfiguration(file) {
  const manifest = JSON.parse(fs.readFileSync(process.env.VANTEL_EXTENSION, 'utf8'));
  const debuggerEntry = manifest.contributes.debuggers.find((d) => d.type === 'vantel');
  const configuration = { ...debuggerEntry.initialConfigurations[0] };
  for (const [key, value] of Object.entries(configuration)) {
    if (typeof value === 'string')
      configuration[key] = value.replace('${fileDirname}', path.dirname(file)).replace('${file}', file);
  }
  return configuration;
}

test('steps into a function and shows the call stack and its locals', async () => {
  const file = program(halves);
  await Promise.all([
    dc.configurationSequence(),
    dc.launch({ ...extensionConfiguration(file), stopOnEntry: true }),
    dc.assertStoppedLocation('entry', { path: file, line: 1 }),
  ]);
  await Promise.all([dc.nextRequest({ threadId: 1 }), dc.assertStoppedLocation('step', { line: 2 })]);
  await Promise.all([dc.stepInRequest({ threadId: 1 }), dc.assertStoppedLocation('step', { line: 4 })]);
  const frames = (await dc.stackTraceRequest({ threadId: 1 })).body.stackFrames;
  assert.deepStrictEqual(frames.map((f) => f.name), ['HALF(N = 10)', 'main program']);
  const scopes = (await dc.scopesRequest({ frameId: frames[0].id })).body.scopes;
  assert.deepStrictEqual(scopes.map((s) => s.name), ['Locals', 'Globals', 'Keywords']);
  const locals = (await dc.variablesRequest({ variablesReference: scopes[0].variablesReference }))
    .body.variables;
  assert.strictEqual(locals.find((v) => v.name === 'N').value, '10');
  await Promise.all([
    dc.continueRequest({ threadId: 1 }),
    dc.assertOutput('stdout', 'half 5\n'),
    dc.waitForEvent('terminated'),
  ]);
});

test('steps through a match node by node', async () => {
  const file = program("        X = 'ABC'\n        X 'A' ARB . MIDDLE 'C'\n        OUTPUT = MIDDLE\nEND\n");
  await Promise.all([
    dc.configurationSequence(),
    dc.launch({ program: file, stopOnEntry: true }),
    dc.assertStoppedLocation('entry', { line: 1 }),
  ]);
  await Promise.all([dc.nextRequest({ threadId: 1 }), dc.assertStoppedLocation('step', { line: 2 })]);
  const seen = [];
  for (let i = 0; i < 11; i++) {
    await Promise.all([
      dc.stepInRequest({ threadId: 1, granularity: 'instruction' }),
      dc.assertStoppedLocation('step', { line: 2 }),
    ]);
    const scopes = (await dc.scopesRequest({ frameId: 1 })).body.scopes;
    assert.strictEqual(scopes[0].name, 'Match');
    const match = (await dc.variablesRequest({ variablesReference: scopes[0].variablesReference }))
      .body.variables;
    seen.push(match.find((v) => v.name === 'node').value.split(' ').slice(0, 2).join(' '));
  }
  assert.deepStrictEqual(seen, ['node 1', 'node 2', 'node 3', 'node 4', 'node 6', 'node 7',
    'node 5', 'node 4', 'node 6', 'node 7', 'node 7']);
  await Promise.all([dc.stepOutRequest({ threadId: 1 }), dc.assertStoppedLocation('step', { line: 3 })]);
  const evaluated = await dc.evaluateRequest({ expression: 'MIDDLE', frameId: 1, context: 'repl' });
  assert.strictEqual(evaluated.body.result, '"B"');
});

test('stops on a run-time error and reports it', async () => {
  const file = program("        N = 0\n        X = 10 / N\nEND\n");
  await Promise.all([
    dc.configurationSequence(),
    dc.launch({ program: file }),
    dc.assertStoppedLocation('exception', { line: 2 }),
  ]);
  const info = await dc.exceptionInfoRequest({ threadId: 1 });
  assert.strictEqual(info.body.description, 'DIVISION BY ZERO');
  await Promise.all([
    dc.continueRequest({ threadId: 1 }),
    dc.assertOutput('stderr', '--- DIVISION BY ZERO ---\n'),
    dc.waitForEvent('exited'),
  ]);
});
