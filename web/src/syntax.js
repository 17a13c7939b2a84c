// The parts of a card that are coloured, as quillpad colours them: a label
// in column 1, comment ('*') and control ('-') cards, the mark of a
// continuation card ('.' or '+'), literals, keywords (&NAME) and the goto
// field after ':'. Cards after the END statement are the program's data and
// stay plain. Each part has the class `sn-PART` on the page.

// What one card leaves for the next: a goto field that a continuation card
// may carry on, or the data after END.
export const CardState = Object.freeze({ Statement: 0, InGoto: 1, Data: 2 });

const isNameCharacter = (c) => /[A-Za-z0-9.]/.test(c);

// The statement text from `from` on: literals, keywords and goto fields.
function bodyParts(card, from, inGoto, parts) {
  const inner = [];
  let gotoStart = inGoto ? from : -1;
  const closeGoto = (end) => {
    if (gotoStart >= 0 && end > gotoStart) parts.push({ start: gotoStart, length: end - gotoStart, part: 'goto' });
    gotoStart = -1;
  };
  let i = from;
  while (i < card.length) {
    const c = card[i];
    if (c === "'" || c === '"') {
      let end = card.indexOf(c, i + 1);
      end = end < 0 ? card.length : end + 1;
      inner.push({ start: i, length: end - i, part: 'literal' });
      i = end;
    } else if (c === '&' && i + 1 < card.length && isNameCharacter(card[i + 1])) {
      let end = i + 1;
      while (end < card.length && isNameCharacter(card[end])) ++end;
      inner.push({ start: i, length: end - i, part: 'keyword' });
      i = end;
    } else if (c === ':' && gotoStart < 0) {
      gotoStart = i++;
    } else if (c === ';') {
      closeGoto(i++);
    } else {
      ++i;
    }
  }
  const stillInGoto = gotoStart >= 0;
  closeGoto(card.length);
  parts.push(...inner);
  return stillInGoto ? CardState.InGoto : CardState.Statement;
}

// The coloured spans of one card, in the order they are to be applied (a
// later span lies over an earlier one: literals inside a goto field), and
// the state the card leaves for the next.
export function cardParts(card, before) {
  const parts = [];
  if (before === CardState.Data || card.length === 0) return { parts, after: before };
  const first = card[0];
  if (first === '*') return { parts: [{ start: 0, length: card.length, part: 'comment' }], after: before };
  if (first === '-') return { parts: [{ start: 0, length: card.length, part: 'control' }], after: before };
  if (first === '.' || first === '+') {
    parts.push({ start: 0, length: 1, part: 'continuation' });
    return { parts, after: bodyParts(card, 1, before === CardState.InGoto, parts) };
  }
  let labelEnd = card.indexOf(' ');
  if (labelEnd < 0) labelEnd = card.length;
  if (labelEnd > 0) parts.push({ start: 0, length: labelEnd, part: 'label' });
  const isEnd = card.slice(0, labelEnd).toUpperCase() === 'END';
  return { parts, after: isEnd ? CardState.Data : bodyParts(card, labelEnd, false, parts) };
}

// The spans as pieces that do not overlap: [{ text, part }], part null
// for plain text, later spans winning where they overlap earlier ones.
export function cardPieces(card, before) {
  const { parts, after } = cardParts(card, before);
  const owner = new Array(card.length).fill(null);
  for (const { start, length, part } of parts) owner.fill(part, start, start + length);
  const pieces = [];
  for (let i = 0; i < card.length;) {
    let end = i + 1;
    while (end < card.length && owner[end] === owner[i]) ++end;
    pieces.push({ text: card.slice(i, end), part: owner[i] });
    i = end;
  }
  return { pieces, after };
}
