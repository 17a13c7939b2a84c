// Reading vantel's listing: which lines are listed cards and which are
// messages, the source line a message is about, the program's output lines
// and a one-line summary of the run.

const kBanner = ' SNOBOL SUBSET INTERPRETTER. VERSION 1.0';
const kCompiled = ' COMPILATION COMPLETE. ';
const kExecution = 'Execution begins...';
const kTerminated = ' EXECUTION HAS TERMINATED.';
const kErrorOn = /^--- ERROR OCCURRED ON STATEMENT (-?\d+) ---$/;
const kCount = /^ NUMBER OF STATEMENTS EXECUTED: (-?\d+)$/;
// Lines that &TRACE and &FTRACE write.
const kTraceLine = /^ STATEMENT -?\d+( TRANSFER TO LINE -?\d+ ".*"|: LEVEL -?\d+ (CALL|RETURN) OF .*)$/;

export const isMessage = (line) => line.length >= 8 && line.startsWith('--- ') && line.endsWith(' ---');

// A listed card: the statement number right-aligned in four places (four
// blanks for comment and control cards), four blanks, then the card.
// Gives the statement number (0 for a card without one), or null.
function cardNumber(line) {
  if (line.length < 8) return null;
  if (line.startsWith('        ')) return 0;
  const match = /^ *(\d+)    /.exec(line);
  if (!match || match[0].length - 4 !== Math.max(4, match[1].length)) return null;
  const number = Number(match[1]);
  return number > 0 ? number : null;
}

// The source lines that appear in the listing, in order: -UNLIST stops the
// listing of the cards after it, -LIST starts it again.
export function listedSourceLines(source) {
  const listed = [];
  let listing = true;
  source.forEach((card, i) => {
    if (listing) listed.push(i);
    if (!card.startsWith('-')) return;
    if (card.startsWith('LIST', 1)) listing = true;
    else if (card.startsWith('UNLIST', 1)) listing = false;
  });
  return listed;
}

// The lines of a listing's text, without the end of the last one.
export function listingLines(text) {
  const lines = text.split('\n');
  if (lines.at(-1) === '') lines.pop();
  return lines;
}

export class ListingIndex {
  constructor(lines) {
    this.lines = lines;
    this.kinds = new Array(lines.length).fill('other');
    this.statements = new Array(lines.length).fill(0);
    this.messages = []; // { line, lastLine, cardLine, statement }
    const firstCardOf = new Map();
    let region = 'before';
    let lastCard = -1;
    lines.forEach((line, i) => {
      if (isMessage(line)) {
        this.kinds[i] = 'message';
        this.messages.push({ line: i, lastLine: i, cardLine: lastCard, statement: lastCard >= 0 ? this.statements[lastCard] : 0 });
      } else if (region === 'before') {
        if (line === kBanner) region = 'cards';
      } else if (region === 'cards') {
        if (line === kCompiled) {
          region = 'after';
        } else {
          const number = cardNumber(line);
          if (number !== null) {
            this.kinds[i] = 'card';
            this.statements[i] = number;
            lastCard = i;
            if (number > 0 && !firstCardOf.has(number)) firstCardOf.set(number, i);
          }
        }
      }
    });
    // A run-time message is followed by the line naming its statement: the
    // two lines are one message, about that statement's first card.
    const merged = [];
    for (const message of this.messages) {
      const statement = kErrorOn.exec(lines[message.line]);
      if (statement) {
        message.statement = Number(statement[1]);
        message.cardLine = firstCardOf.get(message.statement) ?? -1;
        const previous = merged.at(-1);
        if (previous && previous.lastLine === message.line - 1) {
          message.line = previous.line;
          merged.pop();
        }
      }
      merged.push(message);
    }
    this.messages = merged;
  }

  messageAt(line) {
    return this.messages.find((m) => m.line <= line && line <= m.lastLine) ?? null;
  }

  nearestListedCard(statement) {
    let best = -1;
    let bestDistance = 0;
    this.kinds.forEach((kind, line) => {
      if (kind !== 'card' || this.statements[line] === 0) return;
      const distance = Math.abs(this.statements[line] - statement);
      if (best < 0 || distance < bestDistance) [best, bestDistance] = [line, distance];
    });
    return best;
  }

  // The index of the source line (of `source`, the program's lines) that a
  // message is about, or null.
  sourceLineOf(message, source) {
    let card = message.cardLine;
    if (card < 0 && message.statement > 0) card = this.nearestListedCard(message.statement);
    if (card < 0) return null;
    const ordinal = this.kinds.slice(0, card).filter((kind) => kind === 'card').length;
    return listedSourceLines(source)[ordinal] ?? null;
  }

  // The termination report's first line, or -1: the last three-line report
  // that ends the listing or starts its dump of variables.
  reportLine() {
    const lines = this.lines;
    for (let i = lines.length - 1; i >= 2; --i) {
      if (!kCount.test(lines[i]) || lines[i - 2] !== kTerminated) continue;
      const next = lines[i + 1];
      if (next === undefined || next === ' DUMP OF VARIABLES ') return i - 2;
    }
    return -1;
  }

  // The lines the program wrote to OUTPUT: those after "Execution
  // begins..." up to the end of the run, without its error message and
  // without trace lines (a program that writes lines shaped like trace
  // lines while tracing sees them left out too).
  outputLines() {
    const start = this.lines.indexOf(kExecution);
    if (start < 0) return [];
    let end = this.reportLine();
    if (end < 0) end = this.lines.length;
    const message = this.messages.find((m) => m.line > start && m.line < end && kErrorOn.test(this.lines[m.lastLine]));
    if (message) end = Math.max(start + 1, message.line - 2);
    return this.lines.slice(start + 1, end).filter((line) => !kTraceLine.test(line));
  }

  // One line on how the run ended, as harbex's memo says it.
  summary(status) {
    const translationErrors = this.messages.filter((m) => !kErrorOn.test(this.lines[m.lastLine]));
    if (!this.lines.includes(kExecution)) {
      return translationErrors.length > 0 ? `Translation errors: ${translationErrors.length}` : `Ended: status ${status}`;
    }
    const runError = this.messages.find((m) => kErrorOn.test(this.lines[m.lastLine]) && m.line !== m.lastLine);
    if (runError) {
      return `Error in statement ${runError.statement}: ${this.lines[runError.line].slice(4, -4)}`;
    }
    const report = this.reportLine();
    const count = report >= 0 ? kCount.exec(this.lines[report + 2])[1] : null;
    return count === null ? `Ended: status ${status}` : `Ended: status ${status}, ${count} statements`;
  }
}
