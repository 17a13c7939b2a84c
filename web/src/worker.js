// The page's runs happen here, off the page's thread: a long run never
// freezes the page, and Stop ends this worker at once. The module is
// compiled as soon as the worker starts, before the first Run.
import { prepare, runVantel } from './vantel.js';

const ready = prepare();
ready.then(() => self.postMessage({ ready: true }), (error) => self.postMessage({ error: String(error) }));

self.onmessage = async ({ data }) => {
  try {
    await ready;
    const result = await runVantel(data);
    const transfer = [result.listing, ...Object.values(result.files)].filter(Boolean).map((b) => b.buffer);
    self.postMessage({ result }, transfer);
  } catch (error) {
    self.postMessage({ error: String(error?.message ?? error) });
  }
};
