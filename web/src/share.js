// A program and its data lines in the page address's fragment, so that a
// link opens them: "#z=" and deflated JSON where the browser can compress,
// "#t=" and plain JSON otherwise, either as base64url.

function toBase64Url(bytes) {
  let text = '';
  for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(text).replaceAll('+', '-').replaceAll('/', '_').replace(/=+$/, '');
}

function fromBase64Url(text) {
  const binary = atob(text.replaceAll('-', '+').replaceAll('_', '/'));
  return Uint8Array.from(binary, (c) => c.charCodeAt(0));
}

async function through(stream, bytes) {
  const piped = new Blob([bytes]).stream().pipeThrough(stream);
  return new Uint8Array(await new Response(piped).arrayBuffer());
}

export async function fragmentFor(program) {
  const json = new TextEncoder().encode(JSON.stringify(program));
  if (typeof CompressionStream === 'function') {
    return `#z=${toBase64Url(await through(new CompressionStream('deflate-raw'), json))}`;
  }
  return `#t=${toBase64Url(json)}`;
}

// The program of a fragment ({ source, input }), or null when it holds none
// or cannot be read.
export async function programFrom(fragment) {
  const match = /^#([zt])=([A-Za-z0-9_-]*)$/.exec(fragment);
  if (!match) return null;
  try {
    let bytes = fromBase64Url(match[2]);
    if (match[1] === 'z') bytes = await through(new DecompressionStream('deflate-raw'), bytes);
    const program = JSON.parse(new TextDecoder().decode(bytes));
    if (typeof program?.source !== 'string') return null;
    return { source: program.source, input: typeof program.input === 'string' ? program.input : '' };
  } catch {
    return null;
  }
}
