// The page's reading of listings: the program's output lines apart from
// traces, messages and the report; the summary of a run; the source line a
// message leads to, -UNLIST cards and continuation cards in between.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { ListingIndex, listingLines } from '../../web/src/listing.js';
import { repository } from './programs.mjs';

const site = path.resolve(repository, process.env.VANTEL_SITE ?? 'build-web/site');
const expected = (suite, name) =>
  new ListingIndex(listingLines(fs.readFileSync(path.join(repository, 'tests/e2e', suite, `${name}.lst`), 'latin1')));

test('output lines leave out traces, the error message and the report', () => {
  const traced = expected('examples', 'trace');
  assert.deepEqual(traced.outputLines(), [' 4 is even', ' 3 is odd']);
  assert.equal(traced.summary(0), 'Ended: status 0, 9 statements');

  // The pattern's line was begun with its blank when the error came.
  const failed = expected('errors', 'output_pattern');
  assert.deepEqual(failed.outputLines(), [' BEFORE']);
  assert.equal(failed.summary(0), 'Error in statement 2: ATTEMPT TO OUTPUT PATTERN');

  const dumped = expected('cases', 'conversions');
  assert.equal(dumped.outputLines().at(-1), ' NULL IN EVERY FORM');

  const untranslated = expected('limits', 'many_errors');
  assert.deepEqual(untranslated.outputLines(), []);
  assert.equal(untranslated.summary(0), 'Translation errors: 25');
});

test('a message leads to the source line of its card', async () => {
  const { runVantel } = await import(path.join(site, 'vantel.js'));
  const source = [
    '* messages after cards that are not listed',
    '-UNLIST',
    "        X = 'NOT LISTED'",
    '-LIST',
    '        Y = 1 +',
    '+           2',
    "        Z = 'OPEN",
    '        W = (1',
    '        OUTPUT = X',
    'END',
  ];
  const { listing } = await runVantel({ source: `${source.join('\n')}\n`, name: 'messages.sno' });
  const index = new ListingIndex(listingLines(Buffer.from(listing).toString('latin1')));
  const leads = index.messages.map((m) => [index.lines[m.line], index.sourceLineOf(m, source)]);
  // Each message is about the last card listed before it.
  assert.deepEqual(leads, [
    ['--- UNTERMINATED LITERAL ---', 6],
    ['--- TOKEN ")" DOES NOT OCCUR WHERE EXPECTED   ---', 8],
    ['--- TOKEN ";" DOES NOT OCCUR WHERE EXPECTED   ---', 9],
    ['--- PROGRAM HAS NO END. ---', 9],
  ]);
});
