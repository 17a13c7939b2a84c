// Starts vantel-lsp for SNOBOL4 documents, and vantel-dap for the debugger
// type "vantel".
'use strict';
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

let client;

function activate(context) {
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
  // The debug adapter speaks on its standard input and output.
  context.subscriptions.push(vscode.debug.registerDebugAdapterDescriptorFactory('vantel', {
    createDebugAdapterDescriptor() {
      const adapter = vscode.workspace.getConfiguration('vantel').get('debugger.path', 'vantel-dap');
      return new vscode.DebugAdapterExecutable(adapter);
    },
  }));
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
