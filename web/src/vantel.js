// vantel as WebAssembly, in one call:
//
//   const result = await runVantel({ source, name, files, fastPaths });
//
// runs the program as `vantel NAME` does in a folder holding FILES (and
// SOURCE as NAME, unless it is left out and FILES holds it), and gives back
// what the native program leaves: { status, listingName, listing, files,
// stderr }. `source` and the values of `files` are strings (written
// as UTF-8) or Uint8Arrays; `listing` and the values of the returned `files`
// (every file the run created or changed, by path) are Uint8Arrays. Each run
// takes a fresh instance of the module, so runs never see each other.
import createVantelCore from '../../build-web/wasm/bin/vantel-core.mjs';

const kFolder = '/run';
// A run that needs more stack than the browser gives its thread ends with
// this message and status, as a native run ends when a file fails it.
export const kStackMessage = "vantel: the program nests deeper than this browser's stack allows";
const kFailureStatus = 2;

let compiled = null;

async function wasmBytes(url) {
  if (url.protocol === 'file:') {
    const { readFile } = await import('node:fs/promises');
    return readFile(url);
  }
  const response = await fetch(url);
  if (!response.ok) throw new Error(`cannot load ${url}: ${response.status}`);
  return response.arrayBuffer();
}

// Compiles the WebAssembly module once (from its URL, by default beside this
// file), or takes one compiled already (a page hands its compiled module to
// each new worker); later runs only instantiate it. Calling it early takes
// the compilation out of the first run.
export function prepare(from) {
  compiled ??= from instanceof WebAssembly.Module
    ? Promise.resolve(from)
    : wasmBytes(from ?? new URL('./vantel-core.wasm', import.meta.url)).then((bytes) => WebAssembly.compile(bytes));
  return compiled;
}

async function newInstance(printErr) {
  const module = await prepare();
  // The runtime waits for the instance; an instance that cannot be made
  // (no memory for it) ends the wait with the reason.
  let failed;
  const failure = new Promise((_, reject) => { failed = reject; });
  const core = createVantelCore({
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module), failed);
      return {};
    },
    // The module is instantiated here, never fetched by the runtime, which
    // would otherwise resolve its file against this script's address (a
    // blob: address in a page's worker has none to resolve against).
    locateFile: (file) => file,
    print: () => {},
    printErr,
    stdin: () => null,
  });
  return Promise.race([core, failure]);
}

function asBytes(content) {
  return typeof content === 'string' ? new TextEncoder().encode(content) : content;
}

// The path without its last component, made folder by folder.
function makeFolders(FS, path) {
  const parts = path.split('/').slice(0, -1);
  let folder = path.startsWith('/') ? '' : '.';
  for (const part of parts) {
    if (part === '' || part === '.') continue;
    folder += `/${part}`;
    if (!FS.analyzePath(folder).exists) FS.mkdir(folder);
  }
}

// Every regular file under folder, by path relative to the run's folder
// (absolute outside it); /dev and /proc are the runtime's own.
function listFiles(FS, folder, into = new Map()) {
  for (const name of FS.readdir(folder)) {
    if (name === '.' || name === '..') continue;
    const path = folder === '/' ? `/${name}` : `${folder}/${name}`;
    if (path === '/dev' || path === '/proc') continue;
    const mode = FS.stat(path).mode;
    if (FS.isDir(mode)) listFiles(FS, path, into);
    else if (FS.isFile(mode)) into.set(path, FS.readFile(path));
  }
  return into;
}

function sameBytes(a, b) {
  return a.length === b.length && a.every((byte, i) => byte === b[i]);
}

function isStackExhausted(error) {
  // V8 and JavaScriptCore say RangeError, SpiderMonkey InternalError; a run
  // past the end of the interpreter's own stack leaves memory.
  return error instanceof RangeError || error?.name === 'InternalError' ||
    (error instanceof WebAssembly.RuntimeError && /out of bounds/.test(error.message));
}

export async function runVantel({ source, name = 'program.sno', files = {}, fastPaths = true }) {
  const stderr = [];
  const core = await newInstance((line) => stderr.push(line));
  const { FS } = core;
  FS.mkdir(kFolder);
  FS.chdir(kFolder);
  const given = new Map();
  for (const [path, content] of Object.entries(files)) {
    makeFolders(FS, path);
    FS.writeFile(path, asBytes(content));
  }
  if (source != null) {
    makeFolders(FS, name);
    FS.writeFile(name, asBytes(source));
  }
  for (const [path, bytes] of listFiles(FS, '/')) given.set(path, bytes);

  const listingName = core.ccall('vantel_web_listing_name', 'string', ['string'], [name]);
  let status;
  try {
    status = core.ccall('vantel_web_run', 'number', ['string', 'number'], [name, fastPaths ? 1 : 0]);
  } catch (error) {
    if (!isStackExhausted(error)) throw error;
    stderr.push(kStackMessage);
    status = kFailureStatus;
  }

  const written = {};
  let listing = null;
  const prefix = `${kFolder}/`;
  for (const [path, bytes] of listFiles(FS, '/')) {
    const before = given.get(path);
    if (before && sameBytes(before, bytes)) continue;
    const shown = path.startsWith(prefix) ? path.slice(prefix.length) : path;
    if (shown === listingName) listing = bytes;
    else written[shown] = bytes;
  }
  return { status, listingName, listing, files: written, stderr: stderr.map((l) => `${l}\n`).join('') };
}
