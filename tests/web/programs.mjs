// Programs for the web tests: the end-to-end set with each program's
// folder, and generated programs at the interpreter's limits.
import fs from 'node:fs';
import path from 'node:path';

export const repository = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');

// Every file of a folder, by path relative to it.
export function readFolder(folder, prefix = '', into = {}) {
  for (const entry of fs.readdirSync(folder, { withFileTypes: true })) {
    const full = path.join(folder, entry.name);
    if (entry.isDirectory()) readFolder(full, `${prefix}${entry.name}/`, into);
    else if (entry.isFile()) into[`${prefix}${entry.name}`] = fs.readFileSync(full);
  }
  return into;
}

// The end-to-end set: { suite, folder, name } for every NAME.sno.
export function endToEndPrograms() {
  const conformance = process.env.VANTEL_CONFORMANCE_DIR ??
    path.resolve(repository, '../shared/conformance');
  const folders = [
    ['examples', path.join(repository, 'examples')],
    ...['cases', 'limits', 'errors'].map((s) => [s, path.join(repository, 'tests/e2e', s)]),
    ['conformance', conformance],
  ];
  const programs = [];
  for (const [suite, folder] of folders) {
    if (!fs.existsSync(folder)) continue;
    for (const file of fs.readdirSync(folder).sort()) {
      if (file.endsWith('.sno')) programs.push({ suite, folder, name: file.slice(0, -4) });
    }
  }
  return programs;
}

// A statement continued on cards of at most 150 characters.
function continued(first, words) {
  const cards = [];
  let card = first;
  for (const word of words) {
    if (card.length + word.length + 1 >= 150) {
      cards.push(card);
      card = '+';
    }
    card += ` ${word}`;
  }
  cards.push(card);
  return cards.join('\n');
}

// LEVELS nested calls, each from the bottom of an expression: a left-leaning
// chain of TERMS additions, or (right) TERMS parenthesised additions.
function nestedCalls(levels, terms, right) {
  const words = right
    ? [...Array(terms).fill('0 + ('), 'DEEP()', ...Array(terms).fill(')')]
    : ['DEEP()', ...Array(terms).fill('+ 0')];
  return [
    '        &STLIMIT = 1000000',
    "        DEFINE('DEEP()', 'DEEP')",
    '        K = 0',
    '        OUTPUT = DEEP()',
    '        :(END)',
    'DEEP    K = K + 1',
    `        DEEP = GE(K, ${levels}) K :S(RETURN)`,
    continued('        DEEP =', [...words, ':(RETURN)']),
    'END',
    '',
  ].join('\n');
}

// ARBNO nested DEPTH deep, matched from inside LEVELS nested calls.
function arbnoInCalls(levels, depth) {
  return [
    '        &STLIMIT = 1000000',
    "        P = 'A'",
    '        I = 0',
    `BUILD   P = LT(I, ${depth}) ARBNO(P) 'X' :F(GO)`,
    '        I = I + 1 :(BUILD)',
    "GO      DEFINE('DEEP()', 'DEEP')",
    '        K = 0',
    '        OUTPUT = DEEP()',
    '        :(END)',
    'DEEP    K = K + 1',
    `        DEEP = LT(K, ${levels}) DEEP() :S(RETURN)`,
    "        'AAAXB' P :S(RETURN)",
    "        DEEP = 'MATCHED NOTHING' :(RETURN)",
    'END',
    '',
  ].join('\n');
}

// Generated programs: the deepest runs the fixed limits allow, and exit
// statuses beyond 8 bits.
export function generatedPrograms() {
  return {
    deepest_left: nestedCalls(48, 995, false),
    deepest_right: nestedCalls(48, 495, true),
    arbno_in_calls: arbnoInCalls(48, 999),
    code_300: "        &CODE = 300\nEND\n",
    code_negative: "        &CODE = -1\nEND\n",
  };
}
