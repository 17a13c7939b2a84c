// Starts vantel-lsp for SNOBOL4 documents.
'use strict';
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

let client;

function activate() {
  const settings = vscode.workspace.getConfiguration('vantel');
  const server = {
    command: settings.get('server.path', 'vantel-lsp'),
    transport: TransportKind.stdio,
  };
  client = new LanguageClient('vantel', 'vantel-lsp', server, {
    documentSelector: [
      { scheme: 'file', language: 'snobol4' },
      { scheme: 'untitled', language: 'snobol4' },
    ],
    initializationOptions: { formatting: settings.get('formatting', false) },
  });
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
