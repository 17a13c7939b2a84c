// The playground page: the editor, Run and Stop, the listing with its
// messages linked to the source, the program's output, the files it wrote,
// the examples, share links and the colour theme.
import { createEditor, editorText, goToLine, setEditorText } from './editor.js';
import { ListingIndex, listingLines } from './listing.js';
import { Runner } from './runner.js';
import { fragmentFor, programFrom } from './share.js';
import { CardState, cardPieces } from './syntax.js';

const $ = (id) => document.getElementById(id);
const decoder = new TextDecoder();
const kCardColumn = 8; // a listed card's text starts after its number
const kDefaultExample = 'hello.sno';
// Listings longer than this show their start and offer the whole as a file:
// a line of the page each would make the page slow to build.
const kShownListingLines = 20000;

const runner = new Runner({
  worker: new URL('./worker.js', import.meta.url),
  wasm: new URL('./vantel-core.wasm', import.meta.url),
});
let examples = [];
let lastSource = [];
let listingDownload = null; // the address of the whole listing, when offered
const editor = createEditor($('editor'), { text: '', onRun: run });

function element(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

// ---- Running ------------------------------------------------------------------

// The source file: the program, then the data lines of the input box, which
// the program reads as the lines after its END statement.
function sourceText() {
  let text = editorText(editor);
  const input = $('input').value;
  if (input !== '') {
    if (text !== '' && !text.endsWith('\n')) text += '\n';
    text += input;
  }
  return text;
}

function setRunning(running) {
  $('run').disabled = running;
  $('stop').disabled = !running;
  document.body.classList.toggle('running', running);
}

async function run() {
  if (runner.running) return;
  lastSource = editorText(editor).split('\n');
  setRunning(true);
  $('status').textContent = 'Running…';
  const started = performance.now();
  try {
    const result = await runner.run({ source: sourceText(), name: 'program.sno' });
    if (result === null) {
      $('status').textContent = 'Stopped.';
    } else {
      showResult(result);
      performance.measure('vantel-run', { start: started });
      performance.mark('vantel-shown');
    }
  } catch (error) {
    $('status').textContent = `The run failed: ${error.message}`;
  } finally {
    setRunning(false);
  }
}

// ---- The result ---------------------------------------------------------------

function showResult(result) {
  const lines = listingLines(result.listing ? decoder.decode(result.listing) : '');
  const index = new ListingIndex(lines);
  showListing(index, result.listing);
  const output = index.outputLines();
  $('output').textContent = output.length > 0 ? output.join('\n') : '';
  $('output-count').textContent = `${output.length} line${output.length === 1 ? '' : 's'}`;
  showFiles(result.files);
  const summary = lines.length > 0 ? index.summary(result.status) : `Ended: status ${result.status}`;
  $('status').textContent = [summary, result.stderr.trim()].filter(Boolean).join(' — ');
  document.body.dataset.runs = String(Number(document.body.dataset.runs ?? 0) + 1);
}

function listedCard(line, state) {
  const row = element('div', 'line card');
  row.append(element('span', 'sn-number', line.slice(0, kCardColumn)));
  const { pieces, after } = cardPieces(line.slice(kCardColumn), state);
  for (const { text, part } of pieces) row.append(part ? element('span', `sn-${part}`, text) : text);
  return { row, after };
}

function showListing(index, listing) {
  const box = $('listing');
  box.replaceChildren();
  let state = CardState.Statement;
  index.lines.slice(0, kShownListingLines).forEach((line, i) => {
    const kind = index.kinds[i];
    if (kind === 'card') {
      const { row, after } = listedCard(line, state);
      state = after;
      box.append(row);
      return;
    }
    const message = kind === 'message' ? index.messageAt(i) : null;
    const target = message ? index.sourceLineOf(message, lastSource) : null;
    if (target === null) {
      box.append(element('div', kind === 'message' ? 'line sn-message' : 'line', line || '\u200b'));
      return;
    }
    const link = element('a', 'line sn-message', line);
    link.href = '#';
    link.title = `Go to line ${target + 1}`;
    link.addEventListener('click', (event) => {
      event.preventDefault();
      goToLine(editor, target);
    });
    box.append(link);
  });
  if (listingDownload) URL.revokeObjectURL(listingDownload);
  listingDownload = null;
  const hidden = index.lines.length - kShownListingLines;
  if (hidden > 0) {
    const whole = element('a', 'line', `… ${hidden} more lines: the whole listing`);
    listingDownload = URL.createObjectURL(new Blob([listing], { type: 'text/plain' }));
    whole.href = listingDownload;
    whole.download = 'program.lst';
    box.append(whole);
  }
}

function showFiles(files) {
  const names = Object.keys(files).sort();
  $('files-section').hidden = names.length === 0;
  $('files').replaceChildren(...names.map((name) => {
    const details = element('details');
    details.append(element('summary', null, name), element('pre', null, decoder.decode(files[name])));
    return details;
  }));
}

// ---- Examples, share links, theme -------------------------------------------------

function loadProgram({ source, input }) {
  setEditorText(editor, source);
  $('input').value = input ?? '';
}

async function loadExamples() {
  const response = await fetch(new URL('./examples.json', import.meta.url));
  examples = response.ok ? await response.json() : [];
  const menu = $('examples');
  for (const { name } of examples) menu.append(new Option(name, name));
}

function chooseExample(name) {
  const example = examples.find((e) => e.name === name);
  if (example) loadProgram({ source: example.source, input: '' });
}

async function share() {
  const fragment = await fragmentFor({ source: editorText(editor), input: $('input').value });
  history.replaceState(null, '', fragment);
  const link = location.href;
  $('share-link').value = link;
  $('share-box').hidden = false;
  $('share-link').select();
  try {
    await navigator.clipboard.writeText(link);
    $('share-note').textContent = 'Copied.';
  } catch {
    $('share-note').textContent = 'Copy the link above.';
  }
}

async function openFragment() {
  const program = await programFrom(location.hash);
  if (program) {
    loadProgram(program);
    $('examples').value = '';
  }
  return program !== null;
}

function applyTheme(theme) {
  document.documentElement.dataset.theme = theme;
  $('theme').textContent = theme === 'dark' ? 'Light' : 'Dark';
}

function toggleTheme() {
  const theme = document.documentElement.dataset.theme === 'dark' ? 'light' : 'dark';
  localStorage.setItem('vantel-theme', theme);
  applyTheme(theme);
}

// ---- Start --------------------------------------------------------------------------

async function start() {
  applyTheme(localStorage.getItem('vantel-theme') ??
    (matchMedia('(prefers-color-scheme: dark)').matches ? 'dark' : 'light'));
  $('run').addEventListener('click', run);
  $('stop').addEventListener('click', () => runner.stop());
  $('share').addEventListener('click', share);
  $('theme').addEventListener('click', toggleTheme);
  $('examples').addEventListener('change', (event) => chooseExample(event.target.value));
  $('input').addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && (event.ctrlKey || event.metaKey)) {
      event.preventDefault();
      run();
    }
  });
  window.addEventListener('hashchange', openFragment);
  await loadExamples();
  if (!(await openFragment())) {
    $('examples').value = kDefaultExample;
    chooseExample(kDefaultExample);
  }
  document.body.dataset.ready = 'true';
  performance.mark('vantel-ready');
}

start();
