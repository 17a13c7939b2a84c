// Checks the VS Code extension without VS Code: its JSON files parse, the
// grammar's expressions compile, its language and grammar agree, the
// extension's script is valid JavaScript, and every token type of the
// server's legend that the protocol does not define is declared.
// Usage: node vscode_check.js EXTENSION_FOLDER VANTEL_LSP
'use strict';
const fs = require('fs');
const path = require('path');
const { spawnSync, execFileSync } = require('child_process');

const [folder, server] = process.argv.slice(2);
const failures = [];
const check = (holds, what) => { if (!holds) failures.push(what); };
const read = (name) => JSON.parse(fs.readFileSync(path.join(folder, name), 'utf8'));

const manifest = read('package.json');
read('language-configuration.json');
const lock = read('package-lock.json');
check(lock.packages[''].dependencies['vscode-languageclient'] === manifest.dependencies['vscode-languageclient'],
      'package-lock.json does not pin the dependency of package.json');
const language = manifest.contributes.languages[0];
const grammarEntry = manifest.contributes.grammars[0];
check(grammarEntry.language === language.id, 'the grammar is for another language');
const grammar = read(grammarEntry.path);
check(grammar.scopeName === grammarEntry.scopeName, 'the grammar has another scope name');

// Every expression compiles (the grammar keeps to what JavaScript and
// Oniguruma read alike).
const expressions = [];
(function collect(node) {
  if (Array.isArray(node)) return node.forEach(collect);
  if (node === null || typeof node !== 'object') return;
  for (const key of ['match', 'begin', 'end']) if (typeof node[key] === 'string') expressions.push(node[key]);
  Object.values(node).forEach(collect);
})(grammar);
for (const e of expressions) {
  try { new RegExp(e); } catch (error) { check(false, `expression ${e}: ${error.message}`); }
}
check(expressions.length > 10, 'the grammar has too few expressions');

try { execFileSync(process.execPath, ['--check', path.join(folder, manifest.main)]); }
catch (error) { check(false, `${manifest.main}: ${error.stderr}`); }

// The server's legend: its own token types must be declared.
const body = JSON.stringify({ jsonrpc: '2.0', id: 1, method: 'initialize', params: { capabilities: {} } });
const exit = JSON.stringify({ jsonrpc: '2.0', method: 'exit' });
const frame = (b) => `Content-Length: ${Buffer.byteLength(b)}\r\n\r\n${b}`;
const run = spawnSync(server, [], { input: frame(body) + frame(exit), timeout: 20000 });
const output = run.stdout.toString();
const answer = JSON.parse(output.slice(output.indexOf('\r\n\r\n') + 4));
const legend = answer.result.capabilities.semanticTokensProvider.legend.tokenTypes;
const standard = ['namespace', 'type', 'class', 'enum', 'interface', 'struct', 'typeParameter', 'parameter',
  'variable', 'property', 'enumMember', 'event', 'function', 'method', 'macro', 'keyword', 'modifier',
  'comment', 'string', 'number', 'regexp', 'operator', 'decorator'];
const declared = manifest.contributes.semanticTokenTypes.map((t) => t.id);
for (const type of legend.filter((t) => !standard.includes(t))) {
  check(declared.includes(type), `the server's token type "${type}" is not declared in package.json`);
}

if (failures.length > 0) {
  console.error(failures.join('\n'));
  process.exit(1);
}
console.log(`vscode extension: ${expressions.length} expressions, ${legend.length} token types checked`);
