// The source editor: CodeMirror with the card colouring, line numbers,
// history, Enter without indentation, and Ctrl+Enter (Cmd+Enter) for Run.
import { EditorState, RangeSetBuilder } from '@codemirror/state';
import {
  Decoration, EditorView, ViewPlugin, drawSelection, highlightActiveLine,
  highlightActiveLineGutter, keymap, lineNumbers,
} from '@codemirror/view';
import { defaultKeymap, history, historyKeymap, insertNewline } from '@codemirror/commands';
import { CardState, cardParts, cardPieces } from './syntax.js';

const marks = {};
for (const part of ['label', 'comment', 'control', 'continuation', 'literal', 'keyword', 'goto']) {
  marks[part] = Decoration.mark({ class: `sn-${part}` });
}

// The state each line starts in, from the first line on (a goto field goes
// on across continuation cards; the data after END stays plain).
function lineStates(doc, upTo) {
  const states = [CardState.Statement];
  for (let n = 1; n < upTo; ++n) states.push(cardParts(doc.line(n).text, states[n - 1]).after);
  return states;
}

function decorations(view) {
  const builder = new RangeSetBuilder();
  const { doc } = view.state;
  const last = doc.lineAt(view.viewport.to).number;
  const states = lineStates(doc, last + 1);
  for (let n = doc.lineAt(view.viewport.from).number; n <= last; ++n) {
    const line = doc.line(n);
    let at = line.from;
    for (const { text, part } of cardPieces(line.text, states[n - 1]).pieces) {
      if (part) builder.add(at, at + text.length, marks[part]);
      at += text.length;
    }
  }
  return builder.finish();
}

const cardColouring = ViewPlugin.fromClass(class {
  constructor(view) { this.decorations = decorations(view); }
  update(update) {
    if (update.docChanged || update.viewportChanged) this.decorations = decorations(update.view);
  }
}, { decorations: (plugin) => plugin.decorations });

export function createEditor(parent, { text, onRun }) {
  return new EditorView({
    parent,
    state: EditorState.create({
      doc: text,
      extensions: [
        lineNumbers(), highlightActiveLineGutter(), highlightActiveLine(), drawSelection(), history(),
        keymap.of([
          { key: 'Mod-Enter', run: () => { onRun(); return true; } },
          // Column 1 decides what a card is: a new line starts empty.
          { key: 'Enter', run: insertNewline },
          ...defaultKeymap, ...historyKeymap,
        ]),
        cardColouring,
        EditorView.contentAttributes.of({ 'aria-label': 'Program', spellcheck: 'false' }),
      ],
    }),
  });
}

export function editorText(view) {
  return view.state.doc.toString();
}

export function setEditorText(view, text) {
  view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: text }, selection: { anchor: 0 } });
}

// Puts the cursor at the start of a line (counted from 0) and shows it.
export function goToLine(view, index) {
  const line = view.state.doc.line(Math.min(index + 1, view.state.doc.lines));
  view.dispatch({ selection: { anchor: line.from }, scrollIntoView: true });
  view.focus();
}
